// Camera pose from calibration pairs: recovery of known poses, the rule for
// cameras below the ground, optional outputs and what the record keeps.
#include <gtest/gtest.h>

#include <cstring>

#include "camera/camera.h"
#include "support/calibration_scene.h"

namespace {

const ScenePose kPoses[] = {
    {0.0f, 2000.0f, -700.0f, -50.0f, 2.0f, 1.5f},       // front, looking ahead and down
    {30.0f, -2600.0f, -950.0f, 45.0f, -3.0f, 178.0f},   // rear
    {-950.0f, 300.0f, -1200.0f, 4.0f, -55.0f, -90.0f},  // left
    {950.0f, -250.0f, -500.0f, -6.0f, 50.0f, 91.0f},    // right
};
const Point2f kOrigins[] = {{0.0f, 0.0f}, {120.0f, -2500.0f}, {-40.0f, 75.0f}};

CameraParam crCalibratedCamera(const ScenePose& pose, Point2f origin, int pairs) {
    CameraParam cam = crEquidistantCamera();
    cam.originX = origin.x;
    cam.originY = origin.y;
    crSetPose(&cam, pose);
    EXPECT_GE(crFillCalibrationPairs(&cam, pairs), pairs);
    std::memset(cam.spare3, 0x7F, sizeof cam.spare3);
    return cam;
}

void crExpectPose(const CameraParam& cam, const ScenePose& want) {
    EXPECT_NEAR(cam.positionX, want.x, 1.0f);
    EXPECT_NEAR(cam.positionY, want.y, 1.0f);
    EXPECT_NEAR(cam.positionZ, want.z, 1.0f);
    EXPECT_LT(crAngleGap(cam.angleX, want.angleX), 0.05f) << cam.angleX;
    EXPECT_LT(crAngleGap(cam.angleY, want.angleY), 0.05f) << cam.angleY;
    EXPECT_LT(crAngleGap(cam.angleZ, want.angleZ), 0.05f) << cam.angleZ;
}

TEST(CameraPos, RecoversKnownPosesFromExactPairs) {
    for (const ScenePose& pose : kPoses) {
        for (const Point2f& origin : kOrigins) {
            CameraParam cam = crCalibratedCamera(pose, origin, 20);
            crSetPose(&cam, {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
            crGetCameraPos(&cam);
            SCOPED_TRACE(::testing::Message() << "pose y " << pose.y << " origin " << origin.x);
            crExpectPose(cam, pose);
        }
    }
}

TEST(CameraPos, CameraBelowGroundIsReportedAboveItTurnedHalfATurn) {
    const ScenePose below = {100.0f, -200.0f, 800.0f, 150.0f, 5.0f, 30.0f};
    CameraParam cam = crCalibratedCamera(below, kOrigins[1], 20);
    crGetCameraPos(&cam);
    crExpectPose(cam, {100.0f, -200.0f, -800.0f, 150.0f, 5.0f, -150.0f});
}

TEST(CameraPos, WritesOnlyThePoseFields) {
    CameraParam cam = crCalibratedCamera(kPoses[2], kOrigins[1], 30);
    std::memset(cam.spare1, 0x5A, sizeof cam.spare1);
    std::memset(cam.spare2, 0x3C, sizeof cam.spare2);
    const CameraParam before = cam;
    crGetCameraPos(&cam);
    CameraParam rest = cam;
    crSetPose(&rest, crPoseOf(before));
    EXPECT_EQ(std::memcmp(&rest, &before, sizeof before), 0);
    EXPECT_NE(std::memcmp(&cam, &before, sizeof before), 0);
}

TEST(CameraPos, NeedsFourPairsAndReadsAtMostFifty) {
    CameraParam three = crCalibratedCamera(kPoses[0], kOrigins[2], 50);
    three.pointCount = 3;
    const CameraParam before = three;
    crGetCameraPos(&three);
    EXPECT_EQ(std::memcmp(&three, &before, sizeof before), 0);

    CameraParam fifty = crCalibratedCamera(kPoses[0], kOrigins[2], 50);
    CameraParam sixty = fifty;
    sixty.pointCount = 60;
    crGetCameraPos(&fifty);
    crGetCameraPos(&sixty);
    sixty.pointCount = 50;
    EXPECT_EQ(std::memcmp(&fifty, &sixty, sizeof fifty), 0);
}

TEST(CameraPosition, NullOutputsAreSkippedAndTheOthersUnchanged) {
    const CameraParam cam = crCalibratedCamera(kPoses[1], kOrigins[1], 20);
    Matrix* h = crCreateMatrix(3, 3);
    crGetHomography(h, &cam, 0);
    float all[6];
    crGetCameraPosition(h, cam.focalLength, &all[0], &all[1], &all[2], &all[3], &all[4], &all[5]);
    for (int skip = 0; skip < 6; ++skip) {
        float some[6] = {7.0f, 7.0f, 7.0f, 7.0f, 7.0f, 7.0f};
        float* out[6];
        for (int k = 0; k < 6; ++k) out[k] = k == skip ? nullptr : &some[k];
        crGetCameraPosition(h, cam.focalLength, out[0], out[1], out[2], out[3], out[4], out[5]);
        for (int k = 0; k < 6; ++k) EXPECT_EQ(some[k], k == skip ? 7.0f : all[k]) << skip << " " << k;
    }
    crFreeMatrix(&h);
}

// Scale comes from the first column and sign from M(2,2) alone, so any
// power-of-two multiple of h, negative or not, decomposes to the same bits.
TEST(DecomposeHomography, IgnoresScaleAndSignOfTheHomography) {
    const CameraParam cam = crCalibratedCamera(kPoses[3], kOrigins[0], 20);
    Matrix* h = crCreateMatrix(3, 3);
    Matrix* scaled = crCreateMatrix(3, 3);
    crGetHomography(h, &cam, 0);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) scaled->data[r][c] = -4.0f * h->data[r][c];
    Matrix* r0[2] = {crCreateMatrix(3, 3), crCreateMatrix(3, 3)};
    Matrix* t[2] = {crCreateMatrix(3, 1), crCreateMatrix(3, 1)};
    crDecomposeHomography(h, r0[0], t[0], cam.focalLength);
    crDecomposeHomography(scaled, r0[1], t[1], cam.focalLength);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(r0[0]->data[r][c], r0[1]->data[r][c]) << r << c;
        EXPECT_EQ(t[0]->data[r][0], t[1]->data[r][0]) << r;
    }
    EXPECT_GT(t[0]->data[2][0], 0.0f);
    for (Matrix* m : {h, scaled, r0[0], r0[1], t[0], t[1]}) crFreeMatrix(&m);
}

// Camera at height +800 turned upside down about x (R = diag(1, -1, -1)):
// its roll comes out exactly 0, which the height rule turns to -180, also
// when the height itself is not asked for.
TEST(CameraPosition, ZeroRollOfACameraBelowGroundBecomesMinus180) {
    const float f = 1.2f;
    Matrix* h = crCreateMatrix(3, 3);
    crIdentityMat(h, f);
    h->data[1][1] = -f;
    h->data[2][2] = 800.0f;
    float x, y, z, angleX, angleY, angleZ, rollOnly;
    crGetCameraPosition(h, f, &x, &y, &z, &angleX, &angleY, &angleZ);
    crGetCameraPosition(h, f, nullptr, nullptr, nullptr, nullptr, nullptr, &rollOnly);
    EXPECT_NEAR(x, 0.0f, 1e-3f);
    EXPECT_NEAR(y, 0.0f, 1e-3f);
    EXPECT_FLOAT_EQ(z, -800.0f);
    EXPECT_LT(crAngleGap(angleX, 180.0f), 1e-4f);
    EXPECT_NEAR(angleY, 0.0f, 1e-4f);
    EXPECT_EQ(angleZ, -180.0f);
    EXPECT_EQ(rollOnly, -180.0f);
    crFreeMatrix(&h);
}

}  // namespace
