// The synthetic scene: fitted inverse lens, renderer against the forward projection, where the rig's cameras look
// and their calibration marks. (The bowl-view scene test covers the virtual camera's viewpoints.)
#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera.h"
#include "numerics/rounding.h"
#include "scene/scene.h"
#include "support/calibration_scene.h"

namespace {

TEST(SceneLens, FittedInverseUndoesTheForwardPolynomialAcrossTheFieldOfView) {
    CameraParam cam{};
    crSceneSampleLens(&cam);
    for (int i = 0; i <= 1000; ++i) {
        const float theta = crDegToRad(kSceneHalfFov) * i / 1000.0f, rho = crLensAngleToHeight(cam.distortion, theta);
        const float back = crLensAngleToHeight(cam.distortion, crLensHeightToAngle(cam.undistortion, rho));
        ASSERT_LT(std::fabs(back - rho) * cam.pixelScaleX, 0.02f) << theta;  // pixels
    }
}

// Within about 4 m, where a pixel covers far less than half a tile, a tile centre's pixel shows the tile's colour.
TEST(SceneRender, TileCentresShowTheirTilesColour) {
    const CameraParam cam = crSceneSampleCamera();
    const std::vector<unsigned char> frame = crSceneRender(cam);
    int checked = 0;
    for (int i = 0; i < 60; ++i) {
        const SceneTile tile = crSceneTile(i % 10 - 5, i / 10 - 7);
        Point2f px;
        crWorldToImage2D(&cam, &tile.centre, &px, 1);
        if (px.x < 1.0f || px.y < 1.0f || px.x >= 718.0f || px.y >= 478.0f) continue;
        const unsigned char* p = &frame.at(crRoundHalfAway(px.y) * crPackedStride(720) + 3 * crRoundHalfAway(px.x));
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], tile.bgr[k], 2) << "tile " << i << " channel " << k;
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

// Each camera films the ground beside its side of the vehicle, near and far, but not across the vehicle.
TEST(SceneRig, EachCameraSeesTheGroundBesideItsSide) {
    CameraParam cams[4];
    crSceneRig(cams);
    const float out[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}}, w = kRigCarWidth / 2.0f, l = kRigCarLength / 2.0f;
    Point2f pixel;
    for (int slot = 0; slot < 4; ++slot)
        for (float d : {500.0f, 1500.0f, 4000.0f, -1500.0f}) {  // outward from front, rear, left, right; or across
            const float a = std::fabs(d), s = d > 0 ? 1.0f : -1.0f;
            const Point2f at = {s * out[slot][0] * (w + a), s * out[slot][1] * (l + a)};
            EXPECT_EQ(crSceneSees(cams[slot], at, &pixel), d > 0) << slot << " " << d;
        }
}

// The marks are tile junctions on the camera's side of the vehicle at their exact pixels (the bowl-view tests check
// the poses that Init estimates from them).
TEST(SceneRig, CalibrationMarksAreTileJunctionsOnEachCamerasSide) {
    CameraParam cams[4];
    crSceneRig(cams);
    const float out[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    for (int slot = 0; slot < 4; ++slot) {
        const CameraParam& cam = cams[slot];
        ASSERT_GE(cam.pointCount, 8);
        ASSERT_LE(cam.pointCount, 16);
        for (int i = 0; i < cam.pointCount; ++i) {
            const Point2f w = cam.worldPoints[i];
            EXPECT_EQ(std::fmod(w.x, kSceneTileSize), 0.0f) << slot << " " << i;
            EXPECT_EQ(std::fmod(w.y, kSceneTileSize), 0.0f) << slot << " " << i;
            EXPECT_GT((w.x - cam.positionX) * out[slot][0] + (w.y - cam.positionY) * out[slot][1], 0.0f);
            Point2f pixel;
            crWorldToImage2D(&cam, &w, &pixel, 1);
            EXPECT_TRUE(crPointNear(cam.imagePoints[i], pixel.x, pixel.y)) << slot << " " << i;
        }
    }
}

}  // namespace
