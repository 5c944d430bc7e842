// Matrix product, transpose, identity, LU inverse and SVD: exact small cases and console messages.
#include <cmath>
#include <limits>
#include <string>

#include "support/test_matrix.h"

using namespace testing::internal;  // CaptureStdout, GetCapturedStdout

CrMatrixPtr crRotation(float a, float b) {
    return crTestMatrix({{cosf(a), -sinf(a), 0.0f},
                         {sinf(a) * cosf(b), cosf(a) * cosf(b), -sinf(b)},
                         {sinf(a) * sinf(b), cosf(a) * sinf(b), cosf(b)}});
}

TEST(MatrixOps, ProductTransposeAndIdentityOnRectangularMatrices) {
    auto a = crTestMatrix({{1, 2}, {3, 4}, {5, 6}}), b = crTestMatrix({{1, 0, -1, 2}, {0, 1, 1, -2}});
    auto c = crTestMatrix(3, 4, 99.0f), t = crTestMatrix(4, 3), id = crTestMatrix(2, 3, 8.0f);
    crMultiplyMat(a.get(), b.get(), c.get());
    crExpectMatrix(c.get(), {1, 2, 1, -2, 3, 4, 1, -2, 5, 6, 1, -2});
    crTransposeMat(c.get(), t.get());
    crExpectMatrix(t.get(), {1, 3, 5, 2, 4, 6, 1, 1, 1, -2, -2, -2});
    crIdentityMat(id.get(), 1.0f);
    crExpectMatrix(id.get(), {1, 0, 0, 0, 1, 0});
}

TEST(MatrixOps, DimensionMismatchPrintsAndLeavesOutput) {
    auto sq = crTestMatrix(3, 3, 1.0f), col = crTestMatrix(3, 1, 1.0f), inner = crTestMatrix(2, 1, 1.0f);
    auto row = crTestMatrix(1, 3, 7.0f), out = crTestMatrix(3, 1, 7.0f), wide = crTestMatrix(3, 4, 7.0f);
    auto rect = crTestMatrix(2, 3, 1.0f), small = crTestMatrix(2, 2, 7.0f), square = crTestMatrix(3, 3, 7.0f);
    CaptureStdout();
    crMultiplyMat(sq.get(), col.get(), row.get());
    crMultiplyMat(sq.get(), inner.get(), out.get());
    EXPECT_EQ(GetCapturedStdout(), "crMultiplyMat: dimension miss matchcrMultiplyMat: dimension miss match");
    CaptureStdout();
    crTransposeMat(wide.get(), wide.get());
    EXPECT_EQ(GetCapturedStdout(), "crTransposeMat: dimension miss match");
    CaptureStdout();
    crInverseMat(sq.get(), small.get());
    crInverseMat(rect.get(), square.get());
    EXPECT_EQ(GetCapturedStdout(), "crInverseMat: dimension miss matchcrInverseMat: dimension miss match");
    for (const Matrix* m : {row.get(), out.get(), wide.get(), small.get(), square.get()})
        crExpectMatrix(m, std::vector<float>(size_t(m->rows) * m->cols, 7.0f));
}

TEST(MatrixInverse, ExactSmallCasesSingularRowsAndPivotExchange) {
    struct {
        CrMatrixPtr a;
        std::vector<float> inverse;  // empty: singular, some element beyond 1e19
        const char* console;
    } cases[] = {{crTestMatrix({{3}}), {1.0f / 3.0f}, ""},
                 {crTestMatrix({{0}}), {1.0f / 1.0e-20f}, "Singular Matrix!\n"},
                 {crTestMatrix({{0, 1}, {1, 0}}), {0, 1, 1, 0}, ""},
                 {crTestMatrix({{1, 2}, {0, 0}}), {}, "Singular Matrix!\n"},
                 {crTestMatrix({{1, 2}, {2, 4}}), {}, ""}};
    for (auto& c : cases) {
        auto inv = crTestMatrix(c.a->rows, c.a->cols);
        CaptureStdout();
        crInverseMat(c.a.get(), inv.get());
        EXPECT_EQ(GetCapturedStdout(), c.console) << c.a->rows;
        if (c.inverse.empty()) {
            EXPECT_GT(std::fabs(inv->data[0][1]) + std::fabs(inv->data[1][1]), 1.0e19f);
        } else {
            crExpectMatrix(inv.get(), c.inverse);
        }
    }
}

TEST(MatrixInverse, RotationInverseIsItsTransposeAndMayOverwriteItsInput) {
    auto r = crRotation(0.3f, -1.1f), inv = crTestMatrix(3, 3), t = crTestMatrix(3, 3);
    crInverseMat(r.get(), inv.get());
    crTransposeMat(r.get(), t.get());
    crExpectMatrix(inv.get(), crEntries(t.get()), 1e-6f);
    crInverseMat(r.get(), r.get());
    crExpectMatrix(r.get(), crEntries(inv.get()));
}

TEST(LuDecompose, EqualCandidatesPickTheLaterRow) {
    auto a = crTestMatrix({{1, 0}, {1, 1}}), lu = crTestMatrix(2, 2);
    int index[2];
    float parity = 0.0f;
    crLuDecompose(lu->data, a->data, 2, index, &parity);
    EXPECT_TRUE(index[0] == 1 && parity == -1.0f && lu->data[0][1] == 1.0f) << index[0] << " " << parity;
}

// svdcmp on a copy u of a, with w and v filled with -7 beforehand; returns the console output.
std::string crSvd(const Matrix* a, CrMatrixPtr& u, std::vector<float>& w, CrMatrixPtr& v) {
    u = crTestMatrix(a->rows, a->cols), v = crTestMatrix(a->cols, a->cols, -7.0f), w.assign(a->cols, -7.0f);
    for (int i = 0; i < a->rows; ++i) std::copy(a->data[i], a->data[i] + a->cols, u->data[i]);
    CaptureStdout();
    svdcmp(u->data, a->rows, a->cols, w.data(), v->data);
    return GetCapturedStdout();
}

TEST(Svd, SmallCasesGiveNonNegativeValuesAndOrthogonalFactorsThatReconstruct) {
    CrMatrixPtr cases[] = {crTestMatrix({{3, 0, 0}, {0, -2, 0}, {0, 0, 1}}), crRotation(0.4f, 1.2f)};
    for (int k = 0; k < 2; ++k) {
        CrMatrixPtr u, v, vt = crTestMatrix(3, 3), usv = crTestMatrix(3, 3), vtv = crTestMatrix(3, 3);
        std::vector<float> w;
        EXPECT_EQ(crSvd(cases[k].get(), u, w, v), "");
        std::vector<float> sorted = w;
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(sorted[i], k ? 1.0f : i + 1.0f, k ? 1e-6f : 0.0f) << i;
        crTransposeMat(v.get(), vt.get());
        crMultiplyMat(vt.get(), v.get(), vtv.get());
        crExpectMatrix(vtv.get(), {1, 0, 0, 0, 1, 0, 0, 0, 1}, 1e-5f);
        for (int i = 0; i < 9; ++i) u->data[i % 3][i / 3] *= w[i / 3];
        crMultiplyMat(u.get(), vt.get(), usv.get());
        crExpectMatrix(usv.get(), crEntries(cases[k].get()), 1e-6f);
    }
}

TEST(Svd, ZeroIsSilentAndWideOrNonFiniteInputPrints) {
    CrMatrixPtr u, v;
    std::vector<float> w;
    auto zero = crTestMatrix(3, 3), wide = crTestMatrix({{1, 2, 3}, {4, 5, 6}});
    EXPECT_EQ(crSvd(zero.get(), u, w, v), "");
    EXPECT_EQ(w, std::vector<float>(3, 0.0f));
    EXPECT_EQ(crSvd(wide.get(), u, w, v), "Number of rows in A must be greater or equal to number of columns");
    EXPECT_EQ(w, std::vector<float>(3, -7.0f));
    crExpectMatrix(v.get(), std::vector<float>(9, -7.0f));
    auto bad = crTestMatrix(2, 2, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(crSvd(bad.get(), u, w, v), "No convergence in 30 svdcmp iterations");
}

TEST(Pythag, HypotenuseWithoutOverflow) {
    EXPECT_EQ(crPythag(0.0f, 0.0f), 0.0f);
    EXPECT_NEAR(crPythag(1e30f, 1e30f) / 1e30f, std::sqrt(2.0f), 1e-6f);
    for (double a : {-4.0f, 1e-30f, 0.3f, 7.0f, 123456.0f})
        for (double b : {2e-25f, 0.7f, -2.5f}) EXPECT_NEAR(crPythag(a, b), std::hypot(a, b), std::hypot(a, b) * 2e-7);
}
