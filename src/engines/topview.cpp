// Top-view engine (multi-view type 0): the ground around the vehicle from
// four cameras. State, Init and the per-camera LUTs and weights.
#include "topview.h"

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

// LUT and weights of one camera: every frame pixel's ground point projected
// through the camera's extrinsics (without the origin offset) and lens.
void crBuildCameraTable(const TopviewState* s, const CameraParam* cam, float** lut, Matrix* weights,
                        const TopviewFrame& frame, float scale, int slot) {
    const int width = s->width;
    const int height = s->height;
    const float frameWidth = static_cast<float>(s->frames[0]->width);
    const float frameHeight = static_cast<float>(s->frames[0]->height);
    float e[3][4];
    crCameraExtrinsics(cam, e);
    const bool angular = s->mode == 1;
    const WeightCone cone = crWeightCone(s, slot);

    for (int r = 0; r < height; ++r) {
        float* lutRow = lut[r];
        float* weightRow = weights->data[r];
        const float y = scale * (static_cast<float>(r) - frame.centerY);
        for (int c = 0; c < width; ++c) {
            lutRow[2 * static_cast<size_t>(c)] = -1.0f;
            lutRow[2 * c + 1] = -1.0f;
            weightRow[c] = -1.0f;
            const float x = (static_cast<float>(c) - frame.centerX) * scale;
            float q[3];
            crProjectPoint(e, x, y, 0.0f, q);
            if (q[2] == 0.0f) q[2] = 1.0f;
            const float xn = q[0] / q[2];
            const float yn = q[1] / q[2];
            const CrLensRay ray = crTraceLensRay(cam->distortion, crTangentLength(xn, yn));
            const float theta = ray.theta, rho = ray.height;
            const float u = cam->pixelScaleX * (rho * xn / ray.r) + cam->principalX;
            const float v = yn * rho / ray.r * cam->pixelScaleY + cam->principalY;
            // Also false for the NaN of a ray along the optical axis.
            if (!(u >= 0.0f && u < frameWidth && v >= 0.0f && v < frameHeight)) continue;
            lutRow[2 * static_cast<size_t>(c)] = u;
            lutRow[2 * c + 1] = v;
            if (angular && theta < cone.thetaMax) {
                const float margin = cone.thetaMax - theta;
                weightRow[c] = margin < cone.band ? margin / cone.band : 1.0f;
            }
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
