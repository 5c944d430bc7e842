// Exported engine entry points: validate the handle, pick one entry of its
// operation table and call it through its own type, converting the caller's
// arguments to the entry's parameter types.
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

#include "engines.h"

#define CR_EXPORT __attribute__((visibility("default")))

// The dispatchers are defined once with a generic signature for two typed
// prototypes (one function under two names), so a call made to one through
// a typed function pointer cannot match its definition's type.
#if defined(__clang__)
#define CR_GENERIC_ENTRY __attribute__((no_sanitize("function")))
#else
#define CR_GENERIC_ENTRY
#endif

namespace {

// Index 0 serves crSingleviewCreate, index type + 1 serves crMultiviewCreate.
const CrEngineOps* const kEngineFactory[4] = {&kSingleviewOps, &kTopviewOps, &kBowlviewOps1, &kBowlviewOps2};

CrEngineCreate crCreateEntry(const CrEngineOps* ops) {
    if (!ops) return nullptr;
    return ops->family == CrEngineFamily::kSingleview ? static_cast<const CrSingleviewOps*>(ops)->create
                                                      : static_cast<const CrMultiviewOps*>(ops)->create;
}

EngineHandle* crCreateFromFactory(int type, unsigned highestType, int factoryOffset) {
    if (static_cast<unsigned>(type) > highestType) return nullptr;
    const CrEngineCreate create = crCreateEntry(kEngineFactory[type + factoryOffset]);
    return create ? create(type) : nullptr;
}

// Entry index -> member, per family; create and Release are reached only
// through their own exports.
constexpr auto kSingleviewEntries = std::make_tuple(
    nullptr, &CrSingleviewOps::init, &CrSingleviewOps::apply, &CrSingleviewOps::getLUTLen, &CrSingleviewOps::getLUT,
    &CrSingleviewOps::saveLUT, &CrSingleviewOps::getFOV, &CrSingleviewOps::getMaskLen, &CrSingleviewOps::getMask,
    &CrSingleviewOps::setImage, &CrSingleviewOps::setOverlay, &CrSingleviewOps::saveImage, nullptr);
constexpr auto kMultiviewEntries = std::make_tuple(
    nullptr, &CrMultiviewOps::init, &CrMultiviewOps::apply, &CrMultiviewOps::getLUTLen, &CrMultiviewOps::getLUT,
    &CrMultiviewOps::saveLUT, &CrMultiviewOps::getMaskLen, &CrMultiviewOps::getMask, &CrMultiviewOps::setImage,
    &CrMultiviewOps::saveImage, &CrMultiviewOps::adjustCameraPose, nullptr);
static_assert(std::tuple_size_v<decltype(kSingleviewEntries)> == kSingleEntryCount);
static_assert(std::tuple_size_v<decltype(kMultiviewEntries)> == kMultiEntryCount);

// A generic argument as the entry's parameter: pointers keep their address,
// integers their low bits.
template <typename P> P crArgAs(uintptr_t a) {
    if constexpr (std::is_pointer_v<P>)
        return reinterpret_cast<P>(a);  // NOLINT(performance-no-int-to-ptr): the caller's address
    else
        return static_cast<P>(a);
}

template <typename... P, size_t... I>
int crCallTyped(int (*fn)(EngineHandle*, P...), EngineHandle* h, const uintptr_t* args, std::index_sequence<I...>) {
    return fn(h, crArgAs<P>(args[I])...);
}

template <typename... P> int crCallTyped(int (*fn)(EngineHandle*, P...), EngineHandle* h, const uintptr_t* args) {
    static_assert(sizeof...(P) <= 8, "eight arguments at most follow the handle");
    return crCallTyped(fn, h, args, std::index_sequence_for<P...>{});
}

// Entry `Entry` of a family's table; an empty entry, or one that the generic
// arguments cannot serve (create and Release), counts as missing.
template <int Entry, typename Ops, typename Entries>
int crCallEntry(const Ops* ops, const Entries& entries, EngineHandle* h, const uintptr_t* args, int failure) {
    if constexpr (std::is_null_pointer_v<std::tuple_element_t<Entry, Entries>>) {
        return failure;
    } else {
        const auto fn = ops->*std::get<Entry>(entries);
        if (!fn) return failure;
        return crCallTyped(fn, h, args);
    }
}

template <int Entry> int crDispatch(EngineHandle* h, const uintptr_t* args, int failure) {
    if (!h || !h->ops) return failure;
    if (h->ops->family == CrEngineFamily::kSingleview)
        return crCallEntry<Entry>(static_cast<const CrSingleviewOps*>(h->ops), kSingleviewEntries, h, args, failure);
    return crCallEntry<Entry>(static_cast<const CrMultiviewOps*>(h->ops), kMultiviewEntries, h, args, failure);
}

template <int Entry> int crReleaseThroughTable(EngineHandle** handle) {
    if (!handle || !*handle) return 0;
    const CrEngineOps* ops = (*handle)->ops;
    if (!ops) return -1;
    CrEngineRelease release = nullptr;
    if (ops->family == CrEngineFamily::kSingleview && Entry == kSingleRelease)
        release = static_cast<const CrSingleviewOps*>(ops)->release;
    if (ops->family == CrEngineFamily::kMultiview && Entry == kMultiRelease)
        release = static_cast<const CrMultiviewOps*>(ops)->release;
    return release ? release(handle) : -1;
}

}  // namespace

// Up to eight arguments follow the handle (crMultiviewSetImage has the most).
#define CR_OP_PARAMS                                                                                                   \
    EngineHandle *h, uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4, uintptr_t a5, uintptr_t a6, uintptr_t a7, \
        uintptr_t a8

#define CR_DISPATCHER(name, entry, failure)                         \
    extern "C" CR_EXPORT CR_GENERIC_ENTRY int name(CR_OP_PARAMS) {  \
        const uintptr_t args[8] = {a1, a2, a3, a4, a5, a6, a7, a8}; \
        return crDispatch<entry>(h, args, failure);                 \
    }

// One entry and one failure result make one function, whatever the family.
#define CR_ALIAS(name, target) \
    extern "C" CR_EXPORT CR_GENERIC_ENTRY int name(CR_OP_PARAMS) __attribute__((alias(#target)));

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
    return crReleaseThroughTable<kSingleRelease>(handle);
}
extern "C" CR_EXPORT int crMultiviewRelease(EngineHandle** handle) {
    return crReleaseThroughTable<kMultiRelease>(handle);
}
