// The end-of-line calibration bay: the rig's cameras as mounted on a vehicle,
// a little off their design poses, and the bay's lighting.
#include "scene.h"

namespace {

// How far each camera sits from its design pose: degrees about x, z and y,
// then millimetres along x, y and z.
const float kMountingError[4][6] = {
    {0.6f, -0.4f, 0.3f, 12.0f, -8.0f, 10.0f},
    {-0.5f, 0.3f, -0.2f, -10.0f, 6.0f, -12.0f},
    {0.4f, 0.5f, -0.3f, 8.0f, 10.0f, 8.0f},
    {-0.3f, -0.5f, 0.4f, -6.0f, -12.0f, -10.0f},
};

}  // namespace

CameraParam crSceneMountedCamera(const CameraParam& design, int slot) {
    const float* error = kMountingError[slot & 3];
    CameraParam cam = design;
    cam.angleX += error[0], cam.angleZ += error[1], cam.angleY += error[2];
    cam.positionX += error[3], cam.positionY += error[4], cam.positionZ += error[5];
    return cam;
}

ScenePhotoConditions crSceneBayConditions() {
    ScenePhotoConditions how;
    how.floor = 190, how.target = 95, how.blur = 0.6f;
    return how;
}
