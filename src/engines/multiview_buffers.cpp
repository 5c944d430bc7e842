// Multi-view engines: the view-size buffers and the frame images, allocated
// all or nothing.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "image/image.h"
#include "multiview.h"
#include "numerics/numerics.h"

namespace {

Image* crCreateClearedImage(int width, int height) {
    Image* img = crCreateImage(3, width, height);
    if (img) crClearRows(img->data, img->height, img->stride);
    return img;
}

template <typename T> T* crAllocBlock(size_t count, bool cleared) {
    return static_cast<T*>(cleared ? std::calloc(count, sizeof(T)) : std::malloc(count * sizeof(T)));
}

// What crAllocViewBuffers requests for a W x H frame, the allocator's cost
// of every row included; -1 when a size cannot be described.
int64_t crViewBuffersCost(int width, int height) {
    const int stride = crPackedRowBytes(width), caller = crByteCount(crPackedRowBytes(height), width);
    if (crByteCount(width, 8) < 0 || stride < 0 || caller < 0 || crByteCount(stride, height) < 0) return -1;
    const int64_t luts = crRowArrayCost(int64_t{width} * 8, height),
                  weights = crRowArrayCost(int64_t{width} * 4, height);
    const int64_t pictures = crRowArrayCost(stride, height),
                  blocks = 2 * std::max(int64_t{stride} * height, int64_t{caller});
    // The cameras' row spans count as two pointers a row, as they always have:
    // the sizes an Init accepts must not change.
    const int64_t spans = 2 * int64_t{height} * static_cast<int64_t>(sizeof(void*));
    return kMultiviewCameras * (luts + weights) + 6 * pictures + blocks + spans;
}

// What the four camera frames of camera slot 0's size cost; -1 as above.
int64_t crFrameImagesCost(const CameraParam* front) {
    const int stride = crPackedRowBytes(front->imageWidth);
    if (stride < 0 || crByteCount(stride, front->imageHeight) < 0) return -1;
    return kMultiviewCameras * crRowArrayCost(stride, front->imageHeight);
}

// All view-size buffers or none.
bool crAllocViewBuffers(MultiviewState* s, int width, int height, bool withComposeBuffer) {
    s->width = width;
    s->height = height;
    bool ok = true;
    for (int p = 0; p < kMultiviewCameras; ++p) ok = (s->luts[p] = crAllocLut(width, height)) && ok;
    for (int p = 0; p < kMultiviewCameras; ++p) ok = (s->warped[p] = crCreateClearedImage(width, height)) && ok;
    ok = (s->overlay = crCreateClearedImage(width, height)) && ok;
    ok = (s->blendMap = crCreateClearedImage(width, height)) && ok;
    for (int p = 0; p < kMultiviewCameras; ++p) ok = (s->weights[p] = crCreateMatrix(height, width)) && ok;
    // The packed mask may be asked for in the caller's orientation, whose rows
    // are padded differently from the frame's.
    const size_t frameBytes = static_cast<size_t>(crPackedStride(width)) * height;
    const size_t callerBytes = static_cast<size_t>(crPackedStride(height)) * width;
    if (withComposeBuffer) ok = (s->composeBuffer = crAllocBlock<unsigned char>(frameBytes, true)) && ok;
    ok = (s->maskBuffer = crAllocBlock<unsigned char>(std::max(frameBytes, callerBytes), true)) && ok;
    ok = (s->usedSpans = crAllocBlock<RowSpan>(static_cast<size_t>(height) * kMultiviewCameras, true)) && ok;
    if (!ok) crReleaseViewBuffers(s);
    return ok;
}

// Frame images of camera slot 0's size, whatever camera they carry.
bool crEnsureFrameImages(MultiviewState* s, const CameraParam* front) {
    const int width = front->imageWidth, height = front->imageHeight;
    bool ok = true;
    for (Image*& frame : s->frames) {
        if (!ok) break;
        if (frame && frame->width == width && frame->height == height) continue;
        crReleaseImage(&frame);
        ok = (frame = crCreateImage(3, width, height)) != nullptr;
    }
    if (!ok)
        for (Image*& frame : s->frames) crReleaseImage(&frame);
    return ok;
}

}  // namespace

MultiviewState::~MultiviewState() {
    crReleaseViewBuffers(this);
    for (Image*& image : frames) crReleaseImage(&image);
}

void crReleaseViewBuffers(MultiviewState* s) {
    for (int p = 0; p < kMultiviewCameras; ++p) {
        crFreeLut(s->luts[p], s->height);
        s->luts[p] = nullptr;
        crFreeMatrix(&s->weights[p]);
        s->weights[p] = nullptr;
        crReleaseImage(&s->warped[p]);
        s->keptFrame[p] = false;
        s->spansWarped[p] = false;
    }
    crReleaseImage(&s->overlay);
    crReleaseImage(&s->blendMap);
    std::free(s->composeBuffer);
    std::free(s->maskBuffer);
    std::free(s->usedSpans);
    s->composeBuffer = nullptr;
    s->maskBuffer = nullptr;
    s->usedSpans = nullptr;
    s->width = 0;
    s->height = 0;
}

bool crPrepareViewBuffers(MultiviewState* s, const CameraParam* front, int width, int height, bool withComposeBuffer) {
    // The view's buffers and the frames together must stay within what an
    // int can count; otherwise as if their allocation had failed.
    const int64_t views = crViewBuffersCost(width, height), frames = crFrameImagesCost(front);
    if (width < 1 || height < 1 || views < 0 || frames < 0 || crByteCount(views + frames, 1) < 0) {
        for (Image*& frame : s->frames) crReleaseImage(&frame);
        crReleaseViewBuffers(s);
        return false;
    }
    if (!crEnsureFrameImages(s, front)) {  // no frames: no tables either
        crReleaseViewBuffers(s);
        return false;
    }
    if (crHasViewBuffers(s) && s->width == width && s->height == height) return true;
    crReleaseViewBuffers(s);
    return crAllocViewBuffers(s, width, height, withComposeBuffer);
}

void crTakeWeightCones(MultiviewState* s, const MultiviewParam* p) {
    s->frontFov = p->frontFov;
    s->rearFov = p->rearFov;
    s->blendAngle = p->blendAngle;
}
