// View-mode LUT with lens correction against OpenCV's fisheye undistortion
// maps for the matching camera.
#include <gtest/gtest.h>

#include <opencv2/calib3d.hpp>

#include "view_support.h"

namespace {

struct OracleCase {
    float focal;  // sensor units; the pinhole view has this focal length in pixels
    float pixelScaleX, pixelScaleY;
};

class ViewModeOracle : public ::testing::TestWithParam<OracleCase> {};

TEST_P(ViewModeOracle, LensCorrectionMatchesFisheyeUndistortion) {
    const OracleCase p = GetParam();
    const double k[4] = {-0.05, 0.01, -0.002, 0.0005};
    CameraParam cam = crTestFisheye(p.focal);
    cam.pixelScaleX = p.pixelScaleX;
    cam.pixelScaleY = p.pixelScaleY;
    cam.principalX = 322.5f;
    cam.principalY = 241.25f;
    // theta_d = theta (1 + k1 theta^2 + ...) in sensor units of `focal`.
    for (int i = 0; i < 4; ++i) cam.distortion[i + 1] = static_cast<float>(p.focal * k[i]);
    ViewParam view = crNeutralView(&cam);
    view.flags = CR_VIEW_LENS;
    const TestLut lut = crViewLut(view);

    const cv::Matx33d cameraMatrix(p.focal * p.pixelScaleX, 0, cam.principalX, 0, p.focal * p.pixelScaleY,
                                   cam.principalY, 0, 0, 1);
    const cv::Matx33d viewMatrix(p.focal, 0, view.centerX, 0, p.focal, view.centerY, 0, 0, 1);
    cv::Mat mapX, mapY;
    cv::fisheye::initUndistortRectifyMap(cameraMatrix, cv::Vec4d(k[0], k[1], k[2], k[3]), cv::Matx33d::eye(),
                                         viewMatrix, cv::Size(view.outWidth, view.outHeight), CV_32FC1, mapX,
                                         mapY);
    int inside = 0;
    for (int r = 0; r < view.outHeight; ++r) {
        for (int c = 0; c < view.outWidth; ++c) {
            const float x = mapX.at<float>(r, c), y = mapY.at<float>(r, c);
            const bool clear = x >= 0.01f && x < 639.99f && y >= 0.01f && y < 479.99f;
            if (!lut.valid(c, r)) {
                EXPECT_FALSE(clear) << c << "," << r;
                continue;
            }
            ++inside;
            ASSERT_NEAR(lut.at(c, r).x, x, 2e-3f) << c << "," << r;
            ASSERT_NEAR(lut.at(c, r).y, y, 2e-3f) << c << "," << r;
        }
    }
    EXPECT_GT(inside, 50000);
}

INSTANTIATE_TEST_SUITE_P(Cameras, ViewModeOracle,
                         ::testing::Values(OracleCase{1.0f, 150.0f, 160.0f}, OracleCase{250.0f, 1.2f, 1.25f}));

}  // namespace
