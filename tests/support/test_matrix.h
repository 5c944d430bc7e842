// Matrices for tests: built from nested lists or a fill value and released
// by their owner.
#pragma once

#include <initializer_list>
#include <memory>

#include "numerics/numerics.h"

struct CrMatrixRelease {
    void operator()(Matrix* m) const { crFreeMatrix(&m); }
};
using CrMatrixPtr = std::unique_ptr<Matrix, CrMatrixRelease>;

inline CrMatrixPtr crTestMatrix(int rows, int cols, float fill = 0.0f) {
    CrMatrixPtr m(crCreateMatrix(rows, cols));
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) m->data[i][j] = fill;
    return m;
}

inline CrMatrixPtr crTestMatrix(std::initializer_list<std::initializer_list<float>> values) {
    const int rows = static_cast<int>(values.size());
    const int cols = static_cast<int>(values.begin()->size());
    CrMatrixPtr m(crCreateMatrix(rows, cols));
    int i = 0;
    for (const auto& row : values) {
        int j = 0;
        for (float x : row) m->data[i][j++] = x;
        ++i;
    }
    return m;
}
