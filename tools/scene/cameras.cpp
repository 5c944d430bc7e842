// The sample fisheye lens and the sample camera.
#include <cmath>
#include <cstring>

#include "camera/camera.h"
#include "lens_fit.h"
#include "scene.h"

namespace {

// Near-equidistant fisheye: height = t - 0.055 t^3 + 0.004 t^5 in sensor units
// (focal length 1), 164 pixels per unit, so 95 degrees lands 239 pixels from
// the centre and the image circle just fits the 480 rows.
const float kForward[5] = {1.0f, -0.055f, 0.004f, 0.0f, 0.0f};
const float kPixelScale = 164.0f;

struct FittedInverse {
    float c[9];
    FittedInverse() { crFitInverseLens(kForward, crDegToRad(kSceneHalfFov), c); }
};

}  // namespace

void crSceneSampleLens(CameraParam* cam) {
    static const FittedInverse inverse;  // fitted once, on first use
    cam->focalLength = 1.0f;
    cam->pixelScaleX = kPixelScale;
    cam->pixelScaleY = kPixelScale;
    cam->imageWidth = 720;
    cam->imageHeight = 480;
    cam->principalX = 360.0f;
    cam->principalY = 240.0f;
    std::memcpy(cam->distortion, kForward, sizeof kForward);
    std::memcpy(cam->undistortion, inverse.c, sizeof inverse.c);
}

CameraParam crSceneSampleCamera() {
    CameraParam cam{};
    crSceneSampleLens(&cam);
    cam.positionZ = -1000.0f;
    cam.angleX = 50.0f;  // optical axis 40 degrees below the horizon
    return cam;
}

// The optical axis in the world is (sin aX sin aZ, -sin aX cos aZ, cos aX):
// angleX is the axis's angle from straight down, angleZ its heading
// clockwise from forward (-Y) seen from above.
void crSceneAimCamera(CameraParam* cam, Point3f target) {
    const float dx = target.x - cam->positionX, dy = target.y - cam->positionY, dz = target.z - cam->positionZ;
    const float degrees = 57.2957795f;  // per radian
    cam->angleX = std::atan2(std::hypot(dx, dy), dz) * degrees;
    cam->angleZ = std::atan2(dx, 0.0f - dy) * degrees;  // straight down: heading 0
    cam->angleY = 0.0f;
}

void crSceneScaleCamera(CameraParam* cam, int width, int height) {
    const float sx = static_cast<float>(width) / static_cast<float>(cam->imageWidth);
    const float sy = static_cast<float>(height) / static_cast<float>(cam->imageHeight);
    cam->pixelScaleX *= sx;
    cam->pixelScaleY *= sy;
    cam->principalX *= sx;
    cam->principalY *= sy;
    cam->imageWidth = width;
    cam->imageHeight = height;
    for (int i = 0; i < cam->pointCount; ++i) {
        cam->imagePoints[i].x *= sx;
        cam->imagePoints[i].y *= sy;
    }
}
