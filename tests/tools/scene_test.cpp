// The synthetic scene: fitted inverse lens, renderer against the forward projection, where the rig's cameras look,
// their calibration marks, and the bowl view's virtual camera.
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

// Camera coordinates of a world point: the library's full projection (no lens).
Point3f crInCamera(const CameraParam& cam, Point3f w) {
    float rows[3][4], *data[3] = {rows[0], rows[1], rows[2]};
    Matrix m = {data, 3, 4};
    crGetProjection3x4(&m, &cam);
    float q[3];
    for (int i = 0; i < 3; ++i) q[i] = rows[i][0] * w.x + rows[i][1] * w.y + rows[i][2] * w.z + rows[i][3];
    return {q[0], q[1], q[2]};
}

// An aimed camera has its target straight ahead, from any side; a ground target lands on the principal point.
TEST(SceneViewpoint, AimedCameraSeesItsTargetOnItsAxis) {
    const Point3f places[][2] = {{{0, 8000, -5000}, {0, -1500, 0}},   {{-6000, 6000, -4000}, {0, 0, 0}},
                                 {{3000, -2000, -800}, {-1000, 500, -2500}}, {{100, 200, -3000}, {100, 200, 0}},
                                 {{0, 0, -1000}, {-4000, 0, 0}},      {{0, 0, -1000}, {2000, 3000, -1000}}};
    for (const auto& place : places) {
        CameraParam cam = crSceneSampleCamera();
        cam.positionX = place[0].x, cam.positionY = place[0].y, cam.positionZ = place[0].z;
        crSceneAimCamera(&cam, place[1]);
        const Point3f q = crInCamera(cam, place[1]);
        EXPECT_GT(q.z, 0.0f) << place[1].x << " " << place[1].y;
        EXPECT_LT(std::hypot(q.x, q.y), 1e-5f * q.z) << place[1].x << " " << place[1].y;
        if (place[1].z != 0.0f) continue;
        const Point2f ground = {place[1].x, place[1].y};
        Point2f pixel;
        crWorldToImage2D(&cam, &ground, &pixel, 1);
        EXPECT_TRUE(crPointNear(pixel, cam.principalX, cam.principalY, 0.01));
    }
}

// From both viewpoints the whole vehicle is in view, its front above its rear, its left side on the left.
TEST(SceneViewpoint, BowlViewShowsTheVehicleFrontUp) {
    for (SceneViewpoint where : {SceneViewpoint::behind, SceneViewpoint::corner}) {
        CameraParam cams[5];
        const MultiviewParam p = crSceneBowlview(cams, 720, 480, where);
        ASSERT_EQ(p.cameras, cams);
        const float w = kRigCarWidth / 2.0f, l = kRigCarLength / 2.0f;
        const Point3f corners[4] = {{-w, -l, 0}, {w, -l, 0}, {-w, l, 0}, {w, l, 0}};  // front left, front right, rear
        Point2f px[4];
        for (int k = 0; k < 4; ++k) {
            const Point3f q = crInCamera(cams[4], corners[k]);
            ASSERT_GT(q.z, 0.0f);
            px[k] = {cams[4].pixelScaleX * q.x / q.z + p.viewCenterX, cams[4].pixelScaleY * q.y / q.z + p.viewCenterY};
            EXPECT_TRUE(px[k].x > 0 && px[k].y > 0 && px[k].x < 720 && px[k].y < 480) << k;
        }
        EXPECT_LT(std::fabs(std::atan2(px[1].y - px[0].y, px[1].x - px[0].x)), 1.0f);  // front edge within 57 deg
        EXPECT_LT(px[0].y, px[2].y);
        EXPECT_LT(px[1].y, px[3].y);
        EXPECT_LT(px[0].x, px[1].x);
    }
}

}  // namespace
