// Matrix records and the element-wise operations on them.
#include <cstdio>
#include <cstdlib>

#include "numerics.h"

float** crAllocFloatRows(int cols, int rows) { return crAllocRowArray<float>(cols, rows); }

Matrix* crCreateMatrix(int rows, int cols) {
    Matrix* m = static_cast<Matrix*>(std::malloc(sizeof(Matrix)));
    if (!m) return nullptr;
    m->rows = rows;
    m->cols = cols;
    m->data = crAllocFloatRows(cols, rows);
    if (!m->data) {
        std::free(m);
        return nullptr;
    }
    return m;
}

// The caller's pointer is deliberately left as it was.
void crFreeMatrix(Matrix** m) {
    if (!m || !*m) return;
    crFreeRowArray((*m)->data, (*m)->rows);
    std::free(*m);
}

void crMultiplyMat(const Matrix* a, const Matrix* b, Matrix* c) {
    if (a->cols != b->rows || c->rows != a->rows || c->cols != b->cols) {
        std::printf("crMultiplyMat: dimension miss match");
        return;
    }
    for (int i = 0; i < a->rows; ++i) {
        for (int j = 0; j < b->cols; ++j) {
            c->data[i][j] = 0.0f;
            for (int k = 0; k < a->cols; ++k) c->data[i][j] += a->data[i][k] * b->data[k][j];
        }
    }
}

void crTransposeMat(const Matrix* a, Matrix* t) {
    if (t->rows != a->cols || t->cols != a->rows) {
        std::printf("crTransposeMat: dimension miss match");
        return;
    }
    for (int i = 0; i < t->rows; ++i)
        for (int j = 0; j < t->cols; ++j) t->data[i][j] = a->data[j][i];
}

void crIdentityMat(Matrix* m, float s) {
    crClearRowArray(m->data, m->rows, m->cols);
    for (int i = 0; i < m->rows && i < m->cols; ++i) m->data[i][i] = s;
}
