// Plane-to-plane mappings from point pairs: projective (four or more pairs)
// and affine (three or more), both solved on normalised points by least
// squares through the normal equations.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "camera.h"
#include "numerics/numerics.h"

namespace {

// The most pairs whose 2n x 8 equation system fits the allocation limit of
// crAllocRowArray; larger and negative counts are refused before any point
// is read.
constexpr int kMaxPairs = static_cast<int>(INT_MAX / (2 * (8 * sizeof(float) + sizeof(float*))));

bool crPairCountFits(int n) { return n >= 0 && n <= kMaxPairs; }

using CrPlaneSolver = bool (*)(const Point2f*, const Point2f*, int, Matrix*);

// A rows x cols Matrix of at most 8 x 8 on the stack: the normal equations'
// matrices, whose size does not depend on the number of pairs, are formed
// without allocating (a bowl view estimates thousands of small homographies).
class CrSmallMatrix {
public:
    CrSmallMatrix(int rows, int cols) : m_{rows_, rows, cols} {
        for (int i = 0; i < 8; ++i) rows_[i] = cells_[i];
    }
    CrSmallMatrix(const CrSmallMatrix&) = delete;
    CrSmallMatrix& operator=(const CrSmallMatrix&) = delete;
    Matrix* get() { return &m_; }

private:
    float cells_[8][8] = {};
    float* rows_[8] = {};
    Matrix m_;
};

// Solves (A^T A) x = A^T b by LU for the A->cols unknowns (at most 8); false,
// x untouched, without memory.
bool crSolveNormalEquations(const Matrix* a, const Matrix* b, float* x) {
    const int k = a->cols;
    const CrMatrixSet m = {{k, a->rows}};
    CrSmallMatrix normalStore(k, k), rhsStore(k, 1), luStore(k, k);
    Matrix *at = m[0], *normal = normalStore.get(), *rhs = rhsStore.get(), *lu = luStore.get();
    int index[8];
    float parity;
    if (!m.ok()) return false;
    crTransposeMat(a, at);
    crMultiplyMat(at, a, normal);
    crMultiplyMat(at, b, rhs);
    if (!crLuDecompose(lu->data, normal->data, k, index, &parity)) return false;
    for (int i = 0; i < k; ++i) x[i] = rhs->data[i][0];
    crLuBackSubstitute(lu->data, k, index, x);
    return true;
}

void crSetRow(Matrix* m, int row, float a0, float a1, float a2) {
    m->data[row][0] = a0;
    m->data[row][1] = a1;
    m->data[row][2] = a2;
}

// h = Td^-1 * H * Ts, where H maps the normalised source points to the
// normalised destination points. h is written last, only when every step
// had its memory, and otherwise left as it was.
bool crEstimateNormalised(const Point2f* src, const Point2f* dst, int n, Matrix* h, CrPlaneSolver solve) {
    if (!crPairCountFits(n)) return false;
    Point2f* srcNorm = crAllocArray<Point2f>(n);
    Point2f* dstNorm = crAllocArray<Point2f>(n);
    CrStackMatrix3 m[5];
    Matrix *ts = &m[0].m, *td = &m[1].m, *hn = &m[2].m, *tdInv = &m[3].m, *partial = &m[4].m;
    bool ok = srcNorm && dstNorm;
    if (ok) {
        crNormalizePoints(src, srcNorm, n, ts);
        crNormalizePoints(dst, dstNorm, n, td);
        ok = solve(srcNorm, dstNorm, n, hn) && crInverseMat(td, tdInv);
    }
    if (ok) {
        crMultiplyMat(tdInv, hn, partial);
        crMultiplyMat(partial, ts, h);
    }
    std::free(srcNorm);
    std::free(dstNorm);
    return ok;
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

namespace {

// Equation rows 2i (even) and 2i + 1 (odd) of pair (s, d) and their right
// sides: the projective map's eight unknowns, of which the affine map solves
// the first K = 6 (its last row fixed at 0, 0, 1).
template <int K> void crPlaneMapRows(Point2f s, Point2f d, float* even, float* odd, float* bu, float* bv) {
    const float x = s.x, y = s.y, u = d.x, v = d.y;
    const float e[8] = {x, y, 1.0f, 0.0f, 0.0f, 0.0f, -x * u, -y * u};
    const float o[8] = {0.0f, 0.0f, 0.0f, x, y, 1.0f, -x * v, -y * v};
    std::copy(e, e + K, even);
    std::copy(o, o + K, odd);
    bu[0] = u;
    bv[0] = v;
}

// The 2n x K system of the pairs, solved. False, h untouched, without memory.
template <int K> bool crSolvePlaneMap(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    if (!crPairCountFits(n)) return false;
    const CrMatrixSet m = {{2 * n, K}, {2 * n, 1}};
    Matrix *a = m[0], *b = m[1];
    float c[8];
    if (!m.ok()) return false;
    for (int i = 0; i < n; ++i) {
        const size_t row = 2 * static_cast<size_t>(i);
        crPlaneMapRows<K>(src[i], dst[i], a->data[row], a->data[row + 1], b->data[row], b->data[row + 1]);
    }
    if (!crSolveNormalEquations(a, b, c)) return false;
    crSetRow(h, 0, c[0], c[1], c[2]);
    crSetRow(h, 1, c[3], c[4], c[5]);
    if (K == 8)
        crSetRow(h, 2, c[6], c[7], 1.0f);
    else
        crSetRow(h, 2, 0.0f, 0.0f, 1.0f);
    return true;
}

}  // namespace

bool crSolveHomography(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    return crSolvePlaneMap<8>(src, dst, n, h);
}

bool crSolveAffine(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    return crSolvePlaneMap<6>(src, dst, n, h);
}

bool crEstimateHomography2D(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    return crEstimateNormalised(src, dst, n, h, crSolveHomography);
}

bool crEstimateAffine2D(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    return crEstimateNormalised(src, dst, n, h, crSolveAffine);
}

extern "C" CR_API void crGetHomography2D(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    crEstimateHomography2D(src, dst, n, h);
}

extern "C" CR_API void crGetHomography2D3P(const Point2f* src, const Point2f* dst, int n, Matrix* h) {
    crEstimateAffine2D(src, dst, n, h);
}

extern "C" CR_API void crHomographyTransform(const Point2f* in, Point2f* out, const Matrix* h) {
    *out = crDehomogenise(crApplyHomography(h, in->x, in->y));
}
