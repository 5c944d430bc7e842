// All-or-nothing allocation of float row arrays and matrices under injected
// allocation failures.
#include <gtest/gtest.h>

#include "numerics/numerics.h"
#include "support/counting_malloc.h"

namespace {

TEST(FloatRows, FailingThirdRowReleasesEverythingObtained) {
    crTestResetAllocations();
    crTestFailAllocationAfter(3);  // pointer block, row 0 and row 1 succeed
    float** rows = crAllocFloatRows(4, 5);
    crTestFailAllocationAfter(-1);
    const size_t allocations = crTestAllocations();
    const size_t releases = crTestReleases();
    EXPECT_EQ(rows, nullptr);
    EXPECT_EQ(allocations, 3u);
    EXPECT_EQ(releases, 3u);
}

TEST(FloatRows, FailingPointerBlockAllocatesNothing) {
    crTestResetAllocations();
    crTestFailAllocationAfter(0);
    float** rows = crAllocFloatRows(4, 5);
    crTestFailAllocationAfter(-1);
    EXPECT_EQ(rows, nullptr);
    EXPECT_EQ(crTestAllocations(), 0u);
}

TEST(FloatRows, SuccessAllocatesBlockAndEveryRow) {
    crTestResetAllocations();
    float** rows = crAllocFloatRows(4, 5);
    const size_t allocations = crTestAllocations();
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(allocations, 6u);
    crFreeRowArray(rows, 5);
}

TEST(MatrixRecord, EveryFailedAllocationLeavesNothingLive) {
    // Record, pointer block and three rows: five allocations.
    for (long failAt = 0; failAt < 5; ++failAt) {
        CrAllocationCounter counter;
        crTestFailAllocationAfter(failAt);
        Matrix* m = crCreateMatrix(3, 2);
        crTestFailAllocationAfter(-1);
        const long live = counter.live();
        EXPECT_EQ(m, nullptr) << failAt;
        EXPECT_EQ(live, 0) << failAt;
    }
    CrAllocationCounter counter;
    Matrix* m = crCreateMatrix(3, 2);
    const size_t allocations = counter.count();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(allocations, 5u);
    crFreeMatrix(&m);
    EXPECT_EQ(counter.live(), 0);
}

}  // namespace
