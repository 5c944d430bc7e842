// The lens-corrected neutral view LUT against OpenCV's fisheye undistortion maps.
#include <gtest/gtest.h>

#include <opencv2/calib3d.hpp>

#include "view_support.h"

namespace {

TEST(ViewModeOracle, LensCorrectionMatchesFisheyeUndistortion) {
    const double k[4] = {-0.05, 0.01, -0.002, 0.0005};
    const float cases[2][3] = {{1.0f, 150.0f, 160.0f}, {250.0f, 1.2f, 1.25f}};  // focal, pixel scales
    for (const auto& p : cases) {
        SCOPED_TRACE(p[0]);
        CameraParam cam = crTestFisheye(p[0]);
        cam.pixelScaleX = p[1], cam.pixelScaleY = p[2], cam.principalX = 322.5f, cam.principalY = 241.25f;
        for (int i = 0; i < 4; ++i) cam.distortion[i + 1] = static_cast<float>(p[0] * k[i]);
        const ViewParam view = crNeutralView(&cam, CR_VIEW_LENS);
        const TestLut lut = crViewLut(view);
        const cv::Matx33d camera(p[0] * p[1], 0, cam.principalX, 0, p[0] * p[2], cam.principalY, 0, 0, 1);
        const cv::Matx33d pinhole(p[0], 0, view.centerX, 0, p[0], view.centerY, 0, 0, 1);
        cv::Mat mapX, mapY;
        cv::fisheye::initUndistortRectifyMap(camera, cv::Vec4d(k[0], k[1], k[2], k[3]), cv::Matx33d::eye(), pinhole,
                                             cv::Size(640, 480), CV_32FC1, mapX, mapY);
        int inside = 0;
        for (int r = 0; r < 480; ++r)
            for (int c = 0; c < 640; ++c) {
                const float x = mapX.at<float>(r, c), y = mapY.at<float>(r, c);
                if (!lut.valid(c, r)) {
                    EXPECT_FALSE(x >= 0.01f && x < 639.99f && y >= 0.01f && y < 479.99f) << c << "," << r;
                    continue;
                }
                ++inside;
                ASSERT_NEAR(lut.at(c, r).x, x, 2e-3f) << c << "," << r;
                ASSERT_NEAR(lut.at(c, r).y, y, 2e-3f) << c << "," << r;
            }
        EXPECT_GT(inside, 50000);
    }
}

}  // namespace
