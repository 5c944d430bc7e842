// The SVD and the LU inverse against OpenCV on random matrices.
#include <algorithm>
#include <opencv2/core.hpp>
#include <random>
#include <vector>

#include "support/test_matrix.h"

CrMatrixPtr crRandomMatrix(int rows, int cols, std::mt19937& rng) {
    std::uniform_real_distribution<float> dist(-10.0f, 10.0f);
    CrMatrixPtr m = crTestMatrix(rows, cols);
    for (int i = 0; i < rows * cols; ++i) m->data[i / cols][i % cols] = dist(rng);
    return m;
}

cv::Mat crToMat(const Matrix* m) {
    cv::Mat out(m->rows, m->cols, CV_32F);
    for (int i = 0; i < m->rows; ++i) std::copy(m->data[i], m->data[i] + m->cols, out.ptr<float>(i));
    return out;
}

TEST(SvdOracle, ValuesMatchOpenCvAndFactorsReconstruct) {
    std::mt19937 rng(7);
    const int shapes[][2] = {{3, 3}, {4, 3}, {8, 5}, {9, 9}, {2, 1}};
    for (int trial = 0; trial < 40; ++trial) {
        const int m = shapes[trial % 5][0], n = shapes[trial % 5][1];
        CrMatrixPtr a = crRandomMatrix(m, n, rng), v = crTestMatrix(n, n);
        const cv::Mat reference = crToMat(a.get());
        cv::Mat expected;
        cv::SVD::compute(reference, expected, cv::SVD::NO_UV);
        std::vector<float> w(n);
        svdcmp(a->data, m, n, w.data(), v->data);
        std::vector<float> sorted = w;
        std::sort(sorted.rbegin(), sorted.rend());
        const float scale = expected.at<float>(0);
        for (int k = 0; k < n; ++k) EXPECT_NEAR(sorted[k], expected.at<float>(k), scale * 2e-6f) << trial;
        const cv::Mat rebuilt = crToMat(a.get()) * cv::Mat::diag(cv::Mat(w)) * crToMat(v.get()).t();
        EXPECT_LT(cv::norm(rebuilt, reference, cv::NORM_INF), scale * 4e-6) << trial;
    }
}

TEST(InverseOracle, AgreesWithOpenCvInvert) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 40; ++trial) {
        const int n = 1 + trial % 8;
        CrMatrixPtr a = crRandomMatrix(n, n, rng), inv = crTestMatrix(n, n);
        cv::Mat expected;
        if (cv::invert(crToMat(a.get()), expected, cv::DECOMP_SVD) < 1e-3) continue;  // too near singular for floats
        crInverseMat(a.get(), inv.get());
        const double size = cv::norm(expected, cv::NORM_INF);
        EXPECT_LT(cv::norm(crToMat(inv.get()), expected, cv::NORM_INF), size * 2e-4) << trial;
    }
}
