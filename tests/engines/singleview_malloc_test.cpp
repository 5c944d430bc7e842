// Single view under the counting allocator: Apply allocates nothing; a failed allocation anywhere leaks nothing.
#include "singleview_support.h"
#include "support/counting_malloc.h"

TEST(SingleviewAllocation, ApplyAllocatesNothing) {
    SingleviewRig rig(CR_VIEW_LENS | CR_VIEW_OVERLAY | CR_VIEW_BICUBIC);
    EngineHandle* h = crSingleviewCreate(0);
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    CrAllocationCounter counter;
    for (int i = 0; i < 3; ++i) crSingleviewApply(h, rig.frame.bytes.data(), rig.out.bytes.data());
    EXPECT_EQ(counter.count(), 0u);
    crSingleviewRelease(&h);
}

TEST(SingleviewAllocation, EveryFailedAllocationLeavesNothingLive) {
    SingleviewRig rig(CR_VIEW_LENS | CR_VIEW_BICUBIC);
    CrAllocationCounter full;
    rig.runSession();
    const size_t allocations = full.count();
    ASSERT_GT(allocations, 20u);
    for (size_t n = 0; n < allocations; ++n) {
        CrAllocationCounter counter;
        crTestFailAllocationAfter(static_cast<long>(n)), rig.runSession(), crTestFailAllocationAfter(-1);
        EXPECT_EQ(counter.live(), 0) << "allocation " << n << " failed";
    }
}
