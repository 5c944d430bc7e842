// Engine dispatch: the factory's type checks, the failure results of missing
// handles, tables, entries and states, and Release nulling the caller's variable.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <vector>

#include "camrig.h"
#include "engines/engines.h"

namespace {

TEST(EngineFactory, AcceptsOnlyKnownTypes) {
    EXPECT_EQ(crSingleviewCreate(1), nullptr);
    EXPECT_EQ(crSingleviewCreate(-1), nullptr);
    EXPECT_EQ(crMultiviewCreate(3), nullptr);
    EXPECT_EQ(crMultiviewCreate(-1), nullptr);

    const CrEngineOps* expected[] = {&kTopviewOps, &kBowlviewOps1, &kBowlviewOps2};
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
    EXPECT_EQ(single->ops, &kSingleviewOps);
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

// Tables of their own let the test see which entry a dispatcher reaches and
// what arguments arrive there, each typed as the entry declares it.
int gLastEntry = -1;
std::vector<uintptr_t> gArgs;

// An argument as the dispatcher received it: a pointer's address, an integer's bits.
template <typename T> uintptr_t crBits(T v) { return uintptr_t(v); }

template <int Entry, typename... P> int crRecord(EngineHandle*, P... args) {
    gLastEntry = Entry;
    gArgs = {crBits(args)...};
    return 100 + Entry;
}

const CrSingleviewOps kRecordingSingle = {
    {CrEngineFamily::kSingleview},
    nullptr,
    &crRecord<1>,
    &crRecord<2>,
    &crRecord<3>,
    &crRecord<4>,
    &crRecord<5>,
    &crRecord<6>,
    &crRecord<7>,
    &crRecord<8>,
    &crRecord<9>,
    &crRecord<10>,
    &crRecord<11>,
    nullptr,
};
const CrMultiviewOps kRecordingMulti = {
    {CrEngineFamily::kMultiview},
    nullptr,
    &crRecord<1>,
    &crRecord<2>,
    &crRecord<3>,
    &crRecord<4>,
    &crRecord<5>,
    &crRecord<6>,
    &crRecord<7>,
    &crRecord<8>,
    &crRecord<9>,
    &crRecord<10>,
    nullptr,
};

using Args = std::vector<uintptr_t>;
uintptr_t crAddr(const void* p) { return reinterpret_cast<uintptr_t>(p); }

TEST(EngineDispatch, CallsTheEntryOfItsIndexWithItsArgumentTypes) {
    EngineHandle single{&kRecordingSingle, nullptr};
    EngineHandle multi{&kRecordingMulti, nullptr};
    unsigned char pixels[4] = {};
    float fh, fv;
    EXPECT_EQ(crMultiviewSetImage(&multi, 640, -480, pixels, 0x00CC0020, -7, 9, 320, 240), 108);
    EXPECT_EQ(gArgs, (Args{640u, static_cast<uintptr_t>(-480), crAddr(pixels), 0x00CC0020u, static_cast<uintptr_t>(-7),
                           9u, 320u, 240u}));
    EXPECT_EQ(crSingleviewGetFOV(&single, &fh, &fv), 106);
    EXPECT_EQ(gArgs, (Args{crAddr(&fh), crAddr(&fv)}));
    EXPECT_EQ(crMultiviewAdjustCameraPose(&multi, nullptr, &fh, 2), 110);
    EXPECT_EQ(gArgs, (Args{0u, crAddr(&fh), 2u}));
    EXPECT_EQ(crSingleviewSaveImage(&single, "p"), 111);

    // The other family's dispatcher reaches the entry of the same index in the
    // handle's own table, its arguments converted to that entry's types.
    EXPECT_EQ(crSingleviewGetFOV(&multi, &fh, &fv), 106);  // multi-view GetMaskLen (int*, int)
    EXPECT_EQ(gArgs, (Args{crAddr(&fh), static_cast<uintptr_t>(static_cast<int>(crAddr(&fv)))}));
    EXPECT_EQ(crMultiviewGetMaskLen(&single, nullptr, 3), 106);  // single-view GetFOV (float*, float*)
    EXPECT_EQ(gArgs, (Args{0u, 3u}));
    EXPECT_EQ(crMultiviewSetImage(&single, 640, -480, pixels, 7, 1, 2, 3, 4), 108);  // GetMask (uchar*, int)
    EXPECT_EQ(gArgs, (Args{640u, static_cast<uintptr_t>(-480)}));
    EXPECT_EQ(crMultiviewAdjustCameraPose(&single, nullptr, nullptr, 1), 110);  // SetOverlay
    EXPECT_EQ(gLastEntry, 10);
    // Entry 11 of a multi-view table is its Release, which no generic dispatcher serves.
    gLastEntry = -1;
    EXPECT_EQ(crSingleviewSaveImage(&multi, "p"), -1);
    EXPECT_EQ(gLastEntry, -1);
    EXPECT_EQ(crMultiviewGetMaskLen(nullptr, nullptr, 0), -1);
}

TEST(EngineDispatch, MissingTableEntryOrStateFails) {
    CrSingleviewOps emptySingle{};
    CrMultiviewOps emptyMulti{};
    emptySingle.family = CrEngineFamily::kSingleview, emptyMulti.family = CrEngineFamily::kMultiview;
    EngineHandle noTable{nullptr, nullptr};
    EngineHandle noEntries{&emptySingle, nullptr};
    EngineHandle noMultiEntries{&emptyMulti, nullptr};
    float fh, fv;
    EXPECT_EQ(crSingleviewInit(&noTable, nullptr), -1);
    EXPECT_EQ(crSingleviewGetFOV(&noTable, &fh, &fv), 0);
    EXPECT_EQ(crSingleviewInit(&noEntries, nullptr), -1);
    EXPECT_EQ(crSingleviewGetFOV(&noEntries, &fh, &fv), 0);

    EngineHandle* table = &noTable;
    EXPECT_EQ(crSingleviewRelease(&table), -1);
    EXPECT_EQ(table, &noTable);
    EngineHandle* empty = &noEntries;
    EXPECT_EQ(crSingleviewRelease(&empty), -1);
    EXPECT_EQ(crMultiviewRelease(&empty), -1);
    EXPECT_EQ(empty, &noEntries);
    EXPECT_EQ(crMultiviewSetImage(&noMultiEntries, 1, 1, nullptr, 6, 0, 0, 1, 1), -1);
    empty = &noMultiEntries;
    EXPECT_EQ(crMultiviewRelease(&empty), -1);

    EngineHandle* multi = crMultiviewCreate(0);  // entry 12 lies past the multi-view ops
    EXPECT_EQ(crSingleviewRelease(&multi), -1);
    EXPECT_EQ(crMultiviewRelease(&multi), 0);
    EngineHandle* single = crSingleviewCreate(0);  // entry 11 of the single-view ops is SaveImage
    EXPECT_EQ(crMultiviewRelease(&single), -1);
    EXPECT_EQ(crSingleviewRelease(&single), 0);
}

TEST(EngineDispatch, HandleWithoutStateAnswersMinusOneAndReleases) {
    const CrEngineOps* tables[] = {&kSingleviewOps, &kTopviewOps, &kBowlviewOps1, &kBowlviewOps2};
    for (const CrEngineOps* ops : tables) {
        auto* h = static_cast<EngineHandle*>(std::malloc(sizeof(EngineHandle)));
        *h = EngineHandle{ops, nullptr};
        float fh, fv;
        EXPECT_EQ(crSingleviewInit(h, nullptr), -1);
        EXPECT_EQ(crMultiviewGetLUTLen(h, nullptr), -1);
        if (ops == &kSingleviewOps) {
            EXPECT_EQ(crSingleviewGetFOV(h, &fh, &fv), -1);
        }
        EXPECT_EQ(ops == &kSingleviewOps ? crSingleviewRelease(&h) : crMultiviewRelease(&h), 0);
        EXPECT_EQ(h, nullptr);
    }
}

#ifndef CAMRIG_SHARED_LIBRARY
#define CAMRIG_SHARED_LIBRARY "libcamrig.so"
#endif

// Exports that share an entry and a failure result are one function under two
// names in the shared library.
TEST(SharedLibrary, AliasPairsResolveToOneAddress) {
    void* lib = dlopen(CAMRIG_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    const char* pairs[][2] = {
        {"crSingleviewInit", "crMultiviewInit"},           {"crSingleviewApply", "crMultiviewApply"},
        {"crSingleviewGetLUTLen", "crMultiviewGetLUTLen"}, {"crSingleviewGetLUT", "crMultiviewGetLUT"},
        {"crSingleviewGetMaskLen", "crMultiviewGetMask"},  {"crSingleviewGetMask", "crMultiviewSetImage"},
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
