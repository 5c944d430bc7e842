// Top view: per-frame composition through the blend map, and the tables
// handed out in the caller's orientation.
#include "topview.h"

int crTopviewApply(EngineHandle* h, const unsigned char* front, const unsigned char* left, const unsigned char* right,
                   const unsigned char* rear, unsigned char* out) {
    TopviewState* s = crTopviewState(h);
    if (!s) return -1;
    const Image* frame = s->frames[0];
    if (!frame || frame->width == 0 || frame->height == 0 || !crHasViewBuffers(s)) return 0;
    // A null frame keeps its camera's previous picture. An unturned view is
    // composed straight into the caller's rows, whose padding reads as zero;
    // a turned one is composed first and then turned.
    const unsigned char* const frames[kMultiviewCameras] = {front, left, right, rear};
    if (!out || !s->rotated) {
        crApplyFrames(s, frames, {out, TintRule::kMixes, true});
        return 0;
    }
    crApplyFrames(s, frames, {s->composeBuffer, TintRule::kMixes, false});
    const unsigned char* composed = s->composeBuffer;
    const int stride = s->blendMap->stride;
    crPackForCaller(
        s, [composed, stride](int y) { return composed + static_cast<size_t>(y) * stride; }, out);
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
