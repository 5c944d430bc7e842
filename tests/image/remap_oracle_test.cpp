// crRemap against cv::remap on the same LUT (as float maps): nearest sampling
// agrees exactly away from rounding ties, bilinear within one level and
// bicubic within two on a smooth picture, over the pixels whose footprint
// lies well inside the source. OpenCV quantises positions to 1/32 pixel, so
// the tolerances cover its coarser weights, not ours.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <opencv2/imgproc.hpp>

#include "remap_support.h"

namespace {

constexpr int kSrcW = 97, kSrcH = 71, kDstW = 83, kDstH = 64;

struct Scene {
    TestImage src{3, kSrcW, kSrcH};
    TestLut lut{kDstW, kDstH};
    // Parentheses: braces would pick cv::Mat's initializer-list constructor.
    cv::Mat srcMat = cv::Mat(kSrcH, kSrcW, CV_8UC3);
    cv::Mat mapX = cv::Mat(kDstH, kDstW, CV_32FC1), mapY = cv::Mat(kDstH, kDstW, CV_32FC1);

    Scene() {
        for (int r = 0; r < kSrcH; ++r)
            for (int c = 0; c < kSrcW; ++c)
                for (int k = 0; k < 3; ++k) {
                    const double v = 128.0 + 90.0 * std::sin(c * 0.11 + k) * std::cos(r * 0.07 - k);
                    src.px(c, r)[k] = srcMat.at<cv::Vec3b>(r, c)[k] = static_cast<unsigned char>(std::lround(v));
                }
        // A rotated, scaled and slightly barrel-shaped view that overshoots
        // the source on every side.
        for (int r = 0; r < kDstH; ++r)
            for (int c = 0; c < kDstW; ++c) {
                const double u = (c - kDstW / 2.0) / kDstW, v = (r - kDstH / 2.0) / kDstH;
                const double bend = 1.0 + 0.3 * (u * u + v * v);
                const double x = kSrcW / 2.0 + 1.23 * kSrcW * bend * (u * 0.96 - v * 0.28);
                const double y = kSrcH / 2.0 + 1.17 * kSrcH * bend * (u * 0.28 + v * 0.96);
                lut.set(c, r, static_cast<float>(x), static_cast<float>(y));
                mapX.at<float>(r, c) = static_cast<float>(x);
                mapY.at<float>(r, c) = static_cast<float>(y);
            }
    }

    bool interior(int c, int r) const {
        const float x = lut.rows[r][2 * c], y = lut.rows[r][2 * c + 1];
        return x >= 3.0f && x <= kSrcW - 5.0f && y >= 3.0f && y <= kSrcH - 5.0f;
    }

    // Largest channel difference over the interior; counts the pixels compared.
    int compare(int flags, int interpolation, bool skipTies, int* compared) {
        TestImage dst(3, kDstW, kDstH);
        const unsigned char fill[3] = {0, 0, 0};
        crRemap(src, dst, lut, flags, fill);
        cv::Mat expected;
        cv::remap(srcMat, expected, mapX, mapY, interpolation, cv::BORDER_CONSTANT, cv::Scalar::all(0));
        int worst = 0;
        *compared = 0;
        for (int r = 0; r < kDstH; ++r)
            for (int c = 0; c < kDstW; ++c) {
                if (!interior(c, r) || (skipTies && nearTie(c, r))) continue;
                ++*compared;
                for (int k = 0; k < 3; ++k)
                    worst = std::max(worst, std::abs(dst.px(c, r)[k] - expected.at<cv::Vec3b>(r, c)[k]));
            }
        return worst;
    }

    // OpenCV rounds halves to even, this library away from zero.
    bool nearTie(int c, int r) const {
        for (int i = 0; i < 2; ++i) {
            const float v = lut.rows[r][2 * c + i];
            if (std::fabs(v - std::floor(v) - 0.5f) < 1e-3f) return true;
        }
        return false;
    }
};

TEST(RemapOracle, NearestMatchesExactly) {
    Scene s;
    int compared = 0;
    EXPECT_EQ(s.compare(0, cv::INTER_NEAREST, true, &compared), 0);
    EXPECT_GT(compared, kDstW * kDstH / 3);
}

TEST(RemapOracle, BilinearWithinOneLevel) {
    Scene s;
    int compared = 0;
    EXPECT_LE(s.compare(1, cv::INTER_LINEAR, false, &compared), 1);
    EXPECT_GT(compared, kDstW * kDstH / 3);
}

TEST(RemapOracle, BicubicWithinTwoLevels) {
    Scene s;
    int compared = 0;
    EXPECT_LE(s.compare(2, cv::INTER_CUBIC, false, &compared), 2);
    EXPECT_GT(compared, kDstW * kDstH / 3);
}

}  // namespace
