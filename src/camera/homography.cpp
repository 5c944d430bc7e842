// Plane-to-plane mappings from point pairs: projective (four or more pairs)
// and affine (three or more), both solved on normalised points by least
// squares through the normal equations.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "camera.h"
#include "numerics/numerics.h"

namespace {

using CrPlaneSolver = void (*)(const Point2f*, const Point2f*, int, Matrix*);

// Solves (A^T A) x = A^T b by LU for the A->cols unknowns (at most 8).
void crSolveNormalEquations(const Matrix* a, const Matrix* b, float* x) {
    const int k = a->cols;
    Matrix* at = crCreateMatrix(k, a->rows);
    Matrix* normal = crCreateMatrix(k, k);
    Matrix* rhs = crCreateMatrix(k, 1);
    Matrix* lu = crCreateMatrix(k, k);
    int index[8];
    float parity;
    crTransposeMat(a, at);
    crMultiplyMat(at, a, normal);
    crMultiplyMat(at, b, rhs);
    crLuDecompose(lu->data, normal->data, k, index, &parity);
    for (int i = 0; i < k; ++i) x[i] = rhs->data[i][0];
    crLuBackSubstitute(lu->data, k, index, x);
    crFreeMatrix(&at);
    crFreeMatrix(&normal);
    crFreeMatrix(&rhs);
    crFreeMatrix(&lu);
}

void crSetRow(Matrix* m, int row, float a0, float a1, float a2) {
    m->data[row][0] = a0;
    m->data[row][1] = a1;
    m->data[row][2] = a2;
}

// h = Td^-1 * H * Ts, where H maps the normalised source points to the
// normalised destination points.
void crEstimateNormalised(const Point2f* src, const Point2f* dst, int n, Matrix* h, CrPlaneSolver solve) {
    Point2f* srcNorm = static_cast<Point2f*>(std::malloc(sizeof(Point2f) * static_cast<size_t>(n)));
    Point2f* dstNorm = static_cast<Point2f*>(std::malloc(sizeof(Point2f) * static_cast<size_t>(n)));
    Matrix* ts = crCreateMatrix(3, 3);
    Matrix* td = crCreateMatrix(3, 3);
    Matrix* hn = crCreateMatrix(3, 3);
    Matrix* tdInv = crCreateMatrix(3, 3);
    Matrix* partial = crCreateMatrix(3, 3);
    crNormalizePoints(src, srcNorm, n, ts);
    crNormalizePoints(dst, dstNorm, n, td);
    solve(srcNorm, dstNorm, n, hn);
    crInverseMat(td, tdInv);
    crMultiplyMat(tdInv, hn, partial);
    crMultiplyMat(partial, ts, h);
    std::free(srcNorm);
    std::free(dstNorm);
    crFreeMatrix(&ts);
    crFreeMatrix(&td);
    crFreeMatrix(&hn);
    crFreeMatrix(&tdInv);
    crFreeMatrix(&partial);
}

}  // namespace

void crNormalizePoints(const Point2f* points, Point2f* normalised, int n, Matrix* t) {
    const float count = static_cast<float>(n);
    float sumX = 0.0f;
    float sumY = 0.0f;
    for (int i = 0; i < n; ++i) {
        sumX = sumX + points[i].x;
        sumY = sumY + points[i].y;
    }
    const float mx = sumX / count;
    const float my = sumY / count;
    float sumDistance = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float dx = points[i].x - mx;
        const float dy = points[i].y - my;
        sumDistance = sumDistance + sqrtf(dx * dx + dy * dy);
    }
    const float s = static_cast<float>(std::sqrt(2.0)) / (sumDistance / count);
    crSetRow(t, 0, s, 0.0f, -mx * s);
    crSetRow(t, 1, 0.0f, s, -my * s);
    crSetRow(t, 2, 0.0f, 0.0f, 1.0f);
    for (int i = 0; i < n; ++i) normalised[i] = {(points[i].x - mx) * s, (points[i].y - my) * s};
}

void crSolveHomography(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    Matrix* a = crCreateMatrix(2 * n, 8);
    Matrix* b = crCreateMatrix(2 * n, 1);
    for (int i = 0; i < n; ++i) {
        const float x = src[i].x, y = src[i].y, u = dst[i].x, v = dst[i].y;
        const float even[8] = {x, y, 1.0f, 0.0f, 0.0f, 0.0f, -x * u, -y * u};
        const float odd[8] = {0.0f, 0.0f, 0.0f, x, y, 1.0f, -x * v, -y * v};
        std::copy(even, even + 8, a->data[2 * i]);
        std::copy(odd, odd + 8, a->data[2 * i + 1]);
        b->data[2 * i][0] = u;
        b->data[2 * i + 1][0] = v;
    }
    float c[8];
    crSolveNormalEquations(a, b, c);
    crSetRow(h, 0, c[0], c[1], c[2]);
    crSetRow(h, 1, c[3], c[4], c[5]);
    crSetRow(h, 2, c[6], c[7], 1.0f);
    crFreeMatrix(&a);
    crFreeMatrix(&b);
}

void crSolveAffine(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    Matrix* a = crCreateMatrix(2 * n, 6);
    Matrix* b = crCreateMatrix(2 * n, 1);
    for (int i = 0; i < n; ++i) {
        const float x = src[i].x, y = src[i].y;
        const float even[6] = {x, y, 1.0f, 0.0f, 0.0f, 0.0f};
        const float odd[6] = {0.0f, 0.0f, 0.0f, x, y, 1.0f};
        std::copy(even, even + 6, a->data[2 * i]);
        std::copy(odd, odd + 6, a->data[2 * i + 1]);
        b->data[2 * i][0] = dst[i].x;
        b->data[2 * i + 1][0] = dst[i].y;
    }
    float c[6];
    crSolveNormalEquations(a, b, c);
    crSetRow(h, 0, c[0], c[1], c[2]);
    crSetRow(h, 1, c[3], c[4], c[5]);
    crSetRow(h, 2, 0.0f, 0.0f, 1.0f);
    crFreeMatrix(&a);
    crFreeMatrix(&b);
}

extern "C" CR_API void crGetHomography2D(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    crEstimateNormalised(src, dst, n, h, crSolveHomography);
}

extern "C" CR_API void crGetHomography2D3P(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    crEstimateNormalised(src, dst, n, h, crSolveAffine);
}

extern "C" CR_API void crHomographyTransform(const Point2f* in, Point2f* out, const Matrix* h) {
    float** e = h->data;
    const float x = e[0][0] * in->x + e[0][1] * in->y + e[0][2];
    const float y = e[1][0] * in->x + e[1][1] * in->y + e[1][2];
    float w = e[2][0] * in->x + e[2][1] * in->y + e[2][2];
    if (w == 0.0f) w = 1.0f;
    *out = {x / w, y / w};
}
