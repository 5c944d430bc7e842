// Pair counts no point arrays can back: the estimates refuse them before reading a point or allocating.
#include <gtest/gtest.h>

#include <climits>

#include "camera/camera.h"
#include "support/test_matrix.h"

namespace {

TEST(HomographyPairCount, NegativeAndHugeCountsLeaveTheHomographyUntouched) {
    // Null point arrays: a refused count must not read them. 30 million pairs are more than the 2n x 8
    // equation rows can hold within 2 GiB.
    for (int n : {-1, -4, INT_MIN, INT_MAX, INT_MAX / 2 + 1, 60000000, 30000000}) {
        for (auto estimate : {crEstimateHomography2D, crEstimateAffine2D}) {
            CrMatrixPtr h = crTestMatrix(3, 3, 7.0f);
            EXPECT_FALSE(estimate(nullptr, nullptr, n, h.get())) << n;
            crExpectMatrix(h.get(), std::vector<float>(9, 7.0f));
        }
        CrMatrixPtr h = crTestMatrix(3, 3, 7.0f);
        crGetHomography2D(nullptr, nullptr, n, h.get());
        crGetHomography2D3P(nullptr, nullptr, n, h.get());
        crExpectMatrix(h.get(), std::vector<float>(9, 7.0f));
    }
}

}  // namespace
