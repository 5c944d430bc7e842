// Top view: per-frame composition through the blend map, and the tables
// handed out in the caller's orientation.
#include <cstdlib>

#include "image/image.h"
#include "lut_text.h"
#include "topview.h"

namespace {

// The caller's view: viewWidth x viewHeight, the frame turned back when the
// engine works turned.
int crCallerWidth(const TopviewState* s) { return s->rotated ? s->height : s->width; }
int crCallerHeight(const TopviewState* s) { return s->rotated ? s->width : s->height; }

// Packs a 3-channel frame picture (rows from frameRow) into caller rows of
// the packed stride.
template <typename FrameRow>
void crPackForCaller(const TopviewState* s, FrameRow frameRow, unsigned char* out) {
    const int stride = crPackedStride(crCallerWidth(s));
    const auto callerRow = [out, stride](int r) { return out + static_cast<size_t>(r) * stride; };
    if (s->rotated) {
        crTurnFrame<3, true>(s->width, s->height, frameRow, callerRow);
        return;
    }
    for (int r = 0; r < s->height; ++r) std::memcpy(callerRow(r), frameRow(r), stride);
}

void crPackBlendMap(const TopviewState* s) {
    const Image* map = s->blendMap;
    crPackForCaller(s, [map](int y) { return static_cast<const unsigned char*>(map->data[y]); }, s->maskBuffer);
}

// A frame LUT in flat form in the caller's orientation of a turned frame.
float* crTurnedLut(const TopviewState* s, float* const* lut) {
    auto* flat = static_cast<float*>(std::malloc(static_cast<size_t>(s->width) * s->height * 2 * sizeof(float)));
    if (!flat) return nullptr;
    const size_t rowFloats = 2 * static_cast<size_t>(s->height);
    crTurnFrame<8, true>(
        s->width, s->height, [lut](int y) { return reinterpret_cast<const unsigned char*>(lut[y]); },
        [flat, rowFloats](int r) { return reinterpret_cast<unsigned char*>(flat + r * rowFloats); });
    return flat;
}

using MaskEncoder = void (*)(int, int, const unsigned char*, unsigned char*, int*);
using MaskLength = void (*)(int, int, int*);

struct MaskFormat {
    MaskEncoder encode;
    MaskLength length;
};

constexpr MaskFormat kMaskFormats[] = {
    {crMakeBinMaskRGB16, crMakeBinMaskRGB16Len},
    {crMakeBinMaskRGB32, crMakeBinMaskRGB32Len},
    {crMakeBinMaskYCbCr, crMakeBinMaskYCbCrLen},
    {crMakeBinMaskRGB24, crMakeBinMaskRGB24Len},
};

const MaskFormat* crMaskFormat(int format) { return format >= 0 && format < 4 ? &kMaskFormats[format] : nullptr; }

}  // namespace

// Every output byte from the blend map: a camera code picks one warped
// picture or mixes a longitudinal and a side camera in 256ths; anything else
// is a colour copied as it is.
void crTopviewCompose(const TopviewState* s) {
    const int rowBytes = 3 * s->width;
    const int stride = s->blendMap->stride;
    const bool tint = (s->flags & CR_MULTI_TINT) != 0;
    for (int r = 0; r < s->height; ++r) {
        const unsigned char* map = s->blendMap->data[r];
        const unsigned char* front = s->warped[kPosFront]->data[r];
        const unsigned char* left = s->warped[kPosLeft]->data[r];
        const unsigned char* right = s->warped[kPosRight]->data[r];
        const unsigned char* rear = s->warped[kPosRear]->data[r];
        unsigned char* out = s->composeBuffer + static_cast<size_t>(r) * stride;
        for (int i = 0; i < rowBytes; i += 3) {
            const int b0 = map[i], b1 = map[i + 1], b2 = map[i + 2];
            if ((b0 == 0 || b0 == 255) && (b1 == 0 || b1 == 255)) {
                const unsigned char* along = (b0 ? rear : front) + i;
                const unsigned char* side = (b1 ? right : left) + i;
                if (b2 == 0) {
                    // (0, 0) front and (255, 255) rear; (255, 0) left and (0, 255) right.
                    const unsigned char* single = b0 == b1 ? along : side;
                    out[i] = single[0];
                    out[i + 1] = single[1];
                    out[i + 2] = single[2];
                } else {
                    for (int k = 0; k < 3; ++k)
                        out[i + k] = static_cast<unsigned char>((along[k] * 256 + (side[k] - along[k]) * b2) >> 8);
                }
            } else {
                out[i] = static_cast<unsigned char>(b0);
                out[i + 1] = static_cast<unsigned char>(b1);
                out[i + 2] = static_cast<unsigned char>(b2);
            }
            if (tint && b2 >= 1 && b2 <= 254) out[i + 2] = static_cast<unsigned char>((out[i + 2] + b2) / 2);
        }
    }
}

int crTopviewApply(EngineHandle* h, const unsigned char* front, const unsigned char* left,
                   const unsigned char* right, const unsigned char* rear, unsigned char* out) {
    TopviewState* s = crEngineState<TopviewState>(h);
    if (!s) return -1;
    const Image* frame = s->frames[0];
    if (!frame || frame->width == 0 || frame->height == 0 || !crTopviewHasView(s)) return 0;
    // A null frame keeps its camera's previous picture.
    const unsigned char* const frames[kTopviewCameras] = {front, left, right, rear};
    crTopviewWarpFrames(s, frames);
    crTopviewCompose(s);
    if (!out) return 0;
    const unsigned char* composed = s->composeBuffer;
    const int stride = s->blendMap->stride;
    crPackForCaller(s, [composed, stride](int y) { return composed + static_cast<size_t>(y) * stride; }, out);
    return 0;
}

int crTopviewGetLUTLen(EngineHandle* h, int* len) {
    TopviewState* s = crEngineState<TopviewState>(h);
    if (!s) return -1;
    if (len) *len = s->width * s->height * 4;
    return 0;
}

int crTopviewGetLUT(EngineHandle* h, unsigned char* dst, int len, int slot) {
    TopviewState* s = crEngineState<TopviewState>(h);
    if (!s) return -1;
    const int pos = crTopviewPosition(slot);
    if (!dst || pos < 0 || !s->luts[pos] || len != s->width * s->height * 4) return 0;
    float* flat = s->rotated ? crTurnedLut(s, s->luts[pos]) : crFlattenLut(s->luts[pos], s->width, s->height);
    if (!flat) return 0;
    crMakeBinView(crCallerWidth(s), crCallerHeight(s), flat, dst, nullptr, static_cast<int>(s->flags & 1u));
    std::free(flat);
    return 0;
}

// The LUT text file keeps the frame's orientation.
int crTopviewSaveLUT(EngineHandle* h, const char* path, int slot) {
    TopviewState* s = crEngineState<TopviewState>(h);
    if (!s) return -1;
    const int pos = crTopviewPosition(slot);
    if (!path || !crTopviewHasView(s) || pos < 0 || !s->luts[pos]) return 0;
    if (s->blendMap->width == 0 || s->blendMap->height == 0) return 0;
    crSaveLutText(path, s->luts[pos], s->width, s->height);
    return 0;
}

int crTopviewGetMaskLen(EngineHandle* h, int* len, int format) {
    TopviewState* s = crEngineState<TopviewState>(h);
    if (!s) return -1;
    if (!len) return 0;
    *len = 0;
    if (const MaskFormat* f = crMaskFormat(format)) f->length(crCallerWidth(s), crCallerHeight(s), len);
    return 0;
}

int crTopviewGetMask(EngineHandle* h, unsigned char* dst, int, int format) {
    TopviewState* s = crEngineState<TopviewState>(h);
    if (!s) return -1;
    const MaskFormat* f = crMaskFormat(format);
    if (!crTopviewHasView(s)) return 0;
    crPackBlendMap(s);
    if (!f || !dst) return 0;
    int encoded = 0;
    f->encode(crCallerWidth(s), crCallerHeight(s), s->maskBuffer, dst, &encoded);
    return 0;
}

// Writes the blend map, not a composed view, as a BMP picture.
int crTopviewSaveImage(EngineHandle* h, const char* path) {
    TopviewState* s = crEngineState<TopviewState>(h);
    if (!s) return -1;
    if (!path || !crTopviewHasView(s)) return 0;
    Image* img = crCreateImage(3, crCallerWidth(s), crCallerHeight(s));
    if (!img) return 0;
    crPackBlendMap(s);
    crCopyPackedToImage(s->maskBuffer, img);
    crSaveBmpFile(img, path);
    crReleaseImage(&img);
    return 0;
}
