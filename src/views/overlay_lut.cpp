// Overlay LUT: for every pixel of a view, the pixel of a ground-plane picture
// that the view pixel sees.
#include "camera/camera.h"
#include "numerics/numerics.h"
#include "views.h"

void crGetOverlayLUT(int pictureWidth, int pictureHeight, float** lut, const ViewParam* view) {
    const CameraParam* cam = view->camera;
    CrStackMatrix3 sensorToGround;
    // Without memory for the homography no pixel has a ground point.
    const bool ground = crSensorToGround(cam, &sensorToGround.m);
    const CrViewSetup s = crPrepareOverlayView(view);
    const float centerX = view->centerX, centerY = view->centerY;
    const float shiftX = view->shiftX, shiftY = view->shiftY;
    const float scale = view->overlayScale;
    // The picture's middle column is the world line x = 0, its first row the
    // line y = overlayOffset / 2.
    // NOLINTNEXTLINE(bugprone-integer-division): the middle is a whole column
    const float half = static_cast<float>(pictureWidth / 2);
    const float top = static_cast<float>(view->overlayOffset) / (2.0f * scale);
    const float width = static_cast<float>(pictureWidth), height = static_cast<float>(pictureHeight);
    const int outWidth = view->outWidth, outHeight = view->outHeight;

    for (int r = 0; r < outHeight; ++r) {
        float* row = lut[r];
        for (int c = 0; c < outWidth; ++c) {
            row[2 * static_cast<size_t>(c)] = -1.0f;
            row[2 * c + 1] = -1.0f;
            if (!ground) continue;
            const Point2f pixel = crViewToCamera(s, (static_cast<float>(c) - centerX) - shiftX,
                                                 (static_cast<float>(r) - centerY) - shiftY);
            Point2f sensor;
            crFeatureUndistortion(&pixel, &sensor, cam);
            const Point3f q = crApplyHomography(&sensorToGround.m, sensor.x, sensor.y);
            if (q.z < 0.0f) continue;  // behind the camera
            const Point2f groundPoint = crDehomogenise(q);
            const float px = groundPoint.x / scale + half;
            const float py = groundPoint.y / scale - top;
            if (px >= 0.0f && px < width && py >= 0.0f && py < height) {
                row[2 * static_cast<size_t>(c)] = px;
                row[2 * c + 1] = py;
            }
        }
    }
}
