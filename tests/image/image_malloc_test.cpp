// Allocation behaviour: all-or-nothing pictures, cleared LUT rows, the
// temporary LUT of resizing, and no allocation at all on the remap path.
#include <gtest/gtest.h>

#include "remap_support.h"
#include "support/counting_malloc.h"

namespace {

TEST(ImageAllocation, EveryFailedStepOfCreateImageLeavesNothingLive) {
    for (long failAt = 0; failAt < 5; ++failAt) {  // record, pointer block, three rows
        CrAllocationCounter counter;
        crTestFailAllocationAfter(failAt);
        Image* img = crCreateImage(3, 4, 3);
        crTestFailAllocationAfter(-1);
        const long live = counter.live();
        EXPECT_EQ(img, nullptr) << failAt;
        EXPECT_EQ(live, 0) << failAt;
    }
}

TEST(ImageAllocation, RemapAllocatesNothingAndResizeFreesItsLut) {
    TestImage src(3, 16, 16), dst(3, 8, 8);
    TestLut lut(8, 8);
    EXPECT_EQ(lut.rows[7][15], 0.0f);  // LUT rows start cleared
    const unsigned char fill[3] = {1, 2, 3};
    CrAllocationCounter counter;
    for (int flags = 0; flags < 4; ++flags) {
        crRemap(src, dst, lut, flags, fill);
        crRemapAlpha(src, dst, lut, flags, fill);
    }
    EXPECT_EQ(counter.count(), 0u);

    crResizeImage(src, dst, 1);
    EXPECT_EQ(counter.count(), 9u);  // pointer block and eight rows
    EXPECT_EQ(counter.live(), 0);
}

TEST(ImageAllocation, FailuresLeaveOutputsUntouched) {
    TestImage src(1, 4, 4), dst(1, 8, 2);
    dst->data[0][0] = 0xAA;
    crTestFailAllocationAfter(1);  // the resize LUT's first row
    crResizeImage(src, dst, 1);
    crTestFailAllocationAfter(-1);
    EXPECT_EQ(dst->data[0][0], 0xAA);

    int size = -7;
    crTestFailAllocationAfter(0);
    EXPECT_EQ(crImageToBmp(dst, &size), nullptr);
    crTestFailAllocationAfter(-1);
    EXPECT_EQ(size, -7);
}

}  // namespace
