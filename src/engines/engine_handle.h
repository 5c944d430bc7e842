// The engine handle and the operation tables behind it.
//
// This header deliberately does not include camrig.h: the dispatchers are
// defined with one generic signature for all entries, which must not meet the
// typed prototypes of the public header in the same translation unit.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <new>

struct EngineHandle;
struct ViewParam;
struct MultiviewParam;

// Entry order of the two families' tables; the dispatchers index it.
enum CrSingleviewEntry {
    kSingleCreate,
    kSingleInit,
    kSingleApply,
    kSingleGetLUTLen,
    kSingleGetLUT,
    kSingleSaveLUT,
    kSingleGetFOV,
    kSingleGetMaskLen,
    kSingleGetMask,
    kSingleSetImage,
    kSingleSetOverlay,
    kSingleSaveImage,
    kSingleRelease,
    kSingleEntryCount
};

enum CrMultiviewEntry {
    kMultiCreate,
    kMultiInit,
    kMultiApply,
    kMultiGetLUTLen,
    kMultiGetLUT,
    kMultiSaveLUT,
    kMultiGetMaskLen,
    kMultiGetMask,
    kMultiSetImage,
    kMultiSaveImage,
    kMultiAdjustCameraPose,
    kMultiRelease,
    kMultiEntryCount
};

// An operation table starts with the family it belongs to, so that a
// dispatcher can call each entry through its own type.
enum class CrEngineFamily { kSingleview, kMultiview };

struct CrEngineOps {
    CrEngineFamily family;
};

using CrEngineCreate = EngineHandle* (*)(int type);
using CrEngineRelease = int (*)(EngineHandle** handle);

struct CrSingleviewOps : CrEngineOps {
    CrEngineCreate create;
    int (*init)(EngineHandle*, ViewParam*);
    int (*apply)(EngineHandle*, const unsigned char*, unsigned char*);
    int (*getLUTLen)(EngineHandle*, int*);
    int (*getLUT)(EngineHandle*, unsigned char*, int);
    int (*saveLUT)(EngineHandle*, const char*);
    int (*getFOV)(EngineHandle*, float*, float*);
    int (*getMaskLen)(EngineHandle*, int*, int);
    int (*getMask)(EngineHandle*, unsigned char*, int);
    int (*setImage)(EngineHandle*, int, int, const unsigned char*, int);
    int (*setOverlay)(EngineHandle*, int, int, const unsigned char*);
    int (*saveImage)(EngineHandle*, const char*);
    CrEngineRelease release;
};

struct CrMultiviewOps : CrEngineOps {
    CrEngineCreate create;
    int (*init)(EngineHandle*, const MultiviewParam*);
    int (*apply)(EngineHandle*, const unsigned char*, const unsigned char*, const unsigned char*, const unsigned char*,
                 unsigned char*);
    int (*getLUTLen)(EngineHandle*, int*);
    int (*getLUT)(EngineHandle*, unsigned char*, int, int);
    int (*saveLUT)(EngineHandle*, const char*, int);
    int (*getMaskLen)(EngineHandle*, int*, int);
    int (*getMask)(EngineHandle*, unsigned char*, int, int);
    int (*setImage)(EngineHandle*, int, int, const unsigned char*, int, int, int, int, int);
    int (*saveImage)(EngineHandle*, const char*);
    int (*adjustCameraPose)(EngineHandle*, const MultiviewParam*, const float*, int);
    CrEngineRelease release;
};

struct EngineHandle {
    const CrEngineOps* ops;  // static table of the engine type, never owned
    void* state;             // owned; null when it could not be allocated
};

// The state block of a handle, or null when the handle has none.
template <typename State> State* crEngineState(EngineHandle* h) { return static_cast<State*>(h->state); }

// Create operation shared by every engine type: the handle comes from malloc,
// the state from operator new; a state that cannot be allocated leaves a
// handle whose every operation answers -1. The handle holds the state as a
// pointer to `Stored`, the state itself or a base class of it.
template <typename State, typename Stored = State> EngineHandle* crCreateEngine(const CrEngineOps* ops) {
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
template <typename State> int crReleaseEngine(EngineHandle** handle) {
    if (!handle || !*handle) return 0;
    delete static_cast<State*>((*handle)->state);
    std::free(*handle);
    *handle = nullptr;
    return 0;
}
