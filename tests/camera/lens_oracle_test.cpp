// The lens model against OpenCV's fisheye model, which is the same model
// with focal length 1, forward coefficients (1, k1, k2, k3, k4) and pixel
// scales fx, fy.
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/calib3d.hpp>
#include <vector>

#include "camera/camera.h"

namespace {

const double kFx = 330.0, kFy = 318.0, kCx = 641.5, kCy = 402.25;
const double kK[4] = {-0.031, 0.0042, -0.0011, 0.00007};

CameraParam crFisheyeCamera() {
    CameraParam cam{};
    cam.focalLength = 1.0f;
    cam.pixelScaleX = static_cast<float>(kFx);
    cam.pixelScaleY = static_cast<float>(kFy);
    cam.principalX = static_cast<float>(kCx);
    cam.principalY = static_cast<float>(kCy);
    cam.distortion[0] = 1.0f;
    for (int i = 0; i < 4; ++i) cam.distortion[i + 1] = static_cast<float>(kK[i]);
    return cam;
}

cv::Matx33d crIntrinsics() { return cv::Matx33d(kFx, 0, kCx, 0, kFy, kCy, 0, 0, 1); }

double crDistortedHeight(double theta) {
    const double t2 = theta * theta;
    return theta * (1 + t2 * (kK[0] + t2 * (kK[1] + t2 * (kK[2] + t2 * kK[3]))));
}

// Tangent-plane points on rings of incidence angles up to `maxDegrees`.
std::vector<cv::Point2d> crRays(double maxDegrees, std::vector<double>* thetas) {
    std::vector<cv::Point2d> rays;
    for (double degrees = 0.5; degrees <= maxDegrees; degrees += 1.5) {
        const double theta = degrees * CV_PI / 180.0;
        for (double azimuth = 0.1; azimuth < 2 * CV_PI; azimuth += 0.45) {
            rays.emplace_back(std::tan(theta) * std::cos(azimuth), std::tan(theta) * std::sin(azimuth));
            thetas->push_back(theta);
        }
    }
    return rays;
}

TEST(LensOracle, DistortionMatchesOpenCvFisheye) {
    const CameraParam cam = crFisheyeCamera();
    std::vector<double> thetas;
    const std::vector<cv::Point2d> rays = crRays(89.5, &thetas);
    std::vector<cv::Point2d> expected;
    cv::fisheye::distortPoints(rays, expected, crIntrinsics(), cv::Vec4d(kK[0], kK[1], kK[2], kK[3]));
    for (size_t i = 0; i < rays.size(); ++i) {
        const Point2f ray{static_cast<float>(rays[i].x), static_cast<float>(rays[i].y)};
        Point2f pixel{};
        crFeatureDistortion(&ray, &pixel, &cam);
        // A few float roundings of a pixel offset below a thousand.
        EXPECT_NEAR(pixel.x, expected[i].x, 5e-4) << thetas[i];
        EXPECT_NEAR(pixel.y, expected[i].y, 5e-4) << thetas[i];
    }
}

// Least-squares fit in double of theta as a polynomial of degree 8 in the
// distorted height, rounded to float.
void crFitInverse(double maxTheta, float c[9]) {
    const int samples = 400;
    cv::Mat a(samples, 9, CV_64F), b(samples, 1, CV_64F);
    for (int s = 0; s < samples; ++s) {
        const double theta = maxTheta * s / (samples - 1);
        const double rho = crDistortedHeight(theta);
        for (int p = 0; p < 9; ++p) a.at<double>(s, p) = std::pow(rho, p);
        b.at<double>(s) = theta;
    }
    cv::Mat coefficients;
    cv::solve(a, b, coefficients, cv::DECOMP_SVD);
    for (int p = 0; p < 9; ++p) c[p] = static_cast<float>(coefficients.at<double>(p));
}

double crFitError(const float c[9], double theta) {
    const double rho = crDistortedHeight(theta);
    double fitted = 0.0;
    for (int p = 8; p >= 0; --p) fitted = fitted * rho + c[p];
    return std::fabs(fitted - theta);
}

TEST(LensOracle, UndistortionWithFittedInverseMatchesOpenCvFisheye) {
    const double maxDegrees = 85.0;
    CameraParam cam = crFisheyeCamera();
    crFitInverse(maxDegrees * CV_PI / 180.0, cam.undistortion);

    std::vector<double> thetas;
    std::vector<cv::Point2d> pixels;
    cv::fisheye::distortPoints(crRays(maxDegrees, &thetas), pixels, crIntrinsics(),
                               cv::Vec4d(kK[0], kK[1], kK[2], kK[3]));
    std::vector<cv::Point2d> expected;
    cv::fisheye::undistortPoints(pixels, expected, crIntrinsics(), cv::Vec4d(kK[0], kK[1], kK[2], kK[3]));
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Point2f pixel{static_cast<float>(pixels[i].x), static_cast<float>(pixels[i].y)};
        Point2f ray{};
        crFeatureUndistortion(&pixel, &ray, &cam);
        // An angle error moves the tangent by that error over cos^2; float
        // rounding adds about 1e-6 of the angle.
        const double slope = 1.0 / (std::cos(thetas[i]) * std::cos(thetas[i]));
        const double tolerance = (crFitError(cam.undistortion, thetas[i]) + 1e-6) * slope * 2.0;
        EXPECT_NEAR(ray.x, expected[i].x, tolerance) << thetas[i];
        EXPECT_NEAR(ray.y, expected[i].y, tolerance) << thetas[i];
    }
}

}  // namespace
