// Pose refinement: the searches return to the true pan angle and height, stop at an optimum and write
// only their own fields.
#include "support/calibration_scene.h"
#include "support/same_bytes.h"
#include "views/views.h"

const ScenePose kTruth = {40.0f, 1900.0f, -760.0f, -48.0f, 3.0f, 1.0f};

CameraParam crScene(int pairs = 16) { return crSceneCamera(kTruth, {150.0f, -300.0f}, pairs); }

float crErrorOf(const CameraParam& cam) {
    return crPoseError(&cam, cam.angleX, cam.angleY, cam.angleZ, cam.positionX, cam.positionY, cam.positionZ);
}

// Starts `search` from the truth with `field` moved by `offset`; returns how far `field` moved. Only
// `field` (or, for the height, the position) may change, and the returned error is that of the result.
float crSearchFrom(float (*search)(CameraParam*), float CameraParam::*field, float offset, float* result) {
    CameraParam cam = crScene(), rest;
    cam.*field += offset;
    const CameraParam before = cam;
    const float error = search(&cam);
    EXPECT_EQ(error, crErrorOf(cam));
    EXPECT_LT(error, crErrorOf(before));
    rest = cam;
    rest.*field = before.*field;
    if (field == &CameraParam::positionZ) rest.positionX = before.positionX, rest.positionY = before.positionY;
    EXPECT_TRUE(crSameBytes(rest, before));
    *result = cam.*field;
    return cam.*field - before.*field;
}

TEST(PoseSearch, PanAndHeightReturnToTheTruthOnTheirGrids) {
    float result;
    for (float offset : {-3.404f, 2.737f}) {  // off the 0.01-degree and 1-unit grids through the truth
        SCOPED_TRACE(offset);
        for (auto search : {crAdjustCameraAngle, crAdjustCameraPanAngle}) {
            const float moved = crSearchFrom(search, &CameraParam::angleY, offset, &result);
            EXPECT_NEAR(result, kTruth.angleY, 0.01f);
            EXPECT_NEAR(std::remainder(moved * 100.0f, 1.0f), 0.0f, 0.01f);
        }
        const float moved = crSearchFrom(crAdjustCameraPosition, &CameraParam::positionZ, offset * 7.5f, &result);
        EXPECT_NEAR(result, kTruth.z, 1.0f);
        EXPECT_EQ(moved, std::round(moved));
    }
}

TEST(PoseSearch, OptimumIsWrittenBackUnchangedAndNoPairsChangeNothing) {
    for (auto search : {crAdjustCameraAngle, crAdjustCameraPanAngle, crAdjustCameraPosition}) {
        CameraParam cam = crScene();
        cam.angleY += 1.3f, cam.positionZ += 6.0f;
        search(&cam);
        const CameraParam optimum = cam;
        EXPECT_EQ(search(&cam), crErrorOf(optimum));
        EXPECT_TRUE(crSameBytes(cam, optimum));
    }
    CameraParam none = crScene(0);
    const CameraParam before = none;
    EXPECT_EQ(crAdjustCameraPosition(&none), 0.0f);
    EXPECT_EQ(crAdjustCameraAngle(&none), 0.0f);
    EXPECT_TRUE(crSameBytes(none, before));
}

// Whole-unit ground points and sixteen pairs keep every mean exact, so a shift changes no bit.
TEST(PoseError, IgnoresACommonShiftAndReadsAtMostFiftyPairs) {
    const CameraParam cam = crScene();
    CameraParam shifted = cam, many = crScene(50);
    for (Point2f& w : shifted.worldPoints) w = {w.x + 1000.0f, w.y - 3000.0f};
    EXPECT_EQ(crErrorOf(shifted), crErrorOf(cam));
    EXPECT_GT(crPoseError(&cam, kTruth.angleX, kTruth.angleY + 0.5f, kTruth.angleZ, kTruth.x, kTruth.y, kTruth.z),
              crErrorOf(cam) + 1.0f);
    const float fifty = crErrorOf(many);
    many.pointCount = 60;
    EXPECT_EQ(crErrorOf(many), fifty);
}
