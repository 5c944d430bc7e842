// Exported engine entry points: validate the handle, pick one slot of its
// operation table and forward the caller's arguments to it unchanged.
#include <cstdint>

#include "engines.h"

#define CR_EXPORT __attribute__((visibility("default")))

namespace {

// Index 0 serves crSingleviewCreate, index type + 1 serves crMultiviewCreate.
const CrEngineSlot* const kEngineFactory[4] = {kSingleviewOps, kTopviewOps, kBowlviewOps1, kBowlviewOps2};

using GenericOp = int (*)(EngineHandle*, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t,
                          uintptr_t, uintptr_t);

EngineHandle* crCreateFromFactory(int type, unsigned highestType, int factoryOffset) {
    if (static_cast<unsigned>(type) > highestType) return nullptr;
    const CrEngineSlot* ops = kEngineFactory[type + factoryOffset];
    if (!ops || !ops[0]) return nullptr;
    return reinterpret_cast<CrEngineCreate>(ops[0])(type);
}

int crReleaseThroughTable(EngineHandle** handle, int slot) {
    if (!handle || !*handle) return 0;
    const CrEngineSlot* ops = (*handle)->ops;
    if (!ops || !ops[slot]) return -1;
    return reinterpret_cast<CrEngineRelease>(ops[slot])(handle);
}

}  // namespace

// Up to eight arguments follow the handle (crMultiviewSetImage has the most).
#define CR_OP_PARAMS                                                                                      \
    EngineHandle *h, uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4, uintptr_t a5, uintptr_t a6, \
        uintptr_t a7, uintptr_t a8

#define CR_DISPATCHER(name, slot, failure)                                            \
    extern "C" CR_EXPORT int name(CR_OP_PARAMS) {                                     \
        if (!h || !h->ops || !h->ops[slot]) return failure;                           \
        return reinterpret_cast<GenericOp>(h->ops[slot])(h, a1, a2, a3, a4, a5, a6, a7, a8); \
    }

// One slot and one failure result make one function, whatever the family.
#define CR_ALIAS(name, target) \
    extern "C" CR_EXPORT int name(CR_OP_PARAMS) __attribute__((alias(#target)));

extern "C" CR_EXPORT EngineHandle* crSingleviewCreate(int type) { return crCreateFromFactory(type, 0, 0); }
extern "C" CR_EXPORT EngineHandle* crMultiviewCreate(int type) { return crCreateFromFactory(type, 2, 1); }

CR_DISPATCHER(crSingleviewInit, 1, -1)
CR_DISPATCHER(crSingleviewApply, 2, -1)
CR_DISPATCHER(crSingleviewGetLUTLen, 3, -1)
CR_DISPATCHER(crSingleviewGetLUT, 4, -1)
CR_DISPATCHER(crSingleviewSaveLUT, 5, -1)
CR_DISPATCHER(crSingleviewGetFOV, 6, 0)
CR_DISPATCHER(crSingleviewGetMaskLen, 7, -1)
CR_DISPATCHER(crSingleviewGetMask, 8, -1)
CR_DISPATCHER(crSingleviewSetImage, 9, -1)
CR_DISPATCHER(crSingleviewSetOverlay, 10, -1)
CR_DISPATCHER(crSingleviewSaveImage, 11, -1)
CR_DISPATCHER(crMultiviewGetMaskLen, 6, -1)

CR_ALIAS(crMultiviewInit, crSingleviewInit)
CR_ALIAS(crMultiviewApply, crSingleviewApply)
CR_ALIAS(crMultiviewGetLUTLen, crSingleviewGetLUTLen)
CR_ALIAS(crMultiviewGetLUT, crSingleviewGetLUT)
CR_ALIAS(crMultiviewSaveLUT, crSingleviewSaveLUT)
CR_ALIAS(crMultiviewGetMask, crSingleviewGetMaskLen)
CR_ALIAS(crMultiviewSetImage, crSingleviewGetMask)
CR_ALIAS(crMultiviewSaveImage, crSingleviewSetImage)
CR_ALIAS(crMultiviewAdjustCameraPose, crSingleviewSetOverlay)

extern "C" CR_EXPORT int crSingleviewRelease(EngineHandle** handle) {
    return crReleaseThroughTable(handle, kSingleRelease);
}
extern "C" CR_EXPORT int crMultiviewRelease(EngineHandle** handle) {
    return crReleaseThroughTable(handle, kMultiRelease);
}
