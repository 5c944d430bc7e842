// crResizeImage: scales a picture through a temporary LUT that maps each
// destination pixel centre-aligned onto the source, sampled without fill.
#include <cstring>

#include "image.h"

namespace {

// Same size: a plain row copy, unless the pictures disagree in imageSize.
void crCopySameSize(const Image* src, Image* dst) {
    const int bytes = crPixelBytes(src);
    if (src->imageSize != dst->imageSize || bytes < 0 || bytes > dst->stride) return;
    for (int r = 0; r < src->height; ++r) std::memcpy(dst->data[r], src->data[r], static_cast<size_t>(bytes));
}

// Destination (c, r) maps to ((c - W / 2) / sx + w / 2, (r - H / 2) / sy + h / 2),
// all in single precision; positions outside the source become (-1, -1).
void crFillResizeLut(const Image* src, const Image* dst, float** lut) {
    const float srcW = static_cast<float>(src->width), srcH = static_cast<float>(src->height);
    const float dstW = static_cast<float>(dst->width), dstH = static_cast<float>(dst->height);
    const float sx = dstW / srcW;
    const float sy = dstH / srcH;
    for (int r = 0; r < dst->height; ++r) {
        const float y = (static_cast<float>(r) - dstH * 0.5f) / sy + srcH * 0.5f;
        const bool rowInside = y >= 0.0f && y < srcH;
        float* pair = lut[r];
        for (int c = 0; c < dst->width; ++c, pair += 2) {
            const float x = (static_cast<float>(c) - dstW * 0.5f) / sx + srcW * 0.5f;
            const bool inside = rowInside && x >= 0.0f && x < srcW;
            pair[0] = inside ? x : -1.0f;
            pair[1] = inside ? y : -1.0f;
        }
    }
}

}  // namespace

int crResizeImage(const Image* src, Image* dst, int flags) {
    if (src->width == dst->width && src->height == dst->height) {
        crCopySameSize(src, dst);
        return 0;
    }
    const int rowBytes = crPixelBytes(dst);
    if (rowBytes < 0) return 0;
    float** lut = crAllocLut(dst->width, dst->height);
    if (!lut) return 0;
    // Pixels without a valid sample keep this black.
    crClearRows(dst->data, dst->height, rowBytes);
    crFillResizeLut(src, dst, lut);
    crRemap(src, dst, lut, flags, nullptr);
    crFreeLut(lut, dst->height);
    return 0;
}
