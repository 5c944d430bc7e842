// Sizes and float values beyond what the numerics can hold: row arrays refuse them, conversions saturate.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "numerics/numerics.h"
#include "numerics/rounding.h"

namespace {

TEST(RowArrayLimits, NegativeOrBeyond32BitSizesAreRefusedBeforeAllocating) {
    const struct {
        int cols, rows;
        bool created;
    } cases[] = {
        {-1, 3, false},       // used to ask for SIZE_MAX bytes a row
        {1 << 30, 2, false},  // two 4 GiB rows
        {3, INT_MAX, false},  // a 16 GiB pointer block
        {INT_MAX, INT_MAX, false},
        {4, 0, true},
        {0, 3, true},
    };
    for (const auto& c : cases) {
        float** rows = crAllocFloatRows(c.cols, c.rows);
        EXPECT_EQ(rows != nullptr, c.created) << c.cols << " x " << c.rows;
        crFreeRowArray(rows, c.rows);
        Matrix* m = crCreateMatrix(c.rows, c.cols);
        EXPECT_EQ(m != nullptr, c.created) << c.cols << " x " << c.rows;
        crFreeMatrix(&m);
    }
}

TEST(ToIntConversion, OutOfRangeValuesAndNaNGiveTheLowestInt) {
    const struct {
        double value;
        int rounded, truncated;
    } cases[] = {
        {NAN, INT_MIN, INT_MIN},
        {INFINITY, INT_MIN, INT_MIN},
        {-INFINITY, INT_MIN, INT_MIN},
        {3e9, INT_MIN, INT_MIN},
        {-3e9, INT_MIN, INT_MIN},
        {2147483647.5, INT_MIN, INT_MAX},
        {-2147483648.5, INT_MIN, INT_MIN},
        {2.5, 3, 2},
        {-2.5, -3, -2},
        {-0.9, -1, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(crRoundHalfAwayToInt(c.value), c.rounded) << c.value;
        EXPECT_EQ(crTruncateToInt(c.value), c.truncated) << c.value;
        const float f = static_cast<float>(c.value);
        if (std::isnan(f) || std::fabs(f) >= 2147483648.0f) continue;
        EXPECT_EQ(crRoundHalfAwayToInt(f), crRoundHalfAway(f)) << c.value;  // in range: the same rounding
    }
    EXPECT_EQ(crRoundHalfAwayToInt(2147483520.0f), 2147483520);
}

}  // namespace
