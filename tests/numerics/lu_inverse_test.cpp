// LU inversion: exact small cases, the singular-row message, pivoting by row
// exchange, and the dimension check.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/test_matrix.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

TEST(MatrixInverse, OneByOneIsTheReciprocal) {
    auto a = crTestMatrix({{3.0f}});
    auto inv = crTestMatrix(1, 1);
    CaptureStdout();
    crInverseMat(a.get(), inv.get());
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(inv->data[0][0], 1.0f / 3.0f);
}

TEST(MatrixInverse, ZeroRowIsReportedAndThePivotReplaced) {
    auto a = crTestMatrix({{0.0f}});
    auto inv = crTestMatrix(1, 1);
    CaptureStdout();
    crInverseMat(a.get(), inv.get());
    EXPECT_EQ(GetCapturedStdout(), "Singular Matrix!\n");
    EXPECT_EQ(inv->data[0][0], 1.0f / 1.0e-20f);

    // A zero row in a larger matrix: reported, and the inversion still runs.
    auto b = crTestMatrix({{1, 2}, {0, 0}});
    auto invB = crTestMatrix(2, 2);
    CaptureStdout();
    crInverseMat(b.get(), invB.get());
    EXPECT_EQ(GetCapturedStdout(), "Singular Matrix!\n");
    EXPECT_EQ(invB->data[0][0], 1.0f);
    EXPECT_GT(std::fabs(invB->data[0][1]), 1.0e19f);
}

TEST(MatrixInverse, SingularWithoutZeroRowIsSilentButHuge) {
    auto a = crTestMatrix({{1, 2}, {2, 4}});
    auto inv = crTestMatrix(2, 2);
    CaptureStdout();
    crInverseMat(a.get(), inv.get());
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_GT(std::fabs(inv->data[1][1]), 1.0e19f);
}

TEST(MatrixInverse, ZeroPivotIsSolvedByRowExchange) {
    auto a = crTestMatrix({{0, 1}, {1, 0}});
    auto inv = crTestMatrix(2, 2);
    CaptureStdout();
    crInverseMat(a.get(), inv.get());
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(inv->data[0][0], 0.0f);
    EXPECT_EQ(inv->data[0][1], 1.0f);
    EXPECT_EQ(inv->data[1][0], 1.0f);
    EXPECT_EQ(inv->data[1][1], 0.0f);
}

TEST(MatrixInverse, RotationInverseIsItsTranspose) {
    const float a = 0.3f, b = -1.1f;
    auto r = crTestMatrix({{cosf(a), -sinf(a), 0.0f},
                           {sinf(a) * cosf(b), cosf(a) * cosf(b), -sinf(b)},
                           {sinf(a) * sinf(b), cosf(a) * sinf(b), cosf(b)}});
    auto inv = crTestMatrix(3, 3);
    crInverseMat(r.get(), inv.get());
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(inv->data[i][j], r->data[j][i], 1e-6f) << i << "," << j;
}

TEST(MatrixInverse, MayOverwriteItsInput) {
    auto a = crTestMatrix({{2, 1, 0}, {1, 3, 1}, {0, 1, 4}});
    auto separate = crTestMatrix(3, 3);
    crInverseMat(a.get(), separate.get());
    crInverseMat(a.get(), a.get());
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(a->data[i][j], separate->data[i][j]);
}

TEST(MatrixInverse, DimensionMismatchPrintsAndLeavesOutput) {
    auto square = crTestMatrix(3, 3, 1.0f);
    auto rect = crTestMatrix(2, 3, 1.0f);
    auto small = crTestMatrix(2, 2, 4.0f);
    auto out = crTestMatrix(3, 3, 4.0f);
    CaptureStdout();
    crInverseMat(square.get(), small.get());
    crInverseMat(rect.get(), out.get());
    EXPECT_EQ(GetCapturedStdout(), "crInverseMat: dimension miss matchcrInverseMat: dimension miss match");
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(out->data[i][j], 4.0f);
    EXPECT_EQ(small->data[1][1], 4.0f);
}

TEST(LuDecompose, EqualCandidatesPickTheLaterRow) {
    auto a = crTestMatrix({{1, 0}, {1, 1}});
    auto lu = crTestMatrix(2, 2);
    int index[2];
    float parity = 0.0f;
    crLuDecompose(lu->data, a->data, 2, index, &parity);
    EXPECT_EQ(index[0], 1);
    EXPECT_EQ(parity, -1.0f);
    EXPECT_EQ(lu->data[0][1], 1.0f);
}

}  // namespace
