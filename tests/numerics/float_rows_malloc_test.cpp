// Row arrays and matrix records are all-or-nothing under injected allocation failures.
#include <gtest/gtest.h>

#include "numerics/numerics.h"
#include "support/counting_malloc.h"

TEST(FloatRows, FailingThirdRowReleasesEverythingObtained) {
    CrAllocationCounter counter;
    crTestFailAllocationAfter(3);  // pointer block, row 0 and row 1 succeed
    float** rows = crAllocFloatRows(4, 5);
    crTestFailAllocationAfter(-1);
    const size_t allocations = counter.count();
    const long live = counter.live();
    EXPECT_EQ(rows, nullptr);
    EXPECT_EQ(allocations, 3u);
    EXPECT_EQ(live, 0);
}

// Record, pointer block and three rows; at 5 nothing fails, and freeing leaves the caller's pointer alone.
TEST(MatrixRecord, EveryFailedAllocationLeavesNothingLive) {
    for (long failAt = 0; failAt <= 5; ++failAt) {
        CrAllocationCounter counter;
        crTestFailAllocationAfter(failAt);
        Matrix* m = crCreateMatrix(3, 2);
        crTestFailAllocationAfter(-1);
        const size_t allocations = counter.count();
        Matrix* const created = m;
        crFreeMatrix(&m);
        crFreeMatrix(nullptr);
        const long live = counter.live();
        EXPECT_EQ(created == nullptr, failAt < 5) << failAt;
        EXPECT_EQ(m, created) << failAt;
        EXPECT_EQ(allocations, static_cast<size_t>(failAt)) << failAt;
        EXPECT_EQ(live, 0) << failAt;
    }
}
