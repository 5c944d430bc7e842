// Overlay LUT: for every pixel of a view, the pixel of a ground-plane picture
// that the view pixel sees.
#include "camera/camera.h"
#include "numerics/numerics.h"
#include "views.h"

namespace {

// The camera's sensor-to-ground homography, row by row; false when it could
// not be computed for lack of memory.
bool crOverlayGroundHomography(const CameraParam* cam, float h[9]) {
    CrStackMatrix3 g;
    if (!crSensorToGround(cam, &g.m)) return false;
    for (int i = 0; i < 9; ++i) h[i] = g.cells[i / 3][i % 3];
    return true;
}

}  // namespace

void crGetOverlayLUT(int pictureWidth, int pictureHeight, float** lut, const ViewParam* view) {
    const CameraParam* cam = view->camera;
    float h[9] = {};
    // Without memory for the homography no pixel has a ground point.
    const bool ground = crOverlayGroundHomography(cam, h);
    const CrViewSetup s = crPrepareOverlayView(view);
    const float centerX = view->centerX, centerY = view->centerY;
    const float shiftX = view->shiftX, shiftY = view->shiftY;
    const float scale = view->overlayScale;
    // The picture's middle column is the world line x = 0, its first row the
    // line y = overlayOffset / 2.
    const float half = static_cast<float>(pictureWidth / 2);
    const float top = static_cast<float>(view->overlayOffset) / (2.0f * scale);
    const float width = static_cast<float>(pictureWidth), height = static_cast<float>(pictureHeight);
    const int outWidth = view->outWidth, outHeight = view->outHeight;

    for (int r = 0; r < outHeight; ++r) {
        float* row = lut[r];
        for (int c = 0; c < outWidth; ++c) {
            row[2 * c] = -1.0f;
            row[2 * c + 1] = -1.0f;
            if (!ground) continue;
            const Point2f pixel = crViewToCamera(s, (static_cast<float>(c) - centerX) - shiftX,
                                                 (static_cast<float>(r) - centerY) - shiftY);
            Point2f sensor;
            crFeatureUndistortion(&pixel, &sensor, cam);
            float w = h[6] * sensor.x + h[7] * sensor.y + h[8];
            if (w < 0.0f) continue;  // behind the camera
            if (w == 0.0f) w = 1.0f;
            const float groundX = (h[0] * sensor.x + h[1] * sensor.y + h[2]) / w;
            const float groundY = (h[3] * sensor.x + h[4] * sensor.y + h[5]) / w;
            const float px = groundX / scale + half;
            const float py = groundY / scale - top;
            if (px >= 0.0f && px < width && py >= 0.0f && py < height) {
                row[2 * c] = px;
                row[2 * c + 1] = py;
            }
        }
    }
}
