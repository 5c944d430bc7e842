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

// Pushes every view pixel of the box through the cell's homography hm (view
// to pinhole camera pixels) and the lens. Pixels that land in the camera's
// frame get their LUT entry, and a weight when they lie inside the cone.
void crFillCell(const CameraLens& lens, const float hm[3][3], PixelSpan xs, PixelSpan ys, float** lut,
                Matrix* weights) {
    for (int y = ys.first; y <= ys.last; ++y) {
        float* lutRow = lut[y];
        float* weightRow = weights->data[y];
        for (int x = xs.first; x <= xs.last; ++x) {
            const float px[3] = {static_cast<float>(x), static_cast<float>(y), 1.0f};
            float q[3];
            for (int i = 0; i < 3; ++i) {
                float sum = 0.0f;
                for (int k = 0; k < 3; ++k) sum = sum + hm[i][k] * px[k];
                q[i] = sum;
            }
            if (!(q[2] > 0.0f)) continue;
            const float xn = (q[0] / q[2] - lens.principalX) / lens.scaleX;
            const float yn = (q[1] / q[2] - lens.principalY) / lens.scaleY;
            const CrLensRay ray = crTraceLensRay(lens.k, crTangentLength(xn, yn));
            const float theta = ray.theta, rho = ray.height;
            // On the optical axis (r = 0) u and v are not numbers and the pixel keeps its entry.
            const float u = lens.principalX + lens.scaleX * rho * xn / ray.r;
            const float v = lens.principalY + lens.scaleY * rho * yn / ray.r;
            if (!(u >= 0.0f && u < lens.frameWidth && v >= 0.0f && v < lens.frameHeight)) continue;
            lutRow[2 * static_cast<size_t>(x)] = u;
            lutRow[2 * x + 1] = v;
            if (theta < lens.limit) {
                const float margin = lens.limit - theta;
                weightRow[x] = margin < lens.ramp ? margin / lens.ramp : 1.0f;
            }
        }
    }
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
        std::fill_n(lut[r], 2 * s->width, -1.0f);
        std::fill_n(weights->data[r], s->width, -1.0f);
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
