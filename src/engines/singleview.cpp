// Single-view engine: one fisheye camera turned into one corrected view.
#include "engines.h"

namespace {

struct SingleviewState {
    int inited = 0;
};

EngineHandle* crSingleviewCreateState(int) { return crCreateEngine<SingleviewState>(kSingleviewOps); }

}  // namespace

const CrEngineSlot kSingleviewOps[kSingleSlotCount] = {
    crSlot(&crSingleviewCreateState), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, crSlot(&crReleaseEngine<SingleviewState>),
};
