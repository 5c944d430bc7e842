// Four-camera surround rig on a 1800 x 4500 mm vehicle centred on the origin.
#include <algorithm>

#include "scene.h"

namespace {

// With angleZ 0 a camera tilted by angleX = 90 - d looks forward (negative
// Y), d degrees below the horizon, its columns along +X. angleZ then turns it
// about the vertical: 180 looks backward, -90 left, 90 right.
struct Mount {
    float x, y, z;
    float angleX, angleZ;
};

const float kHalfWidth = kRigCarWidth / 2.0f;
const float kHalfLength = kRigCarLength / 2.0f;

const Mount kMounts[4] = {
    {0.0f, -kHalfLength, -700.0f, 55.0f, 0.0f},                // front bumper, 35 degrees down
    {0.0f, kHalfLength, -900.0f, 50.0f, 180.0f},               // rear, above the plate, 40 down
    {-kHalfWidth - 100.0f, -1100.0f, -1000.0f, 20.0f, -90.0f},  // left mirror, 70 down
    {kHalfWidth + 100.0f, -1100.0f, -1000.0f, 20.0f, 90.0f},    // right mirror, 70 down
};

// Ground kept visible beyond each side of the vehicle, mm.
const float kMargin = 5000.0f;

}  // namespace

void crSceneRig(CameraParam cams[4]) {
    for (int slot = 0; slot < 4; ++slot) {
        CameraParam cam{};
        crSceneSampleLens(&cam);
        const Mount& m = kMounts[slot];
        cam.positionX = m.x;
        cam.positionY = m.y;
        cam.positionZ = m.z;
        cam.angleX = m.angleX;
        cam.angleZ = m.angleZ;
        cams[slot] = cam;
    }
}

MultiviewParam crSceneTopview(CameraParam* cams, int viewWidth, int viewHeight) {
    MultiviewParam p{};
    p.carWidth = kRigCarWidth;
    p.carLength = kRigCarLength;
    p.frontFov = 190.0f;
    p.rearFov = 190.0f;
    p.blendAngle = 10.0f;
    p.carColor = 0x00606060;
    p.lineWidth = 2;
    p.mode = 0;
    p.viewWidth = viewWidth;
    p.viewHeight = viewHeight;
    p.viewCenterX = viewWidth / 2.0f;
    p.viewCenterY = viewHeight / 2.0f;
    p.scale = std::max((kRigCarWidth + 2 * kMargin) / viewWidth, (kRigCarLength + 2 * kMargin) / viewHeight);
    p.cameras = cams;
    return p;
}
