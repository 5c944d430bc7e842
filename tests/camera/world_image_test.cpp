// Mapping between ground points and pixels through the camera pose and
// through 3 x 3 homographies, and the conversion of calibration points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "camera/camera.h"
#include "support/calibration_scene.h"
#include "support/test_matrix.h"

namespace {

// Equidistant lens (the two polynomials agree) at the given pose.
CameraParam crCamera(float angleX, float angleZ, float angleY, Point3f position, Point2f origin) {
    CameraParam cam = crEquidistantCamera();
    crSetPose(&cam, {position.x, position.y, position.z, angleX, angleY, angleZ});
    cam.originX = origin.x;
    cam.originY = origin.y;
    return cam;
}

// Front, rear, left and right cameras of a car, some with origin offsets.
std::vector<CameraParam> crRig() {
    return {crCamera(35.0f, 0.0f, 0.0f, {0.0f, 2100.0f, -750.0f}, {0.0f, 0.0f}),
            crCamera(-40.0f, 180.0f, 2.0f, {30.0f, -2600.0f, -1000.0f}, {120.0f, -45.0f}),
            crCamera(10.0f, 90.0f, -45.0f, {-950.0f, 300.0f, -1100.0f}, {-300.0f, 410.0f}),
            crCamera(-5.0f, -90.0f, 50.0f, {950.0f, -200.0f, -1050.0f}, {17.5f, 0.0f})};
}

// Ground points around the camera whose rays are within 75 degrees of
// the optical axis.
std::vector<Point2f> crVisibleGround(const CameraParam& cam) {
    auto mz = crTestMatrix(3, 3);
    crGetProjectionZ3x3(mz.get(), &cam);
    std::vector<Point2f> points;
    for (float dx = -3000.0f; dx <= 3000.0f; dx += 250.0f)
        for (float dy = -3000.0f; dy <= 3000.0f; dy += 250.0f) {
            const float x = cam.positionX + dx, y = cam.positionY + dy;
            float c[3];
            for (int i = 0; i < 3; ++i) c[i] = mz->data[i][0] * x + mz->data[i][1] * y + mz->data[i][2];
            if (c[2] > std::hypot(c[0], c[1]) * tanf(crDegToRad(15.0f))) points.push_back({x, y});
        }
    return points;
}

TEST(WorldToImage, CameraLookingDownSeesGroundAroundTheOpticalCentre) {
    const CameraParam cam = crCamera(0.0f, 0.0f, 0.0f, {0.0f, 0.0f, -1500.0f}, {0.0f, 0.0f});
    const Point2f ground[3] = {{0.0f, 0.0f}, {400.0f, 0.0f}, {0.0f, 400.0f}};
    Point2f image[3];
    crWorldToImage2D(&cam, ground, image, 3);
    EXPECT_EQ(image[0].x, cam.principalX);
    EXPECT_EQ(image[0].y, cam.principalY);
    EXPECT_GT(image[1].x, cam.principalX);
    EXPECT_EQ(image[1].y, cam.principalY);
    EXPECT_EQ(image[2].x, cam.principalX);
    EXPECT_GT(image[2].y, cam.principalY);
    // Equidistant lens: the distance from the centre is f * theta in pixels.
    EXPECT_NEAR(image[1].x - cam.principalX, atanf(400.0f / 1500.0f) * cam.focalLength * cam.pixelScaleX, 1e-3f);
}

TEST(WorldToImage, MinusOneMarkerPassesThrough) {
    const CameraParam cam = crCamera(0.0f, 0.0f, 0.0f, {0.0f, 0.0f, -1500.0f}, {0.0f, 0.0f});
    const Point2f ground[3] = {{-1.0f, -1.0f}, {-1.0f, 0.0f}, {0.0f, -1.0f}};
    Point2f image[3];
    crWorldToImage2D(&cam, ground, image, 3);
    EXPECT_EQ(image[0].x, -1.0f);
    EXPECT_EQ(image[0].y, -1.0f);
    // One coordinate of -1 is an ordinary ground point, just off the centre.
    EXPECT_LT(image[1].x, cam.principalX);
    EXPECT_GT(image[1].x, cam.principalX - 1.0f);
    EXPECT_EQ(image[1].y, cam.principalY);
    EXPECT_EQ(image[2].x, cam.principalX);
    EXPECT_LT(image[2].y, cam.principalY);
}

TEST(WorldImageRoundTrip, GroundToPixelToGroundForEveryRigCamera) {
    for (const CameraParam& cam : crRig()) {
        auto h = crTestMatrix(3, 3);
        crSensorToGround(&cam, h.get());
        const std::vector<Point2f> ground = crVisibleGround(cam);
        ASSERT_GT(ground.size(), 100u);
        std::vector<Point2f> image(ground.size());
        crWorldToImage2D(&cam, ground.data(), image.data(), static_cast<int>(ground.size()));
        for (size_t i = 0; i < ground.size(); ++i) {
            const Point3f back = crImageToWorld(image[i], &cam, h.get());
            const float range = std::hypot(ground[i].x - cam.positionX, ground[i].y - cam.positionY, cam.positionZ);
            EXPECT_NEAR(back.x, ground[i].x + cam.originX, range * 2e-5f) << cam.angleZ << " " << i;
            EXPECT_NEAR(back.y, ground[i].y + cam.originY, range * 2e-5f) << cam.angleZ << " " << i;
            EXPECT_EQ(back.z, 0.0f);
        }
    }
}

TEST(WorldToImage, HomographyFormAgreesWithThePoseForm) {
    for (const CameraParam& cam : crRig()) {
        // Ground to undistorted sensor plane: diag(f, f, 1) M_Z.
        auto mz = crTestMatrix(3, 3);
        auto scale = crTestMatrix(3, 3);
        auto h = crTestMatrix(3, 3);
        crGetProjectionZ3x3(mz.get(), &cam);
        crIdentityMat(scale.get(), cam.focalLength);
        scale->data[2][2] = 1.0f;
        crMultiplyMat(scale.get(), mz.get(), h.get());
        for (const Point2f& g : crVisibleGround(cam)) {
            Point2f expected;
            crWorldToImage2D(&cam, &g, &expected, 1);
            const Point2f pixel = crWorldToImage(&cam, {g.x, g.y, 0.0f}, h.get());
            EXPECT_NEAR(pixel.x, expected.x, 2e-3f);
            EXPECT_NEAR(pixel.y, expected.y, 2e-3f);
        }
    }
}

TEST(WorldToImage, HeightEntersTheThirdCoordinateOnly) {
    auto h = crTestMatrix({{2, 0, 0}, {0, 2, 0}, {0, 0, 4}});
    CameraParam cam = crCamera(0, 0, 0, {0, 0, -1}, {0, 0});
    cam.focalLength = 1.0f;
    // (x, y, w) = (2, 2, 4 + 4): tangents (0.25, 0.25) as for the point (1, 1, 4) on the ground.
    const Point2f raised = crWorldToImage(&cam, {1.0f, 1.0f, 4.0f}, h.get());
    const Point2f ray{0.25f, 0.25f};
    Point2f expected;
    crFeatureDistortion(&ray, &expected, &cam);
    EXPECT_EQ(raised.x, expected.x);
    EXPECT_EQ(raised.y, expected.y);
    // A vanishing third coordinate counts as 1.
    const Point2f flat = crWorldToImage(&cam, {0.125f, 0.0f, -4.0f}, h.get());
    const Point2f flatRay{0.25f, 0.0f};
    crFeatureDistortion(&flatRay, &expected, &cam);
    EXPECT_EQ(flat.x, expected.x);
}

TEST(ConvertImageToWorld, CalibrationPointsGoBackToTheirGroundPoints) {
    CameraParam cam = crRig()[1];
    const std::vector<Point2f> ground = crVisibleGround(cam);
    const int count = 30;
    crWorldToImage2D(&cam, ground.data(), cam.imagePoints, count);
    crConvertImage2World(&cam, 0, 0, count);
    for (int i = 0; i < count; ++i) {
        EXPECT_NEAR(cam.worldPoints[i].x - cam.originX, ground[i].x, 0.1f) << i;
        EXPECT_NEAR(cam.worldPoints[i].y - cam.originY, ground[i].y, 0.1f) << i;
    }
    EXPECT_EQ(cam.worldPoints[count].x, 0.0f);
}

TEST(ConvertImageToWorld, ZeroCountChangesNothing) {
    CameraParam cam = crRig()[2];
    for (int i = 0; i < 50; ++i) cam.imagePoints[i] = {100.0f + i, 200.0f};
    const CameraParam before = cam;
    crConvertImage2World(&cam, 0, 0, 0);
    EXPECT_EQ(std::memcmp(&cam, &before, sizeof cam), 0);
}

TEST(ConvertImageToWorld, CountAboveFiftyIsLimitedToTheRecord) {
    CameraParam cams[2] = {crRig()[0], crRig()[0]};
    for (int i = 0; i < 50; ++i) cams[0].imagePoints[i] = {300.0f + 10.0f * i, 500.0f + 3.0f * i};
    std::memset(cams[0].spare3, 0x5A, sizeof cams[0].spare3);
    const CameraParam next = cams[1];
    crConvertImage2World(&cams[0], 0, 0, 70);

    auto h = crTestMatrix(3, 3);
    crSensorToGround(&cams[0], h.get());
    for (int i = 0; i < 50; ++i) {
        const Point2f expected = crImageToWorld2D(&cams[0], h.get(), cams[0].imagePoints[i]);
        EXPECT_EQ(cams[0].worldPoints[i].x, expected.x) << i;
        EXPECT_EQ(cams[0].worldPoints[i].y, expected.y) << i;
    }
    for (int32_t word : cams[0].spare3) EXPECT_EQ(word, 0x5A5A5A5A);
    EXPECT_EQ(std::memcmp(&cams[1], &next, sizeof next), 0);
}

}  // namespace
