// Engine dispatch: the factory's type checks, the failure results of missing
// handles, tables, slots and states, and Release nulling the caller's variable.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "camrig.h"
#include "engines/engines.h"

namespace {

TEST(EngineFactory, AcceptsOnlyKnownTypes) {
    EXPECT_EQ(crSingleviewCreate(1), nullptr);
    EXPECT_EQ(crSingleviewCreate(-1), nullptr);
    EXPECT_EQ(crMultiviewCreate(3), nullptr);
    EXPECT_EQ(crMultiviewCreate(-1), nullptr);

    const CrEngineSlot* expected[] = {kTopviewOps, kBowlviewOps1, kBowlviewOps2};
    for (int type = 0; type <= 2; ++type) {
        EngineHandle* h = crMultiviewCreate(type);
        ASSERT_NE(h, nullptr) << type;
        EXPECT_EQ(h->ops, expected[type]);
        EXPECT_NE(h->state, nullptr);
        EXPECT_EQ(crMultiviewRelease(&h), 0);
        EXPECT_EQ(h, nullptr);
    }
    EngineHandle* single = crSingleviewCreate(0);
    ASSERT_NE(single, nullptr);
    EXPECT_EQ(single->ops, kSingleviewOps);
    EXPECT_EQ(crSingleviewRelease(&single), 0);
    EXPECT_EQ(single, nullptr);
}

TEST(EngineDispatch, NullHandleGivesEachExportsFailureResult) {
    float h = 0, v = 0;
    int len = 0;
    EXPECT_EQ(crSingleviewInit(nullptr, nullptr), -1);
    EXPECT_EQ(crSingleviewApply(nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(crSingleviewGetLUTLen(nullptr, &len), -1);
    EXPECT_EQ(crSingleviewGetLUT(nullptr, nullptr, 0), -1);
    EXPECT_EQ(crSingleviewSaveLUT(nullptr, "x"), -1);
    EXPECT_EQ(crSingleviewGetFOV(nullptr, &h, &v), 0);
    EXPECT_EQ(crSingleviewGetMaskLen(nullptr, &len, 800), -1);
    EXPECT_EQ(crSingleviewGetMask(nullptr, nullptr, 0), -1);
    EXPECT_EQ(crSingleviewSetImage(nullptr, 1, 1, nullptr, 0), -1);
    EXPECT_EQ(crSingleviewSetOverlay(nullptr, 1, 1, nullptr), -1);
    EXPECT_EQ(crSingleviewSaveImage(nullptr, "x"), -1);
    EXPECT_EQ(crMultiviewInit(nullptr, nullptr), -1);
    EXPECT_EQ(crMultiviewApply(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(crMultiviewGetLUTLen(nullptr, &len), -1);
    EXPECT_EQ(crMultiviewGetLUT(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(crMultiviewSaveLUT(nullptr, "x", 0), -1);
    EXPECT_EQ(crMultiviewGetMaskLen(nullptr, &len, 0), -1);
    EXPECT_EQ(crMultiviewGetMask(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(crMultiviewSetImage(nullptr, 1, 1, nullptr, 6, 0, 0, 1, 1), -1);
    EXPECT_EQ(crMultiviewSaveImage(nullptr, "x"), -1);
    EXPECT_EQ(crMultiviewAdjustCameraPose(nullptr, nullptr, nullptr, 0), -1);
    EXPECT_EQ(crSingleviewRelease(nullptr), 0);
    EXPECT_EQ(crMultiviewRelease(nullptr), 0);
    EngineHandle* none = nullptr;
    EXPECT_EQ(crSingleviewRelease(&none), 0);
    EXPECT_EQ(crMultiviewRelease(&none), 0);
}

// A table of its own lets the test see which slot a dispatcher reaches and
// what arguments arrive there.
int gLastSlot = -1;
uintptr_t gArgs[8];

template <int Slot>
int crRecordingSlot(EngineHandle*, uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4, uintptr_t a5,
                    uintptr_t a6, uintptr_t a7, uintptr_t a8) {
    gLastSlot = Slot;
    const uintptr_t args[8] = {a1, a2, a3, a4, a5, a6, a7, a8};
    std::copy(args, args + 8, gArgs);
    return 100 + Slot;
}

const CrEngineSlot kRecordingOps[kSingleSlotCount] = {
    nullptr, crSlot(&crRecordingSlot<1>), crSlot(&crRecordingSlot<2>), crSlot(&crRecordingSlot<3>),
    crSlot(&crRecordingSlot<4>), crSlot(&crRecordingSlot<5>), crSlot(&crRecordingSlot<6>),
    crSlot(&crRecordingSlot<7>), crSlot(&crRecordingSlot<8>), crSlot(&crRecordingSlot<9>),
    crSlot(&crRecordingSlot<10>), crSlot(&crRecordingSlot<11>), nullptr,
};

TEST(EngineDispatch, ForwardsArgumentsUnchangedToTheSlot) {
    EngineHandle h{kRecordingOps, nullptr};
    unsigned char pixels[4] = {};
    EXPECT_EQ(crMultiviewSetImage(&h, 640, -480, pixels, 0x00CC0020, -7, 9, 320, 240), 108);
    EXPECT_EQ(gLastSlot, 8);
    EXPECT_EQ(gArgs[0], 640u);
    EXPECT_EQ(static_cast<int>(gArgs[1]), -480);
    EXPECT_EQ(gArgs[2], reinterpret_cast<uintptr_t>(pixels));
    EXPECT_EQ(gArgs[3], 0x00CC0020u);
    EXPECT_EQ(static_cast<int>(gArgs[4]), -7);
    EXPECT_EQ(gArgs[5], 9u);
    EXPECT_EQ(gArgs[6], 320u);
    EXPECT_EQ(gArgs[7], 240u);

    float fh, fv;
    EXPECT_EQ(crSingleviewGetFOV(&h, &fh, &fv), 106);
    EXPECT_EQ(gArgs[0], reinterpret_cast<uintptr_t>(&fh));
    EXPECT_EQ(gArgs[1], reinterpret_cast<uintptr_t>(&fv));
    EXPECT_EQ(crMultiviewGetMaskLen(nullptr, nullptr, 0), -1);
    EXPECT_EQ(crMultiviewGetMaskLen(&h, nullptr, 3), 106);
    EXPECT_EQ(crMultiviewAdjustCameraPose(&h, nullptr, nullptr, 2), 110);
    EXPECT_EQ(crSingleviewSaveImage(&h, "p"), 111);
}

TEST(EngineDispatch, MissingTableSlotOrStateFails) {
    const CrEngineSlot emptyOps[kSingleSlotCount] = {};
    EngineHandle noTable{nullptr, nullptr};
    EngineHandle noSlots{emptyOps, nullptr};
    float fh, fv;
    EXPECT_EQ(crSingleviewInit(&noTable, nullptr), -1);
    EXPECT_EQ(crSingleviewGetFOV(&noTable, &fh, &fv), 0);
    EXPECT_EQ(crSingleviewInit(&noSlots, nullptr), -1);
    EXPECT_EQ(crSingleviewGetFOV(&noSlots, &fh, &fv), 0);

    EngineHandle* table = &noTable;
    EXPECT_EQ(crSingleviewRelease(&table), -1);
    EXPECT_EQ(table, &noTable);
    EngineHandle* slots = &noSlots;
    EXPECT_EQ(crMultiviewRelease(&slots), -1);
    EXPECT_EQ(slots, &noSlots);

    EngineHandle* multi = crMultiviewCreate(0);  // the single-view Release slot lies past the multi-view ops
    EXPECT_EQ(crSingleviewRelease(&multi), -1);
    EXPECT_EQ(crMultiviewRelease(&multi), 0);
}

TEST(EngineDispatch, HandleWithoutStateAnswersMinusOneAndReleases) {
    const CrEngineSlot* tables[] = {kSingleviewOps, kTopviewOps, kBowlviewOps1, kBowlviewOps2};
    for (const CrEngineSlot* ops : tables) {
        auto* h = static_cast<EngineHandle*>(std::malloc(sizeof(EngineHandle)));
        *h = EngineHandle{ops, nullptr};
        float fh, fv;
        EXPECT_EQ(crSingleviewInit(h, nullptr), -1);
        EXPECT_EQ(crMultiviewGetLUTLen(h, nullptr), -1);
        if (ops == kSingleviewOps) {
            EXPECT_EQ(crSingleviewGetFOV(h, &fh, &fv), -1);
        }
        EXPECT_EQ(ops == kSingleviewOps ? crSingleviewRelease(&h) : crMultiviewRelease(&h), 0);
        EXPECT_EQ(h, nullptr);
    }
}

#ifndef CAMRIG_SHARED_LIBRARY
#define CAMRIG_SHARED_LIBRARY "libcamrig.so"
#endif

// Exports that share a slot and a failure result are one function under two
// names in the shared library.
TEST(SharedLibrary, AliasPairsResolveToOneAddress) {
    void* lib = dlopen(CAMRIG_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    const char* pairs[][2] = {
        {"crSingleviewInit", "crMultiviewInit"},         {"crSingleviewApply", "crMultiviewApply"},
        {"crSingleviewGetLUTLen", "crMultiviewGetLUTLen"}, {"crSingleviewGetLUT", "crMultiviewGetLUT"},
        {"crSingleviewGetMaskLen", "crMultiviewGetMask"}, {"crSingleviewGetMask", "crMultiviewSetImage"},
        {"crSingleviewSetImage", "crMultiviewSaveImage"},
    };
    for (auto& pair : pairs) {
        void* a = dlsym(lib, pair[0]);
        void* b = dlsym(lib, pair[1]);
        ASSERT_NE(a, nullptr) << pair[0];
        EXPECT_EQ(a, b) << pair[0] << " / " << pair[1];
    }
    EXPECT_NE(dlsym(lib, "crSingleviewGetFOV"), dlsym(lib, "crMultiviewGetMaskLen"));
    EXPECT_EQ(dlsym(lib, "crMakeBinMaskRGB16Len"), dlsym(lib, "crMakeBinMaskYCbCrLen"));
    EXPECT_EQ(dlsym(lib, "crPythag"), nullptr);  // internal functions stay hidden
    dlclose(lib);
}

}  // namespace
