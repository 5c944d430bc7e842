// Pose refinement against calibration pairs: the searches find the true pan
// angle and height again, stop at an optimum and touch only their fields.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/calibration_scene.h"
#include "views/views.h"

namespace {

const ScenePose kTruth = {40.0f, 1900.0f, -760.0f, -48.0f, 3.0f, 1.0f};

CameraParam crScene(int pairs) {
    CameraParam cam = crEquidistantCamera();
    cam.originX = 150.0f;
    cam.originY = -300.0f;
    crSetPose(&cam, kTruth);
    crFillCalibrationPairs(&cam, pairs);
    std::memset(cam.spare3, 0x7F, sizeof cam.spare3);
    return cam;
}

float crErrorOf(const CameraParam& cam) {
    return crPoseError(&cam, cam.angleX, cam.angleY, cam.angleZ, cam.positionX, cam.positionY, cam.positionZ);
}

using Search = float (*)(CameraParam*);
const Search kPanSearches[] = {crAdjustCameraAngle, crAdjustCameraPanAngle};

// Bytes of `after` equal those of `before` once `restore` has copied back
// the fields a search may write.
template <typename Restore>
void crExpectOnlyChanged(const CameraParam& before, CameraParam after, Restore restore) {
    restore(after, before);
    EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
}

TEST(PanSearch, ReturnsToTheTrueAngleAndWritesOnlyIt) {
    for (Search search : kPanSearches) {
        // Starts off the 0.01-degree grid through the true angle: the search
        // must stay on its own grid, within one step of the truth.
        for (float offset : {-3.404f, 2.737f}) {
            CameraParam cam = crScene(16);
            cam.angleY = kTruth.angleY + offset;
            const CameraParam before = cam;
            const float error = search(&cam);
            EXPECT_NEAR(cam.angleY, kTruth.angleY, 0.01f) << offset;
            EXPECT_NEAR(std::remainder((cam.angleY - before.angleY) * 100.0f, 1.0f), 0.0f, 0.01f);
            EXPECT_EQ(error, crErrorOf(cam));
            EXPECT_LT(error, crErrorOf(before));
            crExpectOnlyChanged(before, cam, [](CameraParam& a, const CameraParam& b) { a.angleY = b.angleY; });
        }
    }
}

TEST(PositionSearch, ReturnsToTheTrueHeightAndWritesOnlyThePosition) {
    for (float offset : {25.375f, -18.5f}) {
        CameraParam cam = crScene(16);
        cam.positionZ = kTruth.z + offset;
        const CameraParam before = cam;
        const float error = crAdjustCameraPosition(&cam);
        EXPECT_NEAR(cam.positionZ, kTruth.z, 1.0f) << offset;
        EXPECT_EQ(cam.positionZ - before.positionZ, std::round(cam.positionZ - before.positionZ));
        EXPECT_EQ(error, crErrorOf(cam));
        crExpectOnlyChanged(before, cam, [](CameraParam& a, const CameraParam& b) {
            a.positionX = b.positionX, a.positionY = b.positionY, a.positionZ = b.positionZ;
        });
    }
}

TEST(PoseSearches, LeaveAnOptimumUnchanged) {
    for (Search search : {crAdjustCameraAngle, crAdjustCameraPanAngle, crAdjustCameraPosition}) {
        CameraParam cam = crScene(16);
        cam.angleY += 1.3f;
        cam.positionZ += 6.0f;
        search(&cam);
        const CameraParam optimum = cam;
        EXPECT_EQ(search(&cam), crErrorOf(optimum));
        EXPECT_EQ(std::memcmp(&cam, &optimum, sizeof cam), 0);
    }
    CameraParam none = crScene(16);
    none.pointCount = 0;
    const CameraParam before = none;
    EXPECT_EQ(crAdjustCameraPosition(&none), 0.0f);
    EXPECT_EQ(crAdjustCameraAngle(&none), 0.0f);
    EXPECT_EQ(std::memcmp(&none, &before, sizeof none), 0);
}

// Whole-unit ground points and sixteen pairs keep every mean exact, so a
// shift of the ground points must not change a single bit of the error.
TEST(PoseError, IgnoresACommonShiftOfTheGroundPoints) {
    const CameraParam cam = crScene(16);
    CameraParam shifted = cam;
    for (Point2f& w : shifted.worldPoints) w = {w.x + 1000.0f, w.y - 3000.0f};
    const float error = crErrorOf(cam);
    EXPECT_EQ(crErrorOf(shifted), error);
    EXPECT_GT(crPoseError(&cam, kTruth.angleX, kTruth.angleY + 0.5f, kTruth.angleZ, kTruth.x, kTruth.y, kTruth.z),
              error + 1.0f);
}

TEST(PoseError, ReadsAtMostFiftyPairs) {
    CameraParam cam = crScene(50);
    const float fifty = crErrorOf(cam);
    cam.pointCount = 60;
    EXPECT_EQ(crErrorOf(cam), fifty);
}

}  // namespace
