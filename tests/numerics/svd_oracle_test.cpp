// The SVD and the LU inverse against OpenCV on random matrices.
#include <gtest/gtest.h>

#include <algorithm>
#include <opencv2/core.hpp>
#include <random>
#include <vector>

#include "support/test_matrix.h"

namespace {

CrMatrixPtr crRandomMatrix(int rows, int cols, std::mt19937& rng) {
    std::uniform_real_distribution<float> dist(-10.0f, 10.0f);
    CrMatrixPtr m = crTestMatrix(rows, cols);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) m->data[i][j] = dist(rng);
    return m;
}

cv::Mat crToMat(const Matrix* m) {
    cv::Mat out(m->rows, m->cols, CV_32F);
    for (int i = 0; i < m->rows; ++i)
        for (int j = 0; j < m->cols; ++j) out.at<float>(i, j) = m->data[i][j];
    return out;
}

TEST(SvdOracle, ValuesMatchOpenCvAndFactorsReconstruct) {
    std::mt19937 rng(7);
    const int shapes[][2] = {{3, 3}, {4, 3}, {8, 5}, {9, 9}, {2, 1}};
    for (int trial = 0; trial < 40; ++trial) {
        const int m = shapes[trial % 5][0], n = shapes[trial % 5][1];
        CrMatrixPtr a = crRandomMatrix(m, n, rng);
        cv::Mat reference = crToMat(a.get());
        cv::Mat expected;
        cv::SVD::compute(reference, expected, cv::SVD::NO_UV);

        std::vector<float> w(n);
        CrMatrixPtr v = crTestMatrix(n, n);
        svdcmp(a->data, m, n, w.data(), v->data);

        std::vector<float> sorted = w;
        std::sort(sorted.rbegin(), sorted.rend());
        const float scale = expected.at<float>(0);
        for (int k = 0; k < n; ++k) EXPECT_NEAR(sorted[k], expected.at<float>(k), scale * 2e-6f) << trial;

        cv::Mat u = crToMat(a.get());
        cv::Mat rebuilt = u * cv::Mat::diag(cv::Mat(w)) * crToMat(v.get()).t();
        EXPECT_LT(cv::norm(rebuilt, reference, cv::NORM_INF), scale * 4e-6) << trial;
    }
}

TEST(InverseOracle, AgreesWithOpenCvInvert) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 40; ++trial) {
        const int n = 1 + trial % 8;
        CrMatrixPtr a = crRandomMatrix(n, n, rng);
        cv::Mat reference = crToMat(a.get());
        cv::Mat expected;
        const double conditionInverse = cv::invert(reference, expected, cv::DECOMP_SVD);
        if (conditionInverse < 1e-3) continue;  // too close to singular for a float comparison

        CrMatrixPtr inv = crTestMatrix(n, n);
        crInverseMat(a.get(), inv.get());
        const double size = cv::norm(expected, cv::NORM_INF);
        EXPECT_LT(cv::norm(crToMat(inv.get()), expected, cv::NORM_INF), size * 2e-4) << trial;
    }
}

}  // namespace
