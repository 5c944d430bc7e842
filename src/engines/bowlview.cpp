// Bowl-view engines (multi-view types 1 and 2). Their tables hold create and
// release; the view operations are not built yet, so every other slot is
// empty and answers with the dispatcher's failure result.
#include "engines.h"

namespace {

struct BowlviewState {
    int width = 0;
    int height = 0;
};

EngineHandle* crBowlviewCreate1(int) { return crCreateEngine<BowlviewState>(kBowlviewOps1); }
EngineHandle* crBowlviewCreate2(int) { return crCreateEngine<BowlviewState>(kBowlviewOps2); }

}  // namespace

const CrEngineSlot kBowlviewOps1[kEngineTableSize] = {
    crSlot(&crBowlviewCreate1), nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, crSlot(&crReleaseEngine<BowlviewState>),
};

const CrEngineSlot kBowlviewOps2[kEngineTableSize] = {
    crSlot(&crBowlviewCreate2), nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, crSlot(&crReleaseEngine<BowlviewState>),
};
