// Top view: per-frame composition through the blend map, and the tables
// handed out in the caller's orientation.
#include "topview.h"

namespace {

// GetMask and GetMaskLen offer RGB16, RGB32, YCbCr and RGB24.
constexpr int kTopviewMaskFormats = 4;

}  // namespace

int crTopviewApply(EngineHandle* h, const unsigned char* front, const unsigned char* left,
                   const unsigned char* right, const unsigned char* rear, unsigned char* out) {
    TopviewState* s = crTopviewState(h);
    if (!s) return -1;
    const Image* frame = s->frames[0];
    if (!frame || frame->width == 0 || frame->height == 0 || !crHasViewBuffers(s)) return 0;
    // A null frame keeps its camera's previous picture.
    const unsigned char* const frames[kMultiviewCameras] = {front, left, right, rear};
    crWarpFrames(s, frames);
    crComposeView(s, s->composeBuffer, TintRule::kMixes);
    if (!out) return 0;
    const unsigned char* composed = s->composeBuffer;
    const int stride = s->blendMap->stride;
    crPackForCaller(s, [composed, stride](int y) { return composed + static_cast<size_t>(y) * stride; }, out);
    return 0;
}

int crTopviewGetLUT(EngineHandle* h, unsigned char* dst, int len, int slot) {
    TopviewState* s = crTopviewState(h);
    if (!s) return -1;
    const int pos = crMultiviewPosition(slot);
    if (!dst || pos < 0 || !s->luts[pos] || len != s->width * s->height * 4) return 0;
    crWriteViewLut(s, dst, pos);
    return 0;
}

int crTopviewGetMaskLen(EngineHandle* h, int* len, int format) {
    TopviewState* s = crTopviewState(h);
    if (!s) return -1;
    crGetViewMaskLen(s, len, format, kTopviewMaskFormats);
    return 0;
}

int crTopviewGetMask(EngineHandle* h, unsigned char* dst, int, int format) {
    TopviewState* s = crTopviewState(h);
    if (!s) return -1;
    crEncodeViewMask(s, dst, format, kTopviewMaskFormats);
    return 0;
}
