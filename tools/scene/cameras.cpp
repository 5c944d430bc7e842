// The sample fisheye lens and the sample camera.
#include <cmath>
#include <cstring>

#include "scene.h"

namespace {

// Near-equidistant fisheye: height = t - 0.055 t^3 + 0.004 t^5 in sensor units
// (focal length 1), 164 pixels per unit, so 95 degrees lands 239 pixels from
// the centre and the image circle just fits the 480 rows.
const float kForward[5] = {1.0f, -0.055f, 0.004f, 0.0f, 0.0f};
const float kPixelScale = 164.0f;

// The inverse polynomial (angle from height): the least-squares fit of
// c1..c8 to the forward one over 0 to 95 degrees, c0 held at 0 so that the
// optical centre has angle 0. Written out as the floats the fit gave, so that
// every build and every program that copies them films the same lens.
const float kInverse[9] = {0.0f,          1.00007546f,    -0.00145806419f, 0.0649852529f,  -0.0333670452f,
                           0.0661249086f, -0.0629172474f, 0.0349392667f,   -0.00820070598f};

}  // namespace

void crSceneSampleLens(CameraParam* cam) {
    cam->focalLength = 1.0f;
    cam->pixelScaleX = kPixelScale;
    cam->pixelScaleY = kPixelScale;
    cam->imageWidth = 720;
    cam->imageHeight = 480;
    cam->principalX = 360.0f;
    cam->principalY = 240.0f;
    std::memcpy(cam->distortion, kForward, sizeof kForward);
    std::memcpy(cam->undistortion, kInverse, sizeof kInverse);
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

ViewParam crSceneCorrectedView(CameraParam* cam) {
    ViewParam view{};
    view.flags = CR_VIEW_BILINEAR | CR_VIEW_LENS | CR_VIEW_FOLD | CR_VIEW_OVERLAY;
    view.modeParam = 0.5f;    // fold strength of the side panels
    view.bandWidth = 160.0f;  // half-width of the flat centre panel, pixels
    view.zoomX = 110.0f;      // output pixels per unit of ray slope
    view.zoomY = 110.0f;
    view.outWidth = 720;
    view.outHeight = 480;
    view.centerX = 360.0f;
    view.centerY = 240.0f;
    view.overlayScale = 10.0f;
    view.overlayOffset = kSceneGuideOffset;
    view.camera = cam;
    return view;
}
