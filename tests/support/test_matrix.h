// Owned test matrices built from nested lists or a fill value, and an element-wise check.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

#include "numerics/numerics.h"

struct CrMatrixRelease {
    void operator()(Matrix* m) const { crFreeMatrix(&m); }
};
using CrMatrixPtr = std::unique_ptr<Matrix, CrMatrixRelease>;

inline CrMatrixPtr crTestMatrix(int rows, int cols, float fill = 0.0f) {
    CrMatrixPtr m(crCreateMatrix(rows, cols));
    for (int i = 0; i < rows * cols; ++i) m->data[i / cols][i % cols] = fill;
    return m;
}

inline CrMatrixPtr crTestMatrix(std::initializer_list<std::initializer_list<float>> values) {
    CrMatrixPtr m = crTestMatrix(static_cast<int>(values.size()), static_cast<int>(values.begin()->size()));
    int i = 0;
    for (const auto& row : values) std::copy(row.begin(), row.end(), m->data[i++]);
    return m;
}

inline std::vector<float> crEntries(const Matrix* m) {
    std::vector<float> out;
    for (int i = 0; i < m->rows; ++i) out.insert(out.end(), m->data[i], m->data[i] + m->cols);
    return out;
}

// Every element of m, row by row, within `tolerance` of `want` (equal by default).
inline void crExpectMatrix(const Matrix* m, const std::vector<float>& want, float tolerance = 0.0f) {
    ASSERT_EQ(want.size(), static_cast<size_t>(m->rows * m->cols));
    for (int i = 0; i < m->rows * m->cols; ++i) EXPECT_NEAR(m->data[i / m->cols][i % m->cols], want[i], tolerance) << i;
}
