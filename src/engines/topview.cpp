// Top-view engine (multi-view type 0): the ground around the vehicle from
// four cameras. State, Init and the per-camera LUTs and weights.
#include "topview.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "camera/camera.h"
#include "image/image.h"
#include "numerics/numerics.h"

namespace {

void crReleaseViewBuffers(TopviewState* s) {
    for (int p = 0; p < kTopviewCameras; ++p) {
        crFreeLut(s->luts[p], s->height);
        s->luts[p] = nullptr;
        crFreeMatrix(&s->weights[p]);
        s->weights[p] = nullptr;
        crReleaseImage(&s->warped[p]);
    }
    crReleaseImage(&s->overlay);
    crReleaseImage(&s->blendMap);
    std::free(s->composeBuffer);
    std::free(s->maskBuffer);
    std::free(s->boxRows);
    std::free(s->boxLutRows);
    s->composeBuffer = nullptr;
    s->maskBuffer = nullptr;
    s->boxRows = nullptr;
    s->boxLutRows = nullptr;
    for (int p = 0; p < kTopviewCameras; ++p) {
        s->keptFrame[p] = false;
        s->usedBox[p] = WarpBox{};
        s->warpedBox[p] = WarpBox{};
    }
    s->width = 0;
    s->height = 0;
}

Image* crCreateClearedImage(int width, int height) {
    Image* img = crCreateImage(3, width, height);
    if (img) crClearRows(img->data, img->height, img->stride);
    return img;
}

// All view-size buffers or none: a failure leaves the blend map null, so the
// engine reads as uninitialised and the next Init allocates again.
bool crAllocViewBuffers(TopviewState* s, int width, int height) {
    s->width = width;
    s->height = height;
    bool ok = true;
    for (int p = 0; p < kTopviewCameras; ++p) ok = (s->luts[p] = crAllocLut(width, height)) && ok;
    for (int p = 0; p < kTopviewCameras; ++p) ok = (s->warped[p] = crCreateClearedImage(width, height)) && ok;
    ok = (s->overlay = crCreateClearedImage(width, height)) && ok;
    ok = (s->blendMap = crCreateClearedImage(width, height)) && ok;
    for (int p = 0; p < kTopviewCameras; ++p) ok = (s->weights[p] = crCreateMatrix(height, width)) && ok;
    // The packed mask may be asked for in the caller's orientation, whose rows
    // are padded differently from the frame's.
    const size_t frameBytes = static_cast<size_t>(crPackedStride(width)) * height;
    const size_t callerBytes = static_cast<size_t>(crPackedStride(height)) * width;
    ok = (s->composeBuffer = static_cast<unsigned char*>(std::calloc(frameBytes, 1))) && ok;
    ok = (s->maskBuffer = static_cast<unsigned char*>(std::calloc(std::max(frameBytes, callerBytes), 1))) && ok;
    ok = (s->boxRows = static_cast<unsigned char**>(std::malloc(height * sizeof(unsigned char*)))) && ok;
    ok = (s->boxLutRows = static_cast<float**>(std::malloc(height * sizeof(float*)))) && ok;
    if (!ok) crReleaseViewBuffers(s);
    return ok;
}

// Every frame image has the size of camera slot 0, whatever camera it carries.
bool crEnsureFrameImages(TopviewState* s, const CameraParam* front) {
    bool ok = true;
    for (Image*& frame : s->frames) {
        if (frame && frame->width == front->imageWidth && frame->height == front->imageHeight) continue;
        crReleaseImage(&frame);
        frame = crCreateImage(3, front->imageWidth, front->imageHeight);
        ok = ok && frame;
    }
    if (!ok)
        for (Image*& frame : s->frames) crReleaseImage(&frame);
    return ok;
}

// M = [R | R t] with t = -position; unlike the full projection the origin
// offset is left out, so the camera is projected with a zero offset.
void crTopviewProjection(Matrix* m, const CameraParam* cam) {
    CameraParam centred = *cam;
    centred.originX = 0.0f;
    centred.originY = 0.0f;
    crGetProjection3x4(m, &centred);
}

// Cone of the mode-1 weights: the half field of view and the ramp width.
struct WeightCone {
    float thetaMax;
    float band;
};

WeightCone crWeightCone(const TopviewState* s, int slot) {
    constexpr double k = 0.017453292519943295;
    float thetaMax = 1.3089969f;
    if (slot == CR_SLOT_FRONT) thetaMax = static_cast<float>(s->frontFov * 0.5 * k);
    if (slot == CR_SLOT_REAR) thetaMax = static_cast<float>(s->rearFov * 0.5 * k);
    return {thetaMax, static_cast<float>(s->blendAngle * k)};
}

// LUT and weights of one camera: every frame pixel's ground point projected
// through the camera's matrix and lens. The matrix elements are hoisted and
// summed in the order of crMultiplyMat (running sum from 0, k in order), the
// third column meeting the ground's Z = 0.
void crBuildCameraTable(const TopviewState* s, const Matrix* m, const CameraParam* cam, float** lut,
                        Matrix* weights, const TopviewFrame& frame, float scale, int slot) {
    const int width = s->width;
    const int height = s->height;
    const float frameWidth = static_cast<float>(s->frames[0]->width);
    const float frameHeight = static_cast<float>(s->frames[0]->height);
    float e[3][4];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) e[i][j] = m->data[i][j];
    const bool angular = s->mode == 1;
    const WeightCone cone = crWeightCone(s, slot);

    for (int r = 0; r < height; ++r) {
        float* lutRow = lut[r];
        float* weightRow = weights->data[r];
        const float y = scale * (static_cast<float>(r) - frame.centerY);
        for (int c = 0; c < width; ++c) {
            lutRow[2 * c] = -1.0f;
            lutRow[2 * c + 1] = -1.0f;
            weightRow[c] = -1.0f;
            const float x = (static_cast<float>(c) - frame.centerX) * scale;
            float q[3];
            for (int i = 0; i < 3; ++i) {
                float sum = 0.0f;
                sum = sum + e[i][0] * x;
                sum = sum + e[i][1] * y;
                sum = sum + e[i][2] * 0.0f;
                sum = sum + e[i][3] * 1.0f;
                q[i] = sum;
            }
            if (q[2] == 0.0f) q[2] = 1.0f;
            const float xn = q[0] / q[2];
            const float yn = q[1] / q[2];
            const float rayRadius = sqrtf(xn * xn + yn * yn);
            const float theta = atanf(rayRadius);
            const float rho = crLensAngleToHeight(cam->distortion, theta);
            const float u = cam->pixelScaleX * (rho * xn / rayRadius) + cam->principalX;
            const float v = yn * rho / rayRadius * cam->pixelScaleY + cam->principalY;
            // Also false for the NaN of a ray along the optical axis.
            if (!(u >= 0.0f && u < frameWidth && v >= 0.0f && v < frameHeight)) continue;
            lutRow[2 * c] = u;
            lutRow[2 * c + 1] = v;
            if (angular && theta < cone.thetaMax) {
                const float margin = cone.thetaMax - theta;
                weightRow[c] = margin < cone.band ? margin / cone.band : 1.0f;
            }
        }
    }
}

int crTopviewInit(EngineHandle* h, const MultiviewParam* p) {
    TopviewState* s = crEngineState<TopviewState>(h);
    if (!s) return -1;
    if (!p || !p->cameras) return 0;
    crTopviewCompleteWarps(s);  // the pictures keep the warps of the outgoing tables
    s->flags = p->flags;
    s->rotated = static_cast<int>(p->flags & CR_MULTI_TURNED);
    const TopviewFrame frame = crTopviewFrame(p);
    if (frame.width < 1 || frame.height < 1) return 0;
    if (!crEnsureFrameImages(s, &p->cameras[CR_SLOT_FRONT])) return 0;
    if (!(crTopviewHasView(s) && s->width == frame.width && s->height == frame.height)) {
        crReleaseViewBuffers(s);
        if (!crAllocViewBuffers(s, frame.width, frame.height)) return 0;
    }
    s->frontFov = p->frontFov;
    s->rearFov = p->rearFov;
    s->blendAngle = p->blendAngle;
    s->carColor = p->carColor;
    s->lineWidth = p->lineWidth;
    s->mode = p->mode;
    crTopviewPlaceCar(s, p, frame);
    if (!crTopviewBuildTables(s, p, frame)) {
        crReleaseViewBuffers(s);  // no half-built tables: the engine waits for the next Init
        return 0;
    }
    if (s->mode != 4) {
        crClearRows(s->blendMap->data, s->blendMap->height, s->blendMap->stride);
        crTopviewPaintBlendMap(s, p);
        crTopviewTransferOverlay(s);
    }
    crTopviewFindUsedBoxes(s);
    return 0;
}

EngineHandle* crTopviewCreate(int) { return crCreateEngine<TopviewState>(kTopviewOps); }

}  // namespace

TopviewState::~TopviewState() {
    crReleaseViewBuffers(this);
    for (Image*& image : frames) crReleaseImage(&image);
}

bool crTopviewBuildTables(TopviewState* s, const MultiviewParam* p, const TopviewFrame& frame) {
    Matrix* m[kTopviewCameras] = {};
    bool ok = true;
    for (int slot = 0; slot < kTopviewCameras; ++slot) {
        m[slot] = crCreateMatrix(3, 4);
        if (m[slot]) crTopviewProjection(m[slot], &p->cameras[slot]);
        ok = ok && m[slot];
    }
    for (int pos = 0; ok && pos < kTopviewCameras; ++pos) {
        const int slot = kTopviewSlotOf[pos];
        crBuildCameraTable(s, m[slot], &p->cameras[slot], s->luts[pos], s->weights[pos], frame, p->scale, slot);
    }
    for (Matrix* matrix : m) crFreeMatrix(&matrix);
    return ok;
}

const CrEngineSlot kTopviewOps[kEngineTableSize] = {
    crSlot(&crTopviewCreate),
    crSlot(&crTopviewInit),
    crSlot(&crTopviewApply),
    crSlot(&crTopviewGetLUTLen),
    crSlot(&crTopviewGetLUT),
    crSlot(&crTopviewSaveLUT),
    crSlot(&crTopviewGetMaskLen),
    crSlot(&crTopviewGetMask),
    crSlot(&crTopviewSetImage),
    crSlot(&crTopviewSaveImage),
    crSlot(&crTopviewAdjustCameraPose),
    crSlot(&crReleaseEngine<TopviewState>),
};
