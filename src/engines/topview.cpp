// Top-view engine (multi-view type 0): the ground around the vehicle from
// four cameras.
#include "engines.h"

namespace {

struct TopviewState {
    int width = 0;
    int height = 0;
};

EngineHandle* crTopviewCreate(int) { return crCreateEngine<TopviewState>(kTopviewOps); }

}  // namespace

const CrEngineSlot kTopviewOps[kMultiSlotCount] = {
    crSlot(&crTopviewCreate), nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, crSlot(&crReleaseEngine<TopviewState>),
};
