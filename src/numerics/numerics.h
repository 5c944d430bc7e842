// Dense single-precision matrices, LU inversion and the SVD.
#pragma once

#include "camrig.h"
#include "rows.h"

float** crAllocFloatRows(int cols, int rows);
Matrix* crCreateMatrix(int rows, int cols);  // elements uninitialised; null on failure
void crFreeMatrix(Matrix** m);

void crInverseMat(const Matrix* a, Matrix* inv);
void crMultiplyMat(const Matrix* a, const Matrix* b, Matrix* c);
void crTransposeMat(const Matrix* a, Matrix* t);
void crIdentityMat(Matrix* m, float s);
void crLuDecompose(float** lu, float** a, int n, int* index, float* parity);
void crLuBackSubstitute(float** lu, int n, const int* index, float* b);

void svdcmp(float** a, int m, int n, float* w, float** v);
float crPythag(float a, float b);
