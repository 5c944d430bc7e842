// Single-view engine under the counting allocator: Apply allocates nothing,
// and a failed allocation anywhere in a session leaks nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "singleview_support.h"
#include "support/counting_malloc.h"

namespace {

// Every operation that allocates. The test's own buffers are made up front,
// so that only the engine meets injected failures.
struct Session {
    SingleviewRig rig;
    std::string path = ::testing::TempDir() + "camrig_singleview_malloc.out";
    PackedPicture picture{20, 10, 90};
    PackedPicture overlay{8, 8};
    PackedPicture frame = crTestFrame(rig.cam);
    PackedPicture out{rig.view.outWidth, rig.view.outHeight};
    std::vector<unsigned char> table = std::vector<unsigned char>(4 * out.width * out.height);

    explicit Session(uint32_t flags) {
        rig.view.flags = flags;
        overlay.set(3, 3, 1, 2, 3);
    }
    ~Session() { std::remove(path.c_str()); }

    void run() {
        EngineHandle* h = crSingleviewCreate(0);
        crSingleviewSetImage(h, 20, 10, picture.bytes.data(), 0);
        crSingleviewSetOverlay(h, 8, 8, overlay.bytes.data());
        crSingleviewInit(h, &rig.view);
        crSingleviewApply(h, frame.bytes.data(), out.bytes.data());
        int len = 0;
        crSingleviewGetLUTLen(h, &len);
        crSingleviewGetLUT(h, table.data(), len);
        crSingleviewGetMaskLen(h, &len, 800);
        crSingleviewSaveLUT(h, path.c_str());
        crSingleviewSaveImage(h, path.c_str());
        crSingleviewRelease(&h);
    }
};

TEST(SingleviewAllocation, ApplyAllocatesNothing) {
    SingleviewRig rig;
    rig.view.flags = CR_VIEW_LENS | CR_VIEW_OVERLAY | CR_VIEW_BICUBIC;
    EngineHandle* h = crSingleviewCreate(0);
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    PackedPicture frame = crTestFrame(rig.cam);
    PackedPicture out(rig.view.outWidth, rig.view.outHeight);
    CrAllocationCounter counter;
    for (int i = 0; i < 3; ++i) crSingleviewApply(h, frame.bytes.data(), out.bytes.data());
    EXPECT_EQ(counter.count(), 0u);
    crSingleviewRelease(&h);
}

TEST(SingleviewAllocation, EveryFailedAllocationLeavesNothingLive) {
    Session session(CR_VIEW_LENS | CR_VIEW_BICUBIC);
    CrAllocationCounter full;
    session.run();
    const size_t allocations = full.count();
    ASSERT_GT(allocations, 20u);
    for (size_t n = 0; n < allocations; ++n) {
        CrAllocationCounter counter;
        crTestFailAllocationAfter(static_cast<long>(n));
        session.run();
        crTestFailAllocationAfter(-1);
        EXPECT_EQ(counter.live(), 0) << "allocation " << n << " failed";
    }
}

}  // namespace
