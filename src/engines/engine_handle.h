// The engine handle and the operation tables behind it.
//
// This header deliberately does not include camrig.h: the dispatchers are
// defined with one generic signature for all slots, which must not meet the
// typed prototypes of the public header in the same translation unit.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <new>

struct EngineHandle;

// A slot of an operation table. Slots are stored untyped and called through
// the generic forwarding signature below; every engine operation takes only
// pointer-sized or integer arguments (never a float by value), so forwarding
// them as integers preserves them on every supported calling convention.
using CrEngineSlot = void (*)();
using CrEngineCreate = EngineHandle* (*)(int type);
using CrEngineRelease = int (*)(EngineHandle** handle);

struct EngineHandle {
    const CrEngineSlot* ops;  // static table of the engine type, never owned
    void* state;              // owned; null when it could not be allocated
};

enum CrSingleviewSlot {
    kSingleCreate, kSingleInit, kSingleApply, kSingleGetLUTLen, kSingleGetLUT, kSingleSaveLUT,
    kSingleGetFOV, kSingleGetMaskLen, kSingleGetMask, kSingleSetImage, kSingleSetOverlay,
    kSingleSaveImage, kSingleRelease, kSingleSlotCount
};

enum CrMultiviewSlot {
    kMultiCreate, kMultiInit, kMultiApply, kMultiGetLUTLen, kMultiGetLUT, kMultiSaveLUT,
    kMultiGetMaskLen, kMultiGetMask, kMultiSetImage, kMultiSaveImage, kMultiAdjustCameraPose,
    kMultiRelease, kMultiSlotCount
};

// Every table has room for the longer family's slots, so a handle passed to
// the other family's dispatcher meets an empty slot rather than the end of
// its table.
constexpr int kEngineTableSize = kSingleSlotCount;

// Stores a typed operation in an untyped table slot.
template <typename Fn>
constexpr CrEngineSlot crSlot(Fn fn) {
    return reinterpret_cast<CrEngineSlot>(fn);
}

// The state block of a handle, or null when the handle has none.
template <typename State>
State* crEngineState(EngineHandle* h) {
    return static_cast<State*>(h->state);
}

// Create operation shared by every engine type: the handle comes from malloc,
// the state from operator new; a state that cannot be allocated leaves a
// handle whose every operation answers -1. The handle holds the state as a
// pointer to `Stored`, the state itself or a base class of it.
template <typename State, typename Stored = State>
EngineHandle* crCreateEngine(const CrEngineSlot* ops) {
    auto* h = static_cast<EngineHandle*>(std::malloc(sizeof(EngineHandle)));
    if (!h) return nullptr;
    h->ops = ops;
    h->state = nullptr;
    Stored* state = new (std::nothrow) State();
    h->state = state;
    return h;
}

// Release operation shared by every engine type: the state's destructor frees
// the buffers it owns; the caller's variable is nulled. `State` is the type
// the handle stores (a base class with a virtual destructor for the
// multi-view engines).
template <typename State>
int crReleaseEngine(EngineHandle** handle) {
    if (!handle || !*handle) return 0;
    delete static_cast<State*>((*handle)->state);
    std::free(*handle);
    *handle = nullptr;
    return 0;
}
