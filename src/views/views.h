// View geometry internals.
#pragma once

#include <cmath>

#include "camrig.h"

// Disagreement between the record's ground points and its image points
// projected to the ground through a trial pose (angles in degrees). Both point
// sets are centred first, so a common shift of the ground points costs nothing.
// False, leaving *error untouched, when there is no memory for the trial
// projection.
bool crComputePoseError(const CameraParam* cam, float angleX, float angleY, float angleZ, float positionX,
                        float positionY, float positionZ, float* error);

// ---- Plane-transform chain of a single-camera view --------------------------
// The view-mode LUT, the view-mode point and the overlay LUT share these: the
// per-call constants of a ViewParam and the steps that take a shifted view
// position to a camera pixel.

struct CrViewSetup {
    float cosR, sinR;        // rotation
    float mirrorX, mirrorY;  // -1 for a mirrored axis, else 1
    float scaleX, scaleY;    // mirror / zoom, applied after the rotation
    float shearX, shearY;
    bool keystone;
    float kx, ky;  // keystone terms
    bool radial;
    float modeParam;
    float tanHalfMode;  // tan(modeParam / 2)
    bool lens;
    float focal;
    float pixelScaleX, pixelScaleY;
    float principalX, principalY;
    const float* distortion;    // k1..k5 of the camera
    const float* undistortion;  // c0..c8 of the camera
};

// The camera view: zooms limited to 0.0001, keystone terms over the camera's
// picture size, radial compression only for a positive angle.
CrViewSetup crPrepareCameraView(const ViewParam* view);

// The overlay view: zooms as given, keystone terms over the view's own size,
// radial compression for any non-zero angle.
CrViewSetup crPrepareOverlayView(const ViewParam* view);

// The LUT builders take the pixels of a view row in runs of kViewRun. Each
// step of the chain is a loop of fixed length over the run's lanes, which the
// compiler can turn into vector code; only square roots and the lens's
// trigonometric functions go lane by lane. Every lane gets the operations of
// the single-pixel formulas in their order. Divisions are formed in loops of
// their own and chosen from afterwards: a division written after a choice
// would be moved into its branches, and a branch keeps a loop scalar.
constexpr int kViewRun = 16;

// Positions of a run's lanes: view positions on the way in, camera pixels on
// the way out.
struct CrViewRun {
    float u[kViewRun], v[kViewRun];
};

// Rotation and zoom, shear, keystone, radial compression and lens for every
// lane's view position (u, v), already relative to the view centre and
// shift; leaves the camera pixels in (u, v).
void crViewRunToCamera(const CrViewSetup& s, CrViewRun& run);

// Radial maps about the optical centre: (x, y) is normalised to
// (x / nx, y / ny) of length r; a zero length gives (0, 0), otherwise
// place(xn, yn, r) writes the moved point.
template <typename Place> void crMapRadially(float& x, float& y, float nx, float ny, Place place) {
    const float xn = x / nx;
    const float yn = y / ny;
    const float r = sqrtf(xn * xn + yn * yn);
    if (r == 0.0f) {
        x = 0.0f;
        y = 0.0f;
        return;
    }
    place(xn, yn, r);
}

// ---- Parking guide ------------------------------------------------------------

// The n points of one distance band on each guide line (lines at x = xLeft and
// x = xRight, the band starting at y0), from the record's working fields
// segmentStart, segmentEnd, turnRadius and arcOffset: straight runs for a zero
// steering angle, else arcs about the turning centre. Every y is negated.
// A band of a single point per line gets the point at the band's start.
// Returns 0.
int crBuildGuideBand(int n, const PgsParam* pgs, float xLeft, float xRight, float y0, Point2f* left, Point2f* right);
