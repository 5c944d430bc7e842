// Crout LU decomposition with implicit partial pivoting, its back
// substitution, and the matrix inverse built on them. The expressions keep
// C's promotion rules of the classic float routines (a `1.0 / x` is divided
// in double and stored back to float).
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "numerics.h"

namespace {

const float kTinyPivot = 1.0e-20f;

// Reciprocal of the largest magnitude of each row. An all-zero row is
// reported and gets an infinite scale; the decomposition carries on.
void crLuRowScales(float** lu, int n, float* scale) {
    for (int i = 0; i < n; ++i) {
        float big = 0.0f;
        for (int j = 0; j < n; ++j) {
            const float magnitude = std::fabs(lu[i][j]);
            if (magnitude > big) big = magnitude;
        }
        if (big == 0.0f) std::printf("Singular Matrix!\n");
        scale[i] = static_cast<float>(1.0 / big);
    }
}

// Completes column j and returns the pivot row: the largest scaled
// magnitude on or below the diagonal, later rows winning ties.
int crLuReduceColumn(float** lu, int n, int j, const float* scale) {
    for (int i = 0; i < j; ++i) {
        float sum = lu[i][j];
        for (int k = 0; k < i; ++k) sum -= lu[i][k] * lu[k][j];
        lu[i][j] = sum;
    }
    float big = 0.0f;
    int pivot = j;
    for (int i = j; i < n; ++i) {
        float sum = lu[i][j];
        for (int k = 0; k < j; ++k) sum -= lu[i][k] * lu[k][j];
        lu[i][j] = sum;
        const float candidate = scale[i] * std::fabs(sum);
        if (candidate >= big) {
            big = candidate;
            pivot = i;
        }
    }
    return pivot;
}

}  // namespace

// The row scales are allocated before anything is written: without them lu,
// index and parity are left as they were and the result is false.
bool crLuDecompose(float** lu, float** a, int n, int* index, float* parity) {
    float* scale = crAllocArray<float>(n);
    if (!scale) return false;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) lu[i][j] = a[i][j];
    *parity = 1.0f;
    crLuRowScales(lu, n, scale);
    for (int j = 0; j < n; ++j) {
        const int pivot = crLuReduceColumn(lu, n, j, scale);
        if (pivot != j) {
            for (int k = 0; k < n; ++k) {
                const float held = lu[pivot][k];
                lu[pivot][k] = lu[j][k];
                lu[j][k] = held;
            }
            *parity = -*parity;
            scale[pivot] = scale[j];
        }
        index[j] = pivot;
        if (lu[j][j] == 0.0f) lu[j][j] = kTinyPivot;
        if (j < n - 1)
            for (int i = j + 1; i < n; ++i) lu[i][j] /= lu[j][j];
    }
    std::free(scale);
    return true;
}

void crLuBackSubstitute(float** lu, int n, const int* index, float* b) {
    int first = -1;  // first row with a non-zero entry; the sums start there
    for (int i = 0; i < n; ++i) {
        const int p = index[i];
        float sum = b[p];
        b[p] = b[i];
        if (first >= 0) {
            for (int j = first; j < i; ++j) sum -= lu[i][j] * b[j];
        } else if (sum != 0.0f) {
            first = i;
        }
        b[i] = sum;
    }
    for (int i = n - 1; i >= 0; --i) {
        float sum = b[i];
        for (int j = i + 1; j < n; ++j) sum -= lu[i][j] * b[j];
        b[i] = sum / lu[i][i];
    }
}

// a is copied into the work array before inv is written, so inv may be a.
// Without memory for the work arrays inv is left untouched, as on a
// dimension mismatch, and the result is false.
bool crInverseMat(const Matrix* a, Matrix* inv) {
    const int n = a->rows;
    if (a->cols != n || inv->rows != n || inv->cols != n) {
        std::printf("crInverseMat: dimension miss match");
        return false;
    }
    float** lu = crAllocFloatRows(n, n);
    float* column = crAllocArray<float>(n);
    int* index = crAllocArray<int>(n);
    float parity;
    const bool ok = lu && column && index && crLuDecompose(lu, a->data, n, index, &parity);
    for (int j = 0; ok && j < n; ++j) {
        for (int i = 0; i < n; ++i) column[i] = 0.0f;
        column[j] = 1.0f;
        crLuBackSubstitute(lu, n, index, column);
        for (int i = 0; i < n; ++i) inv->data[i][j] = column[i];
    }
    crFreeRowArray(lu, n);
    std::free(column);
    std::free(index);
    return ok;
}
