// Top-view engine (multi-view type 0): the ground around the vehicle from
// four cameras. State, Init and the per-camera LUTs and weights.
#include "topview.h"

#include <algorithm>
#include <cmath>

#include "camera/camera.h"
#include "image/image.h"

namespace {

// GetMask and GetMaskLen offer RGB16, RGB32, YCbCr and RGB24.
constexpr int kTopviewMaskFormats = 4;

// Cone of the mode-1 weights: the half field of view and the ramp width.
struct WeightCone {
    float thetaMax;
    float band;
};

WeightCone crWeightCone(const MultiviewState* s, int slot) {
    constexpr double k = kRadiansPerDegree;
    float thetaMax = kSideConeHalfAngle;
    if (slot == CR_SLOT_FRONT) thetaMax = static_cast<float>(s->frontFov * 0.5 * k);
    if (slot == CR_SLOT_REAR) thetaMax = static_cast<float>(s->rearFov * 0.5 * k);
    return {thetaMax, static_cast<float>(s->blendAngle * k)};
}

// Frame pixels go through a camera in runs of kRun columns of one row. Each
// step of a run is a loop of fixed length over its lanes, which the compiler
// can turn into vector code; only the square root and the arc tangent go
// pixel by pixel, over the lanes in use. Every pixel still gets the
// operations of the single-pixel formulas in their order: the projection's
// per-row and per-column products are formed once and summed as
// crProjectPoint sums them. Divisions are formed for every lane in a loop of
// their own and chosen from afterwards: a division written after a choice
// would be moved into its branches, and a branch keeps a loop scalar.
constexpr int kRun = 16;

// One row of the frame as the camera sees it: the extrinsics, the row's term
// e[i][1] * y and the ground's height term e[i][2] * 0 of each coordinate.
struct GroundRow {
    float e[3][4];
    float rowTerm[3];
    float heightTerm[3];
};

// Coordinate k of E . (x, y, 0, 1) on the row.
inline float crGroundCoordinate(const GroundRow& g, int k, float x) {
    return (((0.0f + g.e[k][0] * x) + g.rowTerm[k]) + g.heightTerm[k]) + g.e[k][3];
}

// The tangent components xn, yn of the run's rays: q = E . (x, y, 0, 1)
// divided by its third coordinate (a zero one counts as 1).
struct RunRays {
    float xn[kRun], yn[kRun];
};

RunRays crRunRays(const GroundRow& g, const TopviewFrame& frame, float scale, int firstColumn) {
    float q0[kRun], q1[kRun], w[kRun];
    for (int i = 0; i < kRun; ++i) {
        const float x = (static_cast<float>(firstColumn + i) - frame.centerX) * scale;
        q0[i] = crGroundCoordinate(g, 0, x);
        q1[i] = crGroundCoordinate(g, 1, x);
        const float q2 = crGroundCoordinate(g, 2, x);
        w[i] = q2 == 0.0f ? 1.0f : q2;
    }
    RunRays rays;
    for (int i = 0; i < kRun; ++i) {
        rays.xn[i] = q0[i] / w[i];
        rays.yn[i] = q1[i] / w[i];
    }
    return rays;
}

// crTraceLensRay's tangent length and incidence angle of the first `count`
// rays; the lanes beyond are set to 0.
struct RunAngles {
    float r[kRun], theta[kRun];
};

RunAngles crRunAngles(const RunRays& rays, int count) {
    RunAngles a;
    for (int i = 0; i < count; ++i) {
        a.r[i] = crTangentLength(rays.xn[i], rays.yn[i]);
        a.theta[i] = atanf(a.r[i]);
    }
    std::fill(a.r + count, a.r + kRun, 0.0f);
    std::fill(a.theta + count, a.theta + kRun, 0.0f);
    return a;
}

// What the camera's pixels and weight cone need of it.
struct TableLens {
    const float* k;
    float scaleX, scaleY;
    float principalX, principalY;
    float frameWidth, frameHeight;
    bool angular;
    WeightCone cone;
};

// The run's LUT entries and weights: the camera pixel of each ray through the
// lens, (-1, -1) and -1 outside the frame; inside it the mode-1 cone weight,
// or -1.
struct RunEntries {
    float lut[2 * kRun];  // (u, v) pairs, as in a LUT row
    float weight[kRun];
};

RunEntries crRunEntries(const TableLens& lens, const RunRays& rays, const RunAngles& a) {
    float u[kRun], v[kRun], margin[kRun], share[kRun];
    for (int i = 0; i < kRun; ++i) {
        const float rho = crLensAngleToHeight(lens.k, a.theta[i]);
        u[i] = lens.scaleX * (rho * rays.xn[i] / a.r[i]) + lens.principalX;
        v[i] = rays.yn[i] * rho / a.r[i] * lens.scaleY + lens.principalY;
        margin[i] = lens.cone.thetaMax - a.theta[i];
        share[i] = margin[i] / lens.cone.band;
    }
    RunEntries out;
    for (int i = 0; i < kRun; ++i) {
        // Also false for the NaN of a ray along the optical axis. Every
        // comparison is made (& rather than &&), so the loop needs no branch.
        const bool inside = (u[i] >= 0.0f) & (u[i] < lens.frameWidth) & (v[i] >= 0.0f) & (v[i] < lens.frameHeight);
        const float ramp = margin[i] < lens.cone.band ? share[i] : 1.0f;
        const float coned = a.theta[i] < lens.cone.thetaMax ? ramp : -1.0f;
        const size_t pair = 2 * static_cast<size_t>(i);
        out.lut[pair] = inside ? u[i] : -1.0f;
        out.lut[pair + 1] = inside ? v[i] : -1.0f;
        out.weight[i] = (inside && lens.angular) ? coned : -1.0f;
    }
    return out;
}

// LUT and weights of one camera: every frame pixel's ground point projected
// through the camera's extrinsics (without the origin offset) and lens.
void crBuildCameraTable(const TopviewState* s, const CameraParam* cam, float** lut, Matrix* weights,
                        const TopviewFrame& frame, float scale, int slot) {
    const TableLens lens = {cam->distortion,
                            cam->pixelScaleX,
                            cam->pixelScaleY,
                            cam->principalX,
                            cam->principalY,
                            static_cast<float>(s->frames[0]->width),
                            static_cast<float>(s->frames[0]->height),
                            s->mode == 1,
                            crWeightCone(s, slot)};
    GroundRow g;
    crCameraExtrinsics(cam, g.e);
    for (int k = 0; k < 3; ++k) g.heightTerm[k] = g.e[k][2] * 0.0f;

    for (int r = 0; r < s->height; ++r) {
        float* lutRow = lut[r];
        float* weightRow = weights->data[r];
        const float y = scale * (static_cast<float>(r) - frame.centerY);
        for (int k = 0; k < 3; ++k) g.rowTerm[k] = g.e[k][1] * y;
        for (int first = 0; first < s->width; first += kRun) {
            const int count = std::min(kRun, s->width - first);
            const RunRays rays = crRunRays(g, frame, scale, first);
            const RunEntries entries = crRunEntries(lens, rays, crRunAngles(rays, count));
            std::copy_n(entries.lut, 2 * count, lutRow + 2 * static_cast<size_t>(first));
            std::copy_n(entries.weight, count, weightRow + first);
        }
    }
}

int crTopviewInit(EngineHandle* h, const MultiviewParam* p) {
    TopviewState* s = crTopviewState(h);
    if (!s) return -1;
    if (!p || !p->cameras) return 0;
    crCompleteWarps(s);  // the pictures keep the warps of the outgoing tables
    s->flags = p->flags;
    s->rotated = static_cast<int>(p->flags & CR_MULTI_TURNED);
    const TopviewFrame frame = crTopviewFrame(p);
    if (!crPrepareViewBuffers(s, &p->cameras[CR_SLOT_FRONT], frame.width, frame.height, true)) return 0;
    crTakeWeightCones(s, p);
    s->carColor = p->carColor;
    s->lineWidth = p->lineWidth;
    s->mode = p->mode;
    crTopviewPlaceCar(s, p, frame);
    crTopviewBuildTables(s, p, frame);
    if (s->mode != 4) crRepaintBlendMap(s, [s, p] { crTopviewPaintBlendMap(s, p); });
    crFindUsedBoxes(s);
    return 0;
}

EngineHandle* crTopviewCreate(int) { return crCreateMultiview<TopviewState>(&kTopviewOps); }

}  // namespace

void crTopviewBuildTables(TopviewState* s, const MultiviewParam* p, const TopviewFrame& frame) {
    for (int pos = 0; pos < kMultiviewCameras; ++pos) {
        const int slot = kMultiviewSlotOf[pos];
        crBuildCameraTable(s, &p->cameras[slot], s->luts[pos], s->weights[pos], frame, p->scale, slot);
    }
}

const CrMultiviewOps kTopviewOps = {
    {CrEngineFamily::kMultiview},
    &crTopviewCreate,
    &crTopviewInit,
    &crTopviewApply,
    &crGetViewLutLen,
    &crTopviewGetLUT,
    &crSaveViewLut,
    &crGetViewMaskLen<kTopviewMaskFormats>,
    &crGetViewMask<kTopviewMaskFormats>,
    &crTopviewSetImage,
    &crSaveViewImage,
    &crTopviewAdjustCameraPose,
    &crReleaseEngine<MultiviewState>,
};
