// Homographies from noisy pairs fit as well as OpenCV's least-squares
// estimate (method 0).
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/calib3d.hpp>
#include <random>
#include <vector>

#include "camrig.h"
#include "numerics/numerics.h"

namespace {

double crReprojectionRms(const double h[3][3], const std::vector<Point2f>& src, const std::vector<Point2f>& dst) {
    double sum = 0.0;
    for (size_t i = 0; i < src.size(); ++i) {
        const double w = h[2][0] * src[i].x + h[2][1] * src[i].y + h[2][2];
        const double u = (h[0][0] * src[i].x + h[0][1] * src[i].y + h[0][2]) / w;
        const double v = (h[1][0] * src[i].x + h[1][1] * src[i].y + h[1][2]) / w;
        sum += (u - dst[i].x) * (u - dst[i].x) + (v - dst[i].y) * (v - dst[i].y);
    }
    return std::sqrt(sum / src.size());
}

TEST(Homography2DOracle, NoisyPairsReprojectAsWellAsOpenCv) {
    const double truth[3][3] = {{0.9, 0.2, 310.0}, {-0.1, 1.1, 240.0}, {0.0005, 0.0003, 1.0}};
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> place(-400.0f, 400.0f);
    std::normal_distribution<float> noise(0.0f, 0.7f);
    for (int n : {6, 30}) {
        std::vector<Point2f> src, dst;
        std::vector<cv::Point2f> cvSrc, cvDst;
        for (int i = 0; i < n; ++i) {
            const Point2f p = {place(rng), place(rng)};
            const double w = truth[2][0] * p.x + truth[2][1] * p.y + truth[2][2];
            const Point2f q = {static_cast<float>((truth[0][0] * p.x + truth[0][1] * p.y + truth[0][2]) / w) + noise(rng),
                               static_cast<float>((truth[1][0] * p.x + truth[1][1] * p.y + truth[1][2]) / w) + noise(rng)};
            src.push_back(p), dst.push_back(q);
            cvSrc.emplace_back(p.x, p.y), cvDst.emplace_back(q.x, q.y);
        }
        Matrix* h = crCreateMatrix(3, 3);
        crGetHomography2D(src.data(), dst.data(), n, h);
        double ours[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) ours[r][c] = h->data[r][c];
        crFreeMatrix(&h);
        const cv::Mat theirs = cv::findHomography(cvSrc, cvDst, 0);
        ASSERT_FALSE(theirs.empty());
        double reference[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) reference[r][c] = theirs.at<double>(r, c);
        const double oursRms = crReprojectionRms(ours, src, dst);
        const double theirsRms = crReprojectionRms(reference, src, dst);
        EXPECT_LT(oursRms, 1.5 * theirsRms + 1e-3) << n << ": " << oursRms << " vs " << theirsRms;
    }
}

}  // namespace
