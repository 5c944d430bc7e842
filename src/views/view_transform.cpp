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

// Rotation and zoom, then shear.
void crRotateRun(const CrViewSetup& s, CrViewRun& run) {
    for (int i = 0; i < kViewRun; ++i) {
        const float a = run.u[i], b = run.v[i];
        const float ru = (s.cosR * a + s.sinR * b) * s.scaleX;
        const float rv = (s.cosR * b - s.sinR * a) * s.scaleY;
        run.u[i] = ru - s.shearX * rv;
        run.v[i] = rv - s.shearY * ru;
    }
}

void crKeystoneRun(const CrViewSetup& s, CrViewRun& run) {
    for (int i = 0; i < kViewRun; ++i) {
        const float w = run.u[i] * s.kx + run.v[i] * s.ky + 1.0f;
        run.u[i] = run.u[i] / w;
        run.v[i] = run.v[i] / w;
    }
}

// crMapRadially's first step for every lane: (u / n, v / n) and its length.
struct RadialRun {
    float xn[kViewRun], yn[kViewRun], r[kViewRun];
};

RadialRun crNormaliseRun(const CrViewRun& run, float n) {
    RadialRun p;
    for (int i = 0; i < kViewRun; ++i) {
        p.xn[i] = run.u[i] / n;
        p.yn[i] = run.v[i] / n;
    }
    for (int i = 0; i < kViewRun; ++i) p.r[i] = sqrtf(p.xn[i] * p.xn[i] + p.yn[i] * p.yn[i]);
    return p;
}

// crMapRadially's last step: lanes of zero length go to (0, 0), the others
// take the moved point (x, y).
void crPlaceRun(const RadialRun& p, const float x[kViewRun], const float y[kViewRun], CrViewRun& run) {
    for (int i = 0; i < kViewRun; ++i) {
        run.u[i] = p.r[i] == 0.0f ? 0.0f : x[i];
        run.v[i] = p.r[i] == 0.0f ? 0.0f : y[i];
    }
}

// Moves each point along its radius so that its normalised distance rho from
// the centre becomes atan(2 rho tan(m / 2)) / m.
void crCompressRunRadially(const CrViewSetup& s, CrViewRun& run) {
    const RadialRun p = crNormaliseRun(run, s.focal);
    float angle[kViewRun], x[kViewRun], y[kViewRun];
    for (int i = 0; i < kViewRun; ++i) angle[i] = atanf(2.0f * p.r[i] * s.tanHalfMode);
    for (int i = 0; i < kViewRun; ++i) {
        const float q = angle[i] / s.modeParam;
        x[i] = s.focal * p.xn[i] * (q / p.r[i]);
        y[i] = s.focal * p.yn[i] * (q / p.r[i]);
    }
    crPlaceRun(p, x, y, run);
}

// Forward lens model about the optical centre: pinhole sensor points to
// fisheye pixel offsets.
void crApplyLensToRun(const CrViewSetup& s, CrViewRun& run) {
    const RadialRun p = crNormaliseRun(run, s.focal);
    float theta[kViewRun], x[kViewRun], y[kViewRun];
    for (int i = 0; i < kViewRun; ++i) theta[i] = atanf(p.r[i]);  // crTraceLensRay's angle
    for (int i = 0; i < kViewRun; ++i) {
        const float rho = crLensAngleToHeight(s.distortion, theta[i]);
        x[i] = p.xn[i] * (rho / p.r[i]) * s.pixelScaleX;
        y[i] = p.yn[i] * (rho / p.r[i]) * s.pixelScaleY;
    }
    crPlaceRun(p, x, y, run);
}

}  // namespace

CrViewSetup crPrepareCameraView(const ViewParam* view) {
    return crPrepareView(view, true, view->camera->imageWidth, view->camera->imageHeight, false);
}

CrViewSetup crPrepareOverlayView(const ViewParam* view) {
    return crPrepareView(view, false, view->outWidth, view->outHeight, true);
}

void crViewRunToCamera(const CrViewSetup& s, CrViewRun& run) {
    crRotateRun(s, run);
    if (s.keystone) crKeystoneRun(s, run);
    if (s.radial) crCompressRunRadially(s, run);
    if (s.lens) crApplyLensToRun(s, run);
    for (int i = 0; i < kViewRun; ++i) {
        run.u[i] = run.u[i] + s.principalX;
        run.v[i] = run.v[i] + s.principalY;
    }
}
