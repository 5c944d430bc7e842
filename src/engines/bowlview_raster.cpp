// Bowl view: one camera's LUT and weights, cell by cell. Each mesh cell that
// faces the camera is mapped from the view into the camera's pinhole image
// by the homography of its four corners; every view pixel of the cell then
// goes through the camera's fisheye lens.
#include <algorithm>
#include <cmath>

#include "bowlview.h"
#include "camera/camera.h"
#include "numerics/numerics.h"

namespace {

// What the per-pixel step needs of the camera: its pinhole intrinsics, its
// forward lens polynomial, its frame size and its weight cone (the angle off
// the axis up to which it is weighted, and the width of the ramp down to 0
// at that angle, radians).
struct CameraLens {
    float scaleX, scaleY;
    float principalX, principalY;
    const float* k;
    float frameWidth, frameHeight;
    float limit, ramp;
};

CameraLens crCameraLens(const BowlviewState* s, const CameraParam* cam, int slot) {
    float limit = kSideConeHalfAngle;
    if (slot == CR_SLOT_FRONT) limit = crDegToRad(0.5f * s->frontFov);
    if (slot == CR_SLOT_REAR) limit = crDegToRad(0.5f * s->rearFov);
    return {cam->pixelScaleX,
            cam->pixelScaleY,
            cam->principalX,
            cam->principalY,
            cam->distortion,
            static_cast<float>(s->frames[0]->width),
            static_cast<float>(s->frames[0]->height),
            limit,
            crDegToRad(s->blendAngle)};
}

// A vertex faces the camera when the vector from it to the camera does not
// point along the optical axis n; the rotation about y does not move n.
void crFindFacingVertices(const BowlviewState* s, const CameraParam* cam, bool facing[kBowlVertices]) {
    const float alpha = crDegToRad(cam->angleX), gamma = crDegToRad(cam->angleZ);
    const float nx = sinf(alpha) * sinf(gamma), ny = -sinf(alpha) * cosf(gamma), nz = cosf(alpha);
    for (int i = 0; i < kBowlVertices; ++i) {
        const BowlVertex& v = s->mesh[i];
        const float along = (cam->positionX - v.x) * nx + (cam->positionY - v.y) * ny + (cam->positionZ - v.z) * nz;
        facing[i] = along <= 0.0f;
    }
}

// A cell is drawn only if its corner vertex and the four around it face the
// camera (the diagonal corner is not asked).
bool crCellFaces(const bool facing[kBowlVertices], int ring, int point) {
    const int index = kBowlRingPoints * ring + point;
    return facing[index] && (ring == 0 || facing[index - kBowlRingPoints]) && facing[index + kBowlRingPoints] &&
           facing[index + 1] && (point == 0 || facing[index - 1]);
}

// Whole pixel indices from trunc(lo) to trunc(hi) (toward zero) within
// 0..count-1; empty (first > last) when a bound is not a number.
struct PixelSpan {
    int first, last;
};

PixelSpan crPixelSpan(float lo, float hi, int count) {
    if (std::isnan(lo) || std::isnan(hi)) return {0, -1};
    const int first = lo <= 0.0f ? 0 : lo >= static_cast<float>(count) ? count : static_cast<int>(lo);
    const int last = hi >= static_cast<float>(count - 1) ? count - 1 : hi <= -1.0f ? -1 : static_cast<int>(hi);
    return {first, last};
}

bool crInView(const BowlviewState* s, Point2f p) {
    return p.x >= 0.0f && p.x < static_cast<float>(s->width) && p.y >= 0.0f && p.y < static_cast<float>(s->height);
}

// A row's pixels go through the cell in runs of kRun. Each step of a run is a
// loop of fixed length over its lanes, which the compiler can turn into
// vector code; only the square root and the arc tangent go pixel by pixel.
// Every pixel gets the operations of the single-pixel formulas in their
// order: the homography's row term hm[i][1] * y is formed once per row and
// summed in its place. Divisions are formed for every lane and chosen from
// afterwards, as a division written after a choice would be moved into its
// branches, and a branch keeps a loop scalar.
constexpr int kRun = 16;

// The tangent components of a run's rays: view pixel (x, y) through the
// cell's homography to the pinhole camera, then relative to the principal
// point over the pixel scale. `ahead` is false where the homography puts the
// pixel behind the camera (third coordinate not positive, or not a number).
struct RunRays {
    float xn[kRun], yn[kRun];
    bool ahead[kRun];
};

RunRays crRunRays(const CameraLens& lens, const float hm[3][3], const float rowTerm[3], int firstX) {
    float q0[kRun], q1[kRun], q2[kRun];
    for (int i = 0; i < kRun; ++i) {
        const float x = static_cast<float>(firstX + i);
        q0[i] = ((0.0f + hm[0][0] * x) + rowTerm[0]) + hm[0][2] * 1.0f;
        q1[i] = ((0.0f + hm[1][0] * x) + rowTerm[1]) + hm[1][2] * 1.0f;
        q2[i] = ((0.0f + hm[2][0] * x) + rowTerm[2]) + hm[2][2] * 1.0f;
    }
    RunRays rays;
    for (int i = 0; i < kRun; ++i) {
        rays.xn[i] = (q0[i] / q2[i] - lens.principalX) / lens.scaleX;
        rays.yn[i] = (q1[i] / q2[i] - lens.principalY) / lens.scaleY;
        rays.ahead[i] = q2[i] > 0.0f;
    }
    return rays;
}

// The fisheye pixel (u, v) and incidence angle of each ray ahead of the
// camera among the first `count`.
struct RunPixels {
    float u[kRun], v[kRun], theta[kRun];
};

RunPixels crRunPixels(const CameraLens& lens, const RunRays& rays, int count) {
    float r[kRun] = {}, theta[kRun] = {};
    for (int i = 0; i < count; ++i) {
        if (!rays.ahead[i]) continue;
        r[i] = crTangentLength(rays.xn[i], rays.yn[i]);
        theta[i] = atanf(r[i]);  // crTraceLensRay's angle
    }
    RunPixels p;
    for (int i = 0; i < kRun; ++i) {
        const float rho = crLensAngleToHeight(lens.k, theta[i]);
        p.u[i] = lens.principalX + lens.scaleX * rho * rays.xn[i] / r[i];
        p.v[i] = lens.principalY + lens.scaleY * rho * rays.yn[i] / r[i];
        p.theta[i] = theta[i];
    }
    return p;
}

// Pushes every view pixel of the box through the cell's homography hm (view
// to pinhole camera pixels) and the lens. Pixels that land in the camera's
// frame get their LUT entry, and a weight when they lie inside the cone.
void crFillCell(const CameraLens& lens, const float hm[3][3], PixelSpan xs, PixelSpan ys, float** lut,
                Matrix* weights) {
    for (int y = ys.first; y <= ys.last; ++y) {
        float* lutRow = lut[y];
        float* weightRow = weights->data[y];
        const float rowY = static_cast<float>(y);
        const float rowTerm[3] = {hm[0][1] * rowY, hm[1][1] * rowY, hm[2][1] * rowY};
        for (int first = xs.first; first <= xs.last; first += kRun) {
            const int count = std::min(kRun, xs.last - first + 1);
            const RunRays rays = crRunRays(lens, hm, rowTerm, first);
            const RunPixels p = crRunPixels(lens, rays, count);
            for (int i = 0; i < count; ++i) {
                const float u = p.u[i], v = p.v[i], theta = p.theta[i];
                // On the optical axis (r = 0) u and v are not numbers and the pixel keeps its entry.
                if (!rays.ahead[i] || !(u >= 0.0f && u < lens.frameWidth && v >= 0.0f && v < lens.frameHeight))
                    continue;
                const int x = first + i;
                lutRow[2 * static_cast<size_t>(x)] = u;
                lutRow[2 * x + 1] = v;
                if (theta < lens.limit) {
                    const float margin = lens.limit - theta;
                    weightRow[x] = margin < lens.ramp ? margin / lens.ramp : 1.0f;
                }
            }
        }
    }
}

// Sets n entries to -1: whole runs by a loop of fixed length, which the
// compiler can turn into vector stores, then the rest.
void crFillUnset(float* entries, int n) {
    int i = 0;
    for (; i + kRun <= n; i += kRun)
        for (int k = 0; k < kRun; ++k) entries[i + k] = -1.0f;
    for (; i < n; ++i) entries[i] = -1.0f;
}

// One cell: the vertices at vertexIndex plus 0, 1, 62 and 61. Drawn when one
// of its last three corners lies in the view, over the box of its corners in
// the view.
// The innermost ring's cells are triangles (their last two corners are the
// bowl's centre), so their homography is only loosely fitted: the pixels
// around the centre, under the vehicle when the bowl is centred on it, get
// whatever camera pixel it gives inside the frame. Only positions inside the
// frame are stored, so no entry is ever infinite or not a number.
// False when the cell's homography could not be estimated for lack of memory.
bool crDrawCell(BowlviewState* s, const CameraLens& lens, int vertexIndex, float** lut, Matrix* weights) {
    const int cornerIndex[4] = {vertexIndex, vertexIndex + 1, vertexIndex + kBowlRingPoints + 1,
                                vertexIndex + kBowlRingPoints};
    Point2f view[4], camera[4];
    for (int i = 0; i < 4; ++i) {
        const BowlVertex& c = s->mesh[cornerIndex[i]];
        view[i] = {c.viewU, c.viewV};
        camera[i] = {c.camU, c.camV};
    }
    if (!crInView(s, view[1]) && !crInView(s, view[2]) && !crInView(s, view[3])) return true;
    Point2f lo = view[0], hi = view[0];
    for (int i = 1; i < 4; ++i) {
        if (view[i].x < lo.x) lo.x = view[i].x;
        if (view[i].x > hi.x) hi.x = view[i].x;
        if (view[i].y < lo.y) lo.y = view[i].y;
        if (view[i].y > hi.y) hi.y = view[i].y;
    }
    CrStackMatrix3 hm;
    if (!crEstimateHomography2D(view, camera, 4, &hm.m)) return false;
    crFillCell(lens, hm.cells, crPixelSpan(lo.x, hi.x, s->width), crPixelSpan(lo.y, hi.y, s->height), lut, weights);
    return true;
}

}  // namespace

// Cells go ring by ring from the rim inward, so where cells overlap in the
// view the one nearer the bowl's centre wins.
bool crRasteriseCamera(BowlviewState* s, const CameraParam* cam, int pos, int slot) {
    crProjectMesh(s, crPinholeCamera(cam), &BowlVertex::camU, &BowlVertex::camV);
    float** lut = s->luts[pos];
    Matrix* weights = s->weights[pos];
    for (int r = 0; r < s->height; ++r) {
        crFillUnset(lut[r], 2 * s->width);
        crFillUnset(weights->data[r], s->width);
    }
    static_assert(kBowlVertices * sizeof(bool) <= 4096, "facing flags live on the stack");
    bool facing[kBowlVertices];
    crFindFacingVertices(s, cam, facing);
    const CameraLens lens = crCameraLens(s, cam, slot);
    for (int ring = 0; ring < kBowlRings - 1; ++ring)
        for (int point = 0; point < kBowlRingPoints - 1; ++point)
            if (crCellFaces(facing, ring, point) && !crDrawCell(s, lens, kBowlRingPoints * ring + point, lut, weights))
                return false;
    return true;
}
