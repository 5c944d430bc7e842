// Search windows and the mapping between the photograph and the canvas.
#include <cmath>

#include "camera/lens.h"
#include "features.h"
#include "numerics/rounding.h"

namespace {

// Rows and columns of the two targets' windows, per mode. The targets lie on
// the ground ahead of (mode 0), behind (1), left of (2) and right of (3) the
// vehicle, on either side of the camera's view.
const PhotoWindow kWindows[4][2] = {
    {{277, 32, 356, 137}, {284, 578, 365, 687}},
    {{249, 61, 348, 155}, {242, 563, 344, 659}},
    {{63, 75, 141, 121}, {173, 640, 288, 683}},
    {{211, 56, 322, 102}, {42, 586, 114, 642}},
};

// A canvas coordinate rounded half away from zero and clamped to 0..last;
// clamping first keeps the conversion defined, and NaN goes to 0.
int crCanvasIndex(float v, int last) {
    if (!(v > 0.0f)) return 0;
    if (v > static_cast<float>(last)) return last;
    return crRoundHalfAway(v);
}

// Canvas point of photograph pixel (c, r), rounded and clamped.
void crPhotoToCanvas(const CameraParam* cam, int c, int r, int* x, int* y) {
    const float px = (static_cast<float>(c) - cam->principalX) / cam->pixelScaleX;
    const float py = (static_cast<float>(r) - cam->principalY) / cam->pixelScaleY;
    const float rho = sqrtf(px * px + py * py);
    if (rho == 0.0f) {  // the optical axis
        *x = kCanvasCentreX, *y = kCanvasCentreY;
        return;
    }
    const float t = tanf(crLensHeightToAngle(cam->undistortion, rho));
    *x = crCanvasIndex(cam->pixelScaleX * (px / rho) * t + kCanvasCentreX, kCanvasWidth - 1);
    *y = crCanvasIndex(cam->pixelScaleY * (py / rho) * t + kCanvasCentreY, kCanvasHeight - 1);
}

}  // namespace

PhotoWindow crCornerSearchWindow(int mode, int target) {
    if (mode < 0 || mode > 3 || target < 0 || target > 1) return {0, 0, 0, 0};
    return kWindows[mode][target];
}

CanvasWindow crProjectWindow(const CameraParam* cam, const PhotoWindow& w) {
    const int corners[4][2] = {{w.colA, w.rowA}, {w.colB, w.rowA}, {w.colA, w.rowB}, {w.colB, w.rowB}};
    int x0 = kCanvasWidth, y0 = kCanvasHeight, x1 = -1, y1 = -1;
    for (const auto& corner : corners) {
        int x, y;
        crPhotoToCanvas(cam, corner[0], corner[1], &x, &y);
        x0 = x < x0 ? x : x0, x1 = x > x1 ? x : x1;
        y0 = y < y0 ? y : y0, y1 = y > y1 ? y : y1;
    }
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

Point2f crCanvasToPhoto(const CameraParam* cam, float x, float y) {
    return crRayToPhoto(cam, (x - kCanvasCentreX) / cam->pixelScaleX, (y - kCanvasCentreY) / cam->pixelScaleY);
}

Point2f crRayToPhoto(const CameraParam* cam, float xn, float yn) {
    const float rr = crTangentLength(xn, yn);
    if (rr == 0.0f) return {cam->principalX, cam->principalY};
    const float rho = crTraceLensRay(cam->distortion, rr).height;
    return {xn / rr * rho * cam->pixelScaleX + cam->principalX, yn / rr * rho * cam->pixelScaleY + cam->principalY};
}
