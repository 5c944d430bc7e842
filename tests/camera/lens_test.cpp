// Lens model: pixel to undistorted sensor point, back, and incidence angle.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera.h"

namespace {

// An equidistant lens: image height f * theta, angle height / f.
CameraParam crLensTestCamera(float f) {
    CameraParam cam{};
    cam.focalLength = f;
    cam.pixelScaleX = 250.0f;
    cam.pixelScaleY = 240.0f;
    cam.principalX = 640.5f;
    cam.principalY = 360.25f;
    cam.distortion[0] = f;
    cam.undistortion[1] = 1.0f / f;
    return cam;
}

TEST(LensModel, OpticalCentreMapsToTheAxisAndBack) {
    CameraParam cam = crLensTestCamera(1.3f);
    const Point2f centre{cam.principalX, cam.principalY};
    Point2f undistorted{9.0f, 9.0f};
    crFeatureUndistortion(&centre, &undistorted, &cam);
    EXPECT_EQ(undistorted.x, 0.0f);
    EXPECT_EQ(undistorted.y, 0.0f);

    const Point2f axis{0.0f, 0.0f};
    Point2f pixel{};
    crFeatureDistortion(&axis, &pixel, &cam);
    EXPECT_EQ(pixel.x, cam.principalX);
    EXPECT_EQ(pixel.y, cam.principalY);
}

TEST(LensModel, UndistortionFollowsTheInversePolynomial) {
    CameraParam cam = crLensTestCamera(1.3f);
    const float d = 150.0f;
    const Point2f right{cam.principalX + d, cam.principalY};
    const Point2f left{cam.principalX - d, cam.principalY};
    Point2f a{}, b{};
    crFeatureUndistortion(&right, &a, &cam);
    crFeatureUndistortion(&left, &b, &cam);
    const float rho = d / cam.pixelScaleX;
    EXPECT_EQ(a.x, rho / rho * (tanf(cam.undistortion[1] * rho) * cam.focalLength));
    EXPECT_EQ(a.y, 0.0f);
    EXPECT_EQ(b.x, -a.x);
    EXPECT_EQ(b.y, a.y);

    // Rows scale by pixelScaleY and keep the direction of the offset.
    const Point2f down{cam.principalX + 60.0f, cam.principalY + 80.0f};
    crFeatureUndistortion(&down, &a, &cam);
    const float x = 60.0f / cam.pixelScaleX, y = 80.0f / cam.pixelScaleY;
    EXPECT_NEAR(a.y / a.x, y / x, 1e-6f);
    EXPECT_NEAR(std::hypot(a.x, a.y), tanf(std::hypot(x, y) / cam.focalLength) * cam.focalLength, 1e-6f);
}

TEST(LensModel, DistortionFollowsTheForwardPolynomial) {
    CameraParam cam = crLensTestCamera(1.0f);
    cam.distortion[1] = -0.05f;  // rho = theta - 0.05 theta^3
    const Point2f undistorted{0.6f, -0.8f};  // theta about pi / 4
    Point2f pixel{};
    crFeatureDistortion(&undistorted, &pixel, &cam);
    const float r = sqrtf(0.6f * 0.6f + -0.8f * -0.8f);
    const float theta = atanf(r);
    const float s = (theta + -0.05f * (theta * (theta * theta))) / r;
    EXPECT_EQ(pixel.x, 0.6f * s * cam.pixelScaleX + cam.principalX);
    EXPECT_EQ(pixel.y, s * -0.8f * cam.pixelScaleY + cam.principalY);

    // The undistorted point is divided by the focal length first.
    cam.focalLength = 2.0f;
    const Point2f doubled{1.2f, -1.6f};
    Point2f same{};
    crFeatureDistortion(&doubled, &same, &cam);
    EXPECT_EQ(same.x, pixel.x);
    EXPECT_EQ(same.y, pixel.y);
}

TEST(LensModel, EquidistantRoundTripsBelowNinetyDegrees) {
    CameraParam cam = crLensTestCamera(1.7f);
    for (float degrees = 1.0f; degrees < 80.0f; degrees += 3.0f) {
        for (float azimuth = 0.0f; azimuth < 6.28f; azimuth += 0.7f) {
            const float t = tanf(crDegToRad(degrees)) * cam.focalLength;
            const Point2f start{t * cosf(azimuth), t * sinf(azimuth)};
            Point2f pixel{}, back{};
            crFeatureDistortion(&start, &pixel, &cam);
            crFeatureUndistortion(&pixel, &back, &cam);
            EXPECT_NEAR(back.x, start.x, 2e-5f * (1.0f + t * t)) << degrees << " " << azimuth;
            EXPECT_NEAR(back.y, start.y, 2e-5f * (1.0f + t * t)) << degrees << " " << azimuth;
        }
    }
}

TEST(LensModel, FieldOfViewInDegrees) {
    CameraParam cam = crLensTestCamera(1.0f);
    float degrees = -1.0f;
    crGetFOV(&cam, cam.principalX, cam.principalY, &degrees);
    EXPECT_EQ(degrees, 0.0f);
    cam.undistortion[0] = 0.25f;
    crGetFOV(&cam, cam.principalX, cam.principalY, &degrees);
    EXPECT_EQ(degrees, 0.25f * 57.29578f);

    cam.undistortion[0] = 0.0f;
    crGetFOV(&cam, cam.principalX, cam.principalY - 300.0f, &degrees);
    EXPECT_EQ(degrees, 300.0f / cam.pixelScaleY * 57.29578f);
}

}  // namespace
