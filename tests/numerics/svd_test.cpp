// Singular value decomposition and the overflow-safe hypotenuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/test_matrix.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct SvdResult {
    CrMatrixPtr u;
    std::vector<float> w;
    CrMatrixPtr v;
    std::string console;
};

SvdResult crRunSvd(const Matrix* a) {
    SvdResult r{crTestMatrix(a->rows, a->cols), std::vector<float>(a->cols, -7.0f),
                crTestMatrix(a->cols, a->cols, -7.0f), ""};
    for (int i = 0; i < a->rows; ++i)
        for (int j = 0; j < a->cols; ++j) r.u->data[i][j] = a->data[i][j];
    CaptureStdout();
    svdcmp(r.u->data, a->rows, a->cols, r.w.data(), r.v->data);
    r.console = GetCapturedStdout();
    return r;
}

// U diag(w) V^T equals a, U has orthonormal columns and V is orthogonal.
void crExpectFactorisation(const Matrix* a, const SvdResult& r, float tolerance) {
    const int m = a->rows, n = a->cols;
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < n; ++k) sum += r.u->data[i][k] * r.w[k] * r.v->data[j][k];
            EXPECT_NEAR(sum, a->data[i][j], tolerance) << i << "," << j;
        }
    for (int p = 0; p < n; ++p)
        for (int q = 0; q < n; ++q) {
            float uu = 0.0f, vv = 0.0f;
            for (int i = 0; i < m; ++i) uu += r.u->data[i][p] * r.u->data[i][q];
            for (int i = 0; i < n; ++i) vv += r.v->data[i][p] * r.v->data[i][q];
            EXPECT_NEAR(uu, p == q ? 1.0f : 0.0f, 1e-5f) << p << "," << q;
            EXPECT_NEAR(vv, p == q ? 1.0f : 0.0f, 1e-5f) << p << "," << q;
        }
}

TEST(Svd, RotationHasUnitValuesAndUVtIsTheRotation) {
    const float a = 0.4f, b = 1.2f;
    auto r = crTestMatrix({{cosf(a), -sinf(a), 0.0f},
                           {sinf(a) * cosf(b), cosf(a) * cosf(b), -sinf(b)},
                           {sinf(a) * sinf(b), cosf(a) * sinf(b), cosf(b)}});
    SvdResult s = crRunSvd(r.get());
    EXPECT_EQ(s.console, "");
    for (float value : s.w) EXPECT_NEAR(value, 1.0f, 1e-6f);
    crExpectFactorisation(r.get(), s, 1e-6f);
}

TEST(Svd, NegativeDiagonalBecomesNonNegativeValues) {
    auto d = crTestMatrix({{3, 0, 0}, {0, -2, 0}, {0, 0, 1}});
    SvdResult s = crRunSvd(d.get());
    std::vector<float> sorted = s.w;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<float>{1.0f, 2.0f, 3.0f}));
    crExpectFactorisation(d.get(), s, 1e-6f);
}

TEST(Svd, ZeroMatrixGivesZeroValuesSilently) {
    auto z = crTestMatrix(3, 3, 0.0f);
    SvdResult s = crRunSvd(z.get());
    EXPECT_EQ(s.console, "");
    EXPECT_EQ(s.w, (std::vector<float>{0.0f, 0.0f, 0.0f}));
}

TEST(Svd, FewerRowsThanColumnsIsRefusedUntouched) {
    auto wide = crTestMatrix({{1, 2, 3}, {4, 5, 6}});
    SvdResult s = crRunSvd(wide.get());
    EXPECT_EQ(s.console, "Number of rows in A must be greater or equal to number of columns");
    EXPECT_EQ(s.w, (std::vector<float>(3, -7.0f)));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(s.v->data[i][j], -7.0f);
    EXPECT_EQ(s.u->data[1][2], 6.0f);
}

TEST(Svd, NonFiniteInputGivesUpAfterThirtyPasses) {
    auto bad = crTestMatrix(2, 2, std::numeric_limits<float>::quiet_NaN());
    SvdResult s = crRunSvd(bad.get());
    EXPECT_EQ(s.console, "No convergence in 30 svdcmp iterations");
}

TEST(Pythag, HypotenuseWithoutOverflow) {
    EXPECT_EQ(crPythag(3.0f, 4.0f), 5.0f);
    EXPECT_EQ(crPythag(-4.0f, 3.0f), 5.0f);
    EXPECT_EQ(crPythag(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(crPythag(0.0f, -2.5f), 2.5f);
    const float big = crPythag(1e30f, 1e30f);
    EXPECT_TRUE(std::isfinite(big));
    EXPECT_NEAR(big / 1e30f, std::sqrt(2.0f), 1e-6f);
    for (float a : {1e-30f, 0.3f, 7.0f, 123456.0f})
        for (float b : {2e-25f, 0.7f, 9.5f}) {
            const double exact = std::hypot(static_cast<double>(a), static_cast<double>(b));
            EXPECT_NEAR(crPythag(a, b), exact, exact * 2e-7) << a << "," << b;
        }
}

}  // namespace
