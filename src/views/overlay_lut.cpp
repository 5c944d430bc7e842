// Overlay LUT: for every pixel of a view, the pixel of a ground-plane picture
// that the view pixel sees.
#include <algorithm>
#include <cmath>

#include "camera/camera.h"
#include "numerics/numerics.h"
#include "views.h"

namespace {

// crFeatureUndistortion for every lane: camera pixels in (u, v), undistorted
// sensor points out.
void crUndistortRun(const CameraParam* cam, CrViewRun& run) {
    float x[kViewRun], y[kViewRun], rho[kViewRun], theta[kViewRun], ru[kViewRun], sx[kViewRun], sy[kViewRun];
    for (int i = 0; i < kViewRun; ++i) {
        x[i] = (run.u[i] - cam->principalX) / cam->pixelScaleX;
        y[i] = (run.v[i] - cam->principalY) / cam->pixelScaleY;
    }
    for (int i = 0; i < kViewRun; ++i) rho[i] = sqrtf(x[i] * x[i] + y[i] * y[i]);
    for (int i = 0; i < kViewRun; ++i) theta[i] = crLensHeightToAngle(cam->undistortion, rho[i]);
    for (int i = 0; i < kViewRun; ++i) ru[i] = tanf(theta[i]) * cam->focalLength;
    for (int i = 0; i < kViewRun; ++i) {
        sx[i] = x[i] / rho[i] * ru[i];
        sy[i] = y[i] / rho[i] * ru[i];
    }
    for (int i = 0; i < kViewRun; ++i) {
        run.u[i] = rho[i] == 0.0f ? 0.0f : sx[i];
        run.v[i] = rho[i] == 0.0f ? 0.0f : sy[i];
    }
}

// The picture that the view shows: the homography from undistorted sensor
// points to the ground, and the picture's placement on the ground.
struct GroundPicture {
    float h[3][3];
    float scale;
    float half, top;  // picture column of x = 0, ground y of the first row over the scale
    float width, height;
};

// Picture pixels of the run's sensor points, (-1, -1) where a point lies
// behind the camera or off the picture.
void crSensorRunToPicture(const GroundPicture& g, CrViewRun& run) {
    float qx[kViewRun], qy[kViewRun], qz[kViewRun], w[kViewRun];
    for (int i = 0; i < kViewRun; ++i) {
        const float x = run.u[i], y = run.v[i];
        qx[i] = g.h[0][0] * x + g.h[0][1] * y + g.h[0][2];
        qy[i] = g.h[1][0] * x + g.h[1][1] * y + g.h[1][2];
        qz[i] = g.h[2][0] * x + g.h[2][1] * y + g.h[2][2];
        w[i] = qz[i] == 0.0f ? 1.0f : qz[i];  // crDehomogenise
    }
    float px[kViewRun], py[kViewRun];
    for (int i = 0; i < kViewRun; ++i) {
        px[i] = qx[i] / w[i] / g.scale + g.half;
        py[i] = qy[i] / w[i] / g.scale - g.top;
    }
    for (int i = 0; i < kViewRun; ++i) {
        const bool seen = !(qz[i] < 0.0f) && px[i] >= 0.0f && px[i] < g.width && py[i] >= 0.0f && py[i] < g.height;
        run.u[i] = seen ? px[i] : -1.0f;
        run.v[i] = seen ? py[i] : -1.0f;
    }
}

}  // namespace

void crGetOverlayLUT(int pictureWidth, int pictureHeight, float** lut, const ViewParam* view) {
    const CameraParam* cam = view->camera;
    CrStackMatrix3 sensorToGround;
    // Without memory for the homography no pixel has a ground point.
    const bool ground = crSensorToGround(cam, &sensorToGround.m);
    const CrViewSetup s = crPrepareOverlayView(view);
    const float centerX = view->centerX, centerY = view->centerY;
    const float shiftX = view->shiftX, shiftY = view->shiftY;
    GroundPicture g;
    std::copy(&sensorToGround.cells[0][0], &sensorToGround.cells[0][0] + 9, &g.h[0][0]);
    g.scale = view->overlayScale;
    // The picture's middle column is the world line x = 0, its first row the
    // line y = overlayOffset / 2.
    // NOLINTNEXTLINE(bugprone-integer-division): the middle is a whole column
    g.half = static_cast<float>(pictureWidth / 2);
    g.top = static_cast<float>(view->overlayOffset) / (2.0f * g.scale);
    g.width = static_cast<float>(pictureWidth);
    g.height = static_cast<float>(pictureHeight);
    const int outWidth = view->outWidth, outHeight = view->outHeight;

    for (int r = 0; r < outHeight; ++r) {
        float* row = lut[r];
        if (!ground) {
            std::fill(row, row + 2 * static_cast<size_t>(outWidth), -1.0f);
            continue;
        }
        const float b = (static_cast<float>(r) - centerY) - shiftY;
        for (int first = 0; first < outWidth; first += kViewRun) {
            CrViewRun run;
            for (int i = 0; i < kViewRun; ++i) {
                run.u[i] = (static_cast<float>(first + i) - centerX) - shiftX;
                run.v[i] = b;
            }
            crViewRunToCamera(s, run);
            crUndistortRun(cam, run);
            crSensorRunToPicture(g, run);
            const int count = std::min(kViewRun, outWidth - first);
            for (int i = 0; i < count; ++i) {
                row[2 * static_cast<size_t>(first + i)] = run.u[i];
                row[2 * static_cast<size_t>(first + i) + 1] = run.v[i];
            }
        }
    }
}
