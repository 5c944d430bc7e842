// View-mode point: where a camera-picture point appears in the corrected view
// (the inverse of the view-mode LUT, without the fold and split layouts).
#include <cmath>

#include "camera/lens.h"
#include "views.h"

namespace {

// Inverse lens model about the optical centre: fisheye pixel offset to
// pinhole sensor point.
void crRemoveLens(const CrViewSetup& s, float& x, float& y) {
    crMapRadially(x, y, s.pixelScaleX, s.pixelScaleY, [&](float xs, float ys, float rho) {
        const float r = tanf(crLensHeightToAngle(s.undistortion, rho)) * s.focal;
        x = r * xs / rho;
        y = r * ys / rho;
    });
}

// Undoes the radial compression; the vertical axis is normalised by the focal
// length scaled to the rows' pixel pitch.
void crExpandRadially(const CrViewSetup& s, float& x, float& y) {
    const float focalY = s.focal * s.pixelScaleY / s.pixelScaleX;
    crMapRadially(x, y, s.focal, focalY, [&](float xr, float yr, float r) {
        const float q = tanf(r * s.modeParam) / (2.0f * s.tanHalfMode);
        x = q * xr / r * s.focal;
        y = q * yr / r * focalY;
    });
}

}  // namespace

void crGetViewModePoint(const Point2f* in, Point2f* out, const ViewParam* view) {
    const CrViewSetup s = crPrepareCameraView(view);
    float x = in->x - s.principalX;
    float y = in->y - s.principalY;
    if (s.lens) crRemoveLens(s, x, y);
    if (s.radial) crExpandRadially(s, x, y);
    if (s.keystone) {
        const float den = (x * s.kx - 1.0f) * (y * s.ky - 1.0f) - s.kx * (s.ky * x) * y;
        x = x / den;
        y = y / den;
    }
    // First-order inverse of the shear.
    const float xs = x + s.shearX * y;
    const float ys = y + s.shearY * x;
    // The zooms are not limited here.
    const float zoomX = s.mirrorX * view->zoomX;
    const float zoomY = s.mirrorY * view->zoomY;
    out->x = (s.cosR * zoomX * xs - s.sinR * zoomY * ys + view->shiftX) + view->centerX;
    out->y = (zoomX * s.sinR * xs + zoomY * s.cosR * ys + view->shiftY) + view->centerY;
}
