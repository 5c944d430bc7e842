// Multi-view engines: the tables handed out in the caller's orientation, the
// LUT text file and the blend map as a picture.
#include <cstdlib>

#include "image/image.h"
#include "lut_text.h"
#include "multiview.h"

namespace {

void crPackBlendMap(const MultiviewState* s) {
    const Image* map = s->blendMap;
    crPackForCaller(
        s, [map](int y) { return static_cast<const unsigned char*>(map->data[y]); }, s->maskBuffer);
}

// A frame LUT in flat form in the caller's orientation of a turned frame.
float* crTurnedLut(const MultiviewState* s, float* const* lut) {
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

const MaskFormat* crMaskFormat(int format, int formats) {
    return format >= 0 && format < formats ? &kMaskFormats[format] : nullptr;
}

}  // namespace

int crGetViewLutLen(EngineHandle* h, int* len) {
    MultiviewState* s = crMultiviewState(h);
    if (!s) return -1;
    if (len) *len = s->width * s->height * 4;
    return 0;
}

void crWriteViewLut(const MultiviewState* s, unsigned char* dst, int pos) {
    float* flat = s->rotated ? crTurnedLut(s, s->luts[pos]) : crFlattenLut(s->luts[pos], s->width, s->height);
    if (!flat) return;
    crMakeBinView(crCallerWidth(s), crCallerHeight(s), flat, dst, nullptr, static_cast<int>(s->flags & 1u));
    std::free(flat);
}

// The LUT text file keeps the frame's orientation.
int crSaveViewLut(EngineHandle* h, const char* path, int slot) {
    MultiviewState* s = crMultiviewState(h);
    if (!s) return -1;
    const int pos = crMultiviewPosition(slot);
    if (!path || !crHasViewBuffers(s) || pos < 0 || !s->luts[pos]) return 0;
    if (s->blendMap->width == 0 || s->blendMap->height == 0) return 0;
    crSaveLutText(path, s->luts[pos], s->width, s->height);
    return 0;
}

template <int Formats> int crGetViewMaskLen(EngineHandle* h, int* len, int format) {
    const MultiviewState* s = crMultiviewState(h);
    if (!s) return -1;
    if (!len) return 0;
    *len = 0;
    if (const MaskFormat* f = crMaskFormat(format, Formats)) f->length(crCallerWidth(s), crCallerHeight(s), len);
    return 0;
}

template <int Formats> int crGetViewMask(EngineHandle* h, unsigned char* dst, int, int format) {
    MultiviewState* s = crMultiviewState(h);
    if (!s) return -1;
    const MaskFormat* f = crMaskFormat(format, Formats);
    if (!crHasViewBuffers(s)) return 0;
    crPackBlendMap(s);
    if (!f || !dst) return 0;
    int encoded = 0;
    f->encode(crCallerWidth(s), crCallerHeight(s), s->maskBuffer, dst, &encoded);
    return 0;
}

template int crGetViewMaskLen<3>(EngineHandle*, int*, int);
template int crGetViewMaskLen<4>(EngineHandle*, int*, int);
template int crGetViewMask<3>(EngineHandle*, unsigned char*, int, int);
template int crGetViewMask<4>(EngineHandle*, unsigned char*, int, int);

// Writes the blend map, not a composed view, as a BMP picture.
int crSaveViewImage(EngineHandle* h, const char* path) {
    MultiviewState* s = crMultiviewState(h);
    if (!s) return -1;
    if (!path || !crHasViewBuffers(s)) return 0;
    Image* img = crCreateImage(3, crCallerWidth(s), crCallerHeight(s));
    if (!img) return 0;
    crPackBlendMap(s);
    crCopyPackedToImage(s->maskBuffer, img);
    crSaveBmpFile(img, path);
    crReleaseImage(&img);
    return 0;
}
