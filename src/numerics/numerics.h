// Dense single-precision matrices, LU inversion and the SVD.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "camrig.h"
#include "rows.h"

float** crAllocFloatRows(int cols, int rows);
Matrix* crCreateMatrix(int rows, int cols);  // elements uninitialised; null on failure
void crFreeMatrix(Matrix** m);

// The inversion, the LU decomposition and the SVD report with false that
// they wrote nothing: a dimension mismatch, or no memory for their work
// arrays. Callers that cannot go on without the result take their own
// failure path; the others may ignore it.
bool crInverseMat(const Matrix* a, Matrix* inv);
void crMultiplyMat(const Matrix* a, const Matrix* b, Matrix* c);
void crTransposeMat(const Matrix* a, Matrix* t);
void crIdentityMat(Matrix* m, float s);
bool crLuDecompose(float** lu, float** a, int n, int* index, float* parity);
void crLuBackSubstitute(float** lu, int n, const int* index, float* b);

bool svdcmp(float** a, int m, int n, float* w, float** v);
float crPythag(float a, float b);

// The work matrices of one step (at most six, given as rows x cols), created
// together and freed together; ok() is false when any could not be made.
class CrMatrixSet {
public:
    CrMatrixSet(std::initializer_list<std::pair<int, int>> shapes) {
        for (const auto& shape : shapes)
            if (count_ < 6) m_[count_++] = crCreateMatrix(shape.first, shape.second);
        complete_ = shapes.size() <= 6;
    }
    ~CrMatrixSet() {
        for (int i = 0; i < count_; ++i) crFreeMatrix(&m_[i]);
    }
    CrMatrixSet(const CrMatrixSet&) = delete;
    CrMatrixSet& operator=(const CrMatrixSet&) = delete;

    bool ok() const {
        return complete_ && std::all_of(m_, m_ + count_, [](const Matrix* m) { return m != nullptr; });
    }
    Matrix* operator[](int i) const { return m_[i]; }

private:
    Matrix* m_[6] = {};
    int count_ = 0;
    bool complete_ = false;
};

// A 3 x 3 Matrix on the stack, for steps that must not fail for memory;
// zero until written.
struct CrStackMatrix3 {
    float cells[3][3] = {};
    float* rows[3] = {cells[0], cells[1], cells[2]};
    Matrix m = {rows, 3, 3};
    CrStackMatrix3() = default;
    CrStackMatrix3(const CrStackMatrix3&) = delete;
    CrStackMatrix3& operator=(const CrStackMatrix3&) = delete;
};
