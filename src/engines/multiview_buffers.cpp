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

template <typename T>
T* crAllocBlock(size_t count, bool cleared) {
    return static_cast<T*>(cleared ? std::calloc(count, sizeof(T)) : std::malloc(count * sizeof(T)));
}

// Everything crAllocViewBuffers requests for a W x H frame, row pointers
// included; the sum must fit the records' sizes.
bool crViewBuffersFit(int width, int height) {
    const int cells = crByteCount(width, height);
    const int frame = crByteCount(crPackedRowBytes(width), height);
    const int caller = crByteCount(crPackedRowBytes(height), width);
    if (cells < 0 || frame < 0 || caller < 0) return false;
    const int64_t rowPointers = 16 * static_cast<int64_t>(height) * static_cast<int64_t>(sizeof(void*));
    return crFitsRecordBytes(kMultiviewCameras * int64_t{cells} * (8 + 4) + 8 * int64_t{std::max(frame, caller)} +
                             rowPointers);
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
    ok = (s->boxRows = crAllocBlock<unsigned char*>(height, false)) && ok;
    ok = (s->boxLutRows = crAllocBlock<float*>(height, false)) && ok;
    if (!ok) crReleaseViewBuffers(s);
    return ok;
}

// Frame images of camera slot 0's size, whatever camera they carry.
bool crEnsureFrameImages(MultiviewState* s, const CameraParam* front) {
    const int width = front->imageWidth, height = front->imageHeight;
    const int pictureBytes = crByteCount(crPackedRowBytes(width), height);
    bool ok = pictureBytes >= 0 && crFitsRecordBytes(int64_t{kMultiviewCameras} * pictureBytes);
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
        s->usedBox[p] = WarpBox{};
        s->warpedBox[p] = WarpBox{};
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
    s->width = 0;
    s->height = 0;
}

bool crPrepareViewBuffers(MultiviewState* s, const CameraParam* front, int width, int height,
                          bool withComposeBuffer) {
    if (width < 1 || height < 1 || !crViewBuffersFit(width, height)) {  // as if their allocation had failed
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
