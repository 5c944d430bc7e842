// The plane-transform chain shared by the view-mode LUT, the view-mode point
// and the overlay LUT.
#include <cmath>

#include "camera/camera.h"
#include "views.h"

namespace {

// Zoom is a divisor; a smaller one would blow the view up past any use.
constexpr float kMinZoom = 0.0001f;

float crLimitZoom(float zoom) { return zoom < kMinZoom ? kMinZoom : zoom; }

// `keystoneWidth` and `keystoneHeight` are the picture size the keystone
// angles are spread over; note the crossing: the horizontal term uses the
// height and the vertical term the width.
CrViewSetup crPrepareView(const ViewParam* view, bool limitZoom, int keystoneWidth, int keystoneHeight,
                          bool radialAnySign) {
    const CameraParam* cam = view->camera;
    CrViewSetup s;
    const float rotation = crDegToRad(view->rotation);
    s.cosR = cosf(rotation);
    s.sinR = sinf(rotation);
    s.mirrorX = (view->flags & CR_VIEW_MIRROR) ? -1.0f : 1.0f;
    s.mirrorY = (view->flags & CR_VIEW_FLIP) ? -1.0f : 1.0f;
    const float zoomX = limitZoom ? crLimitZoom(view->zoomX) : view->zoomX;
    const float zoomY = limitZoom ? crLimitZoom(view->zoomY) : view->zoomY;
    s.scaleX = s.mirrorX / zoomX;
    s.scaleY = s.mirrorY / zoomY;
    s.shearX = view->shearX;
    s.shearY = view->shearY;
    s.keystone = view->keystoneX != 0.0f || view->keystoneY != 0.0f;
    s.kx = 2.0f * tanf(crDegToRad(view->keystoneX)) / static_cast<float>(keystoneHeight);
    s.ky = 2.0f * tanf(crDegToRad(view->keystoneY)) / static_cast<float>(keystoneWidth);
    s.modeParam = view->modeParam;
    s.radial = (view->flags & CR_VIEW_RADIAL) && (radialAnySign ? s.modeParam != 0.0f : s.modeParam > 0.0f);
    s.tanHalfMode = tanf(s.modeParam / 2.0f);
    s.lens = (view->flags & CR_VIEW_LENS) != 0;
    s.focal = cam->focalLength;
    s.pixelScaleX = cam->pixelScaleX;
    s.pixelScaleY = cam->pixelScaleY;
    s.principalX = cam->principalX;
    s.principalY = cam->principalY;
    s.distortion = cam->distortion;
    s.undistortion = cam->undistortion;
    return s;
}

// Moves the point along its radius so that its normalised distance rho from
// the centre becomes atan(2 rho tan(m / 2)) / m.
void crCompressRadially(const CrViewSetup& s, float& u, float& v) {
    crMapRadially(u, v, s.focal, s.focal, [&](float un, float vn, float rho) {
        const float q = atanf(2.0f * rho * s.tanHalfMode) / s.modeParam;
        u = s.focal * un * (q / rho);
        v = s.focal * vn * (q / rho);
    });
}

// Forward lens model about the optical centre: pinhole sensor point to
// fisheye pixel offset.
void crApplyLens(const CrViewSetup& s, float& u, float& v) {
    crMapRadially(u, v, s.focal, s.focal, [&](float xn, float yn, float r) {
        const float rho = crTraceLensRay(s.distortion, r).height;
        u = xn * (rho / r) * s.pixelScaleX;
        v = yn * (rho / r) * s.pixelScaleY;
    });
}

}  // namespace

CrViewSetup crPrepareCameraView(const ViewParam* view) {
    return crPrepareView(view, true, view->camera->imageWidth, view->camera->imageHeight, false);
}

CrViewSetup crPrepareOverlayView(const ViewParam* view) {
    return crPrepareView(view, false, view->outWidth, view->outHeight, true);
}

Point2f crViewToCamera(const CrViewSetup& s, float a, float b) {
    const float ru = (s.cosR * a + s.sinR * b) * s.scaleX;
    const float rv = (s.cosR * b - s.sinR * a) * s.scaleY;
    float u = ru - s.shearX * rv;
    float v = rv - s.shearY * ru;
    if (s.keystone) {
        const float w = u * s.kx + v * s.ky + 1.0f;
        u = u / w;
        v = v / w;
    }
    if (s.radial) crCompressRadially(s, u, v);
    if (s.lens) crApplyLens(s, u, v);
    return Point2f{u + s.principalX, v + s.principalY};
}
