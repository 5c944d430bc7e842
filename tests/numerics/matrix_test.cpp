// Matrix record, multiplication, transposition and scaled identity,
// including the dimension checks that print and leave the output alone.
#include <gtest/gtest.h>

#include <string>

#include "support/test_matrix.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

void crExpectUntouched(const Matrix* m, float fill) {
    for (int i = 0; i < m->rows; ++i)
        for (int j = 0; j < m->cols; ++j) EXPECT_EQ(m->data[i][j], fill) << i << "," << j;
}

TEST(MatrixRecord, CreateSetsSizeAndFreeAcceptsNulls) {
    Matrix* m = crCreateMatrix(3, 4);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->rows, 3);
    EXPECT_EQ(m->cols, 4);
    m->data[2][3] = 1.0f;  // every row is writable
    crFreeMatrix(&m);
    EXPECT_NE(m, nullptr);  // the caller's pointer is not reset

    Matrix* none = nullptr;
    crFreeMatrix(&none);
    crFreeMatrix(nullptr);
}

TEST(MatrixMultiply, RectangularProduct) {
    auto a = crTestMatrix({{1, 2}, {3, 4}, {5, 6}});
    auto b = crTestMatrix({{1, 0, -1, 2}, {0, 1, 1, -2}});
    auto c = crTestMatrix(3, 4, 99.0f);
    crMultiplyMat(a.get(), b.get(), c.get());
    const float expected[3][4] = {{1, 2, 1, -2}, {3, 4, 1, -2}, {5, 6, 1, -2}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(c->data[i][j], expected[i][j]) << i << "," << j;
}

TEST(MatrixMultiply, DimensionMismatchPrintsAndLeavesOutput) {
    auto a = crTestMatrix(3, 3, 1.0f);
    auto b = crTestMatrix(3, 1, 1.0f);
    auto wrongShape = crTestMatrix(1, 3, 7.0f);
    auto wrongInner = crTestMatrix(2, 1, 1.0f);
    auto c = crTestMatrix(3, 1, 7.0f);

    CaptureStdout();
    crMultiplyMat(a.get(), b.get(), wrongShape.get());
    EXPECT_EQ(GetCapturedStdout(), "crMultiplyMat: dimension miss match");
    crExpectUntouched(wrongShape.get(), 7.0f);

    CaptureStdout();
    crMultiplyMat(a.get(), wrongInner.get(), c.get());
    EXPECT_EQ(GetCapturedStdout(), "crMultiplyMat: dimension miss match");
    crExpectUntouched(c.get(), 7.0f);
}

TEST(MatrixTranspose, SwapsIndicesAndChecksShape) {
    auto a = crTestMatrix({{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}});
    auto t = crTestMatrix(4, 3);
    crTransposeMat(a.get(), t.get());
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(t->data[i][j], a->data[j][i]);

    auto same = crTestMatrix(3, 4, -5.0f);
    CaptureStdout();
    crTransposeMat(a.get(), same.get());
    EXPECT_EQ(GetCapturedStdout(), "crTransposeMat: dimension miss match");
    crExpectUntouched(same.get(), -5.0f);
}

TEST(MatrixIdentity, ScaledDiagonalOnRectangularMatrix) {
    auto m = crTestMatrix(2, 3, 8.0f);
    crIdentityMat(m.get(), 1.0f);
    const float expected[2][3] = {{1, 0, 0}, {0, 1, 0}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(m->data[i][j], expected[i][j]);
}

}  // namespace
