// crRemap against cv::remap on a smooth picture and crImageToBmp files decoded by OpenCV.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "remap_support.h"

namespace {

// Largest channel difference where the footprint lies well inside the source, skipping nearest's rounding ties.
int crWorstRemapDifference(int flags, int interpolation) {
    const int sw = 97, sh = 71, dw = 83, dh = 64;
    TestImage src(3, sw, sh), dst(3, dw, dh);
    cv::Mat srcMat(sh, sw, CV_8UC3), map(dh, dw, CV_32FC2), expected;
    std::vector<float*> lut(dh);  // the LUT rows are the map's rows
    src.paint([](int c, int r, int k) { return std::lround(128 + 90 * sin(c * .11 + k) * cos(r * .07 - k)); });
    for (int r = 0; r < sh; ++r) std::copy(src->data[r], src->data[r] + 3 * size_t(sw), srcMat.ptr<unsigned char>(r));
    for (int r = 0; r < dh; ++r)  // rotated, scaled and barrel-shaped, overshooting the source on every side
        for (int c = 0; c < dw; ++c) {
            const double u = (c - dw / 2.0) / dw, v = (r - dh / 2.0) / dh, bend = 1.0 + 0.3 * (u * u + v * v);
            map.at<cv::Vec2f>(r, c) = cv::Vec2f(float(sw / 2.0 + 1.23 * sw * bend * (u * 0.96 - v * 0.28)),
                                                float(sh / 2.0 + 1.17 * sh * bend * (u * 0.28 + v * 0.96)));
            lut[r] = map.ptr<float>(r);
        }
    crRemap(src, dst, lut.data(), flags, nullptr);  // dst starts black, like OpenCV's border
    cv::remap(srcMat, expected, map, cv::Mat(), interpolation, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    int worst = 0, compared = 0;
    auto tie = [flags](float v) { return flags == 0 && std::fabs(v - std::floor(v) - 0.5f) < 1e-3f; };
    for (int r = 0; r < dh; ++r)
        for (int c = 0; c < dw; ++c) {
            const cv::Vec2f p = map.at<cv::Vec2f>(r, c);
            if (p[0] < 3 || p[0] > sw - 5 || p[1] < 3 || p[1] > sh - 5 || tie(p[0]) || tie(p[1])) continue;
            ++compared;
            for (int k = 0; k < 3; ++k)
                worst = std::max(worst, std::abs(dst.px(c, r)[k] - expected.at<cv::Vec3b>(r, c)[k]));
        }
    EXPECT_GT(compared, dw * dh / 3);
    return worst;
}

TEST(RemapOracle, NearestMatchesExactly) { EXPECT_EQ(crWorstRemapDifference(0, cv::INTER_NEAREST), 0); }
TEST(RemapOracle, BilinearWithinOneLevel) { EXPECT_LE(crWorstRemapDifference(1, cv::INTER_LINEAR), 1); }
TEST(RemapOracle, BicubicWithinTwoLevels) { EXPECT_LE(crWorstRemapDifference(2, cv::INTER_CUBIC), 2); }

// Exact pixels back for grey, 24-bit and 32-bit pictures (OpenCV drops the fourth byte of 32-bit files).
TEST(BmpOracle, DecodedFilesHoldThePicturesPixels) {
    const int cases[][4] = {{1, 7, 5, 1}, {3, 5, 3, 3}, {4, 6, 4, 3}};  // channels, width, height, decoded channels
    for (const auto& t : cases) {
        SCOPED_TRACE(t[0]);
        TestImage img(t[0], t[1], t[2]);
        img.paint([](int c, int r, int k) { return (r * 31 + c * 7 + k * 57) % 256; });
        int size = 0;
        unsigned char* bytes = crImageToBmp(img, &size);
        ASSERT_NE(bytes, nullptr);
        const cv::Mat decoded = cv::imdecode(std::vector<unsigned char>(bytes, bytes + size), cv::IMREAD_UNCHANGED);
        std::free(bytes);
        ASSERT_TRUE(decoded.cols == t[1] && decoded.rows == t[2] && decoded.channels() == t[3]);
        const int w = t[1] * t[3];  // decoded bytes per row
        for (int i = 0; i < w * t[2]; ++i)
            ASSERT_EQ(decoded.ptr<unsigned char>(i / w)[i % w], img.px(i % w / t[3], i / w)[i % t[3]]) << i;
    }
}

}  // namespace
