// Allocation behaviour of pictures, resizing, BMP encoding and remapping:
// all-or-nothing construction, nothing left behind, and no allocation at all
// on the per-frame remap path.
#include <gtest/gtest.h>

#include <cstdlib>

#include "image/image.h"
#include "support/counting_malloc.h"

namespace {

TEST(CreateImageAllocation, EveryFailureLeavesNothingLive) {
    // Record, pointer block and three rows.
    for (long failAt = 0; failAt < 5; ++failAt) {
        CrAllocationCounter counter;
        crTestFailAllocationAfter(failAt);
        Image* img = crCreateImage(3, 4, 3);
        crTestFailAllocationAfter(-1);
        const long live = counter.live();
        EXPECT_EQ(img, nullptr) << failAt;
        EXPECT_EQ(live, 0) << failAt;
    }
    CrAllocationCounter counter;
    Image* img = crCreateImage(3, 4, 3);
    const size_t allocations = counter.count();
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(allocations, 5u);
    crReleaseImage(&img);
    EXPECT_EQ(counter.live(), 0);
}

TEST(RemapAllocation, NoSamplerAllocates) {
    Image* src = crCreateImage(3, 16, 16);
    Image* dst = crCreateImage(3, 8, 8);
    float** lut = crAllocLut(8, 8);
    crClearRows(src->data, src->height, src->stride);
    const unsigned char fill[3] = {1, 2, 3};
    CrAllocationCounter counter;
    for (int flags = 0; flags < 4; ++flags) {
        crRemap(src, dst, lut, flags, fill);
        crRemapAlpha(src, dst, lut, flags, fill);
    }
    EXPECT_EQ(counter.count(), 0u);
    crFreeLut(lut, 8);
    crReleaseImage(&dst);
    crReleaseImage(&src);
}

TEST(ResizeAllocation, TemporaryLutIsFreedAndFailureLeavesDestinationAlone) {
    Image* src = crCreateImage(1, 4, 4);
    Image* dst = crCreateImage(1, 8, 2);
    crClearRows(src->data, src->height, src->stride);
    for (int r = 0; r < 2; ++r) dst->data[r][0] = 0xAA;
    {
        CrAllocationCounter counter;
        crTestFailAllocationAfter(1);  // the LUT's first row
        crResizeImage(src, dst, 1);
        crTestFailAllocationAfter(-1);
        EXPECT_EQ(counter.live(), 0);
        EXPECT_EQ(dst->data[0][0], 0xAA);
    }
    CrAllocationCounter counter;
    crResizeImage(src, dst, 1);
    EXPECT_EQ(counter.count(), 3u);  // pointer block and two rows
    EXPECT_EQ(counter.live(), 0);
    EXPECT_EQ(dst->data[0][0], 0);
    crReleaseImage(&dst);
    crReleaseImage(&src);
}

TEST(BmpAllocation, FailureReturnsNullAndLeavesSizeUntouched) {
    Image* img = crCreateImage(3, 2, 2);
    int size = -7;
    crTestFailAllocationAfter(0);
    unsigned char* bytes = crImageToBmp(img, &size);
    crTestFailAllocationAfter(-1);
    EXPECT_EQ(bytes, nullptr);
    EXPECT_EQ(size, -7);
    crReleaseImage(&img);
}

}  // namespace
