// The rig's cameras look where surround-view cameras look: outward and down,
// upright in their images, each seeing the ground beside its side of the
// vehicle and the corners shared with its neighbours.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera.h"
#include "scene/scene.h"

namespace {

struct Axes {
    float columns[3];  // world direction of increasing image column
    float rows[3];     // world direction of increasing image row
    float optical[3];
};

Axes crCameraAxes(const CameraParam& cam) {
    float r[3][3];
    crPoseRotation(cam.angleX, cam.angleZ, cam.angleY, r);
    Axes a;
    for (int j = 0; j < 3; ++j) {
        a.columns[j] = r[0][j];
        a.rows[j] = r[1][j];
        a.optical[j] = r[2][j];
    }
    return a;
}

float crDegreesBelowHorizon(const float dir[3]) { return std::asin(dir[2]) * 57.29578f; }

// Outward unit direction of each slot in the ground plane.
const float kOutward[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};

TEST(SceneRig, CamerasLookOutwardAndDownUpright) {
    CameraParam cams[4];
    crSceneRig(cams);
    for (int slot = 0; slot < 4; ++slot) {
        const Axes a = crCameraAxes(cams[slot]);
        const float outward = a.optical[0] * kOutward[slot][0] + a.optical[1] * kOutward[slot][1];
        EXPECT_GT(outward, 0.3f) << slot;
        // Image rows run down toward the ground, columns stay level.
        EXPECT_GT(a.rows[2], 0.3f) << slot;
        EXPECT_NEAR(a.columns[2], 0.0f, 1e-6f) << slot;
        EXPECT_LT(cams[slot].positionZ, -500.0f) << slot;
    }
    const Axes front = crCameraAxes(cams[CR_SLOT_FRONT]);
    const Axes rear = crCameraAxes(cams[CR_SLOT_REAR]);
    EXPECT_NEAR(front.columns[0], 1.0f, 1e-6f);  // right in the picture is the vehicle's right
    EXPECT_NEAR(rear.columns[0], -1.0f, 1e-6f);
    EXPECT_NEAR(crDegreesBelowHorizon(front.optical), 35.0f, 10.0f);
    EXPECT_NEAR(crDegreesBelowHorizon(rear.optical), 35.0f, 10.0f);
    EXPECT_GT(crDegreesBelowHorizon(crCameraAxes(cams[CR_SLOT_LEFT]).optical), 60.0f);
    EXPECT_GT(crDegreesBelowHorizon(crCameraAxes(cams[CR_SLOT_RIGHT]).optical), 60.0f);
}

TEST(SceneRig, FrontCentrePixelSeesTheRoadAhead) {
    CameraParam cams[4];
    crSceneRig(cams);
    const CameraParam& front = cams[CR_SLOT_FRONT];
    Point2f ground;
    ASSERT_TRUE(crSceneGroundPoint(front, front.principalX, front.principalY, &ground));
    EXPECT_NEAR(ground.x, 0.0f, 1.0f);
    EXPECT_LT(ground.y, -kRigCarLength / 2.0f - 300.0f);
    EXPECT_GT(ground.y, -kRigCarLength / 2.0f - 3000.0f);
}

// True when the camera films `ground`: it projects into the image circle and
// the pixel's own ray comes back to the same point (not its mirror image
// behind the camera).
bool crSees(const CameraParam& cam, Point2f ground) {
    Point2f pixel, back;
    crWorldToImage2D(&cam, &ground, &pixel, 1);
    if (pixel.x < 0 || pixel.y < 0 || pixel.x >= cam.imageWidth || pixel.y >= cam.imageHeight) return false;
    if (!crSceneGroundPoint(cam, pixel.x, pixel.y, &back)) return false;
    return std::fabs(back.x - ground.x) < 5.0f && std::fabs(back.y - ground.y) < 5.0f;
}

TEST(SceneRig, EachCameraSeesTheGroundBesideItsSide) {
    CameraParam cams[4];
    crSceneRig(cams);
    const float halfW = kRigCarWidth / 2.0f, halfL = kRigCarLength / 2.0f;
    for (int slot = 0; slot < 4; ++slot) {
        for (float d : {500.0f, 1500.0f, 4000.0f}) {
            const Point2f beside = {kOutward[slot][0] * (halfW + d), kOutward[slot][1] * (halfL + d)};
            EXPECT_TRUE(crSees(cams[slot], beside)) << "slot " << slot << " at " << d;
        }
        // Nothing behind the camera, across the vehicle, is filmed.
        const Point2f across = {-kOutward[slot][0] * (halfW + 1500.0f), -kOutward[slot][1] * (halfL + 1500.0f)};
        EXPECT_FALSE(crSees(cams[slot], across)) << slot;
    }
}

TEST(SceneRig, CornersAreSharedByNeighbours) {
    CameraParam cams[4];
    crSceneRig(cams);
    const float x = kRigCarWidth / 2.0f + 1000.0f, y = kRigCarLength / 2.0f + 1000.0f;
    EXPECT_TRUE(crSees(cams[CR_SLOT_FRONT], {-x, -y}) && crSees(cams[CR_SLOT_LEFT], {-x, -y}));
    EXPECT_TRUE(crSees(cams[CR_SLOT_FRONT], {x, -y}) && crSees(cams[CR_SLOT_RIGHT], {x, -y}));
    EXPECT_TRUE(crSees(cams[CR_SLOT_REAR], {-x, y}) && crSees(cams[CR_SLOT_LEFT], {-x, y}));
    EXPECT_TRUE(crSees(cams[CR_SLOT_REAR], {x, y}) && crSees(cams[CR_SLOT_RIGHT], {x, y}));
}

TEST(SceneRig, TopviewShowsFiveMetresAroundTheVehicle) {
    CameraParam cams[4];
    crSceneRig(cams);
    const int sizes[3][2] = {{720, 480}, {480, 720}, {400, 400}};
    for (const auto& size : sizes) {
        const MultiviewParam p = crSceneTopview(cams, size[0], size[1]);
        EXPECT_EQ(p.cameras, cams);
        // Ground X = (c - cx) scale at the view's left and right edges.
        EXPECT_LE(-p.viewCenterX * p.scale, -(kRigCarWidth / 2.0f + 5000.0f)) << size[0];
        EXPECT_GE((size[0] - p.viewCenterX) * p.scale, kRigCarWidth / 2.0f + 5000.0f) << size[0];
        EXPECT_LE(-p.viewCenterY * p.scale, -(kRigCarLength / 2.0f + 5000.0f)) << size[1];
        EXPECT_GE((size[1] - p.viewCenterY) * p.scale, kRigCarLength / 2.0f + 5000.0f) << size[1];
        // ... and no more than needed along the tighter direction.
        const float spareX = size[0] * p.scale - (kRigCarWidth + 10000.0f);
        const float spareY = size[1] * p.scale - (kRigCarLength + 10000.0f);
        EXPECT_NEAR(std::fmin(spareX, spareY), 0.0f, 1.0f);
    }
}

}  // namespace
