// Per-pixel pieces of the samplers behind crRemap and crRemapAlpha. The
// loops are templates over the channel count so that the common 1-, 3- and
// 4-channel pictures get fully unrolled pixel copies.
#pragma once

#include <algorithm>
#include <type_traits>

#include "image.h"
#include "remap_tables.h"

// Calls fn with std::integral_constant<int, N>, N being the channel count
// when it is 1, 3 or 4 and 0 (meaning "read it at run time") otherwise.
template <typename Fn> void crWithChannelCount(int channels, Fn&& fn) {
    switch (channels) {
    case 1: fn(std::integral_constant<int, 1>{}); break;
    case 3: fn(std::integral_constant<int, 3>{}); break;
    case 4: fn(std::integral_constant<int, 4>{}); break;
    default: fn(std::integral_constant<int, 0>{}); break;
    }
}

// Whether every pixel a record's width names lies within its rows (a
// negative width names none).
inline bool crRowsHoldWidth(const Image* img) { return img->width < 0 || crPixelBytes(img) >= 0; }

// Whether dst can be sampled from src: at least one channel, and no more than
// the source has, and rows that hold both widths.
inline bool crCanSample(const Image* src, const Image* dst) {
    return dst->channels >= 1 && src->channels >= dst->channels && crRowsHoldWidth(src) && crRowsHoldWidth(dst);
}

template <int N> inline void crCopyPixel(unsigned char* out, const unsigned char* in, int channels) {
    const int n = N ? N : channels;
    for (int k = 0; k < n; ++k) out[k] = in[k];
}

// A LUT coordinate quantised to 1/1024 pixel: floored integer part and fraction.
struct SubpixelPos {
    int whole;
    int fraction;
};

// Positions beyond the int range (and NaN) give INT_MIN, out of range of any
// source.
inline SubpixelPos crSplitSubpixel(float v) {
    const int q = crRoundHalfAwayToInt(v * 1024.0f);
    return {q >> kSubpixelBits, q & kSubpixelMask};
}

// Bilinear mix of four source bytes: the two rows each rounded to single
// precision, then the rows, then rounded half away from zero.
inline unsigned char crBilinearByte(unsigned char p00, unsigned char p01, unsigned char p10, unsigned char p11,
                                    const TapWeights& wx, const TapWeights& wy) {
    const float top = kByteToFloat[p00] * wx.second + kByteToFloat[p01] * wx.first;
    const float bottom = kByteToFloat[p10] * wx.second + kByteToFloat[p11] * wx.first;
    return static_cast<unsigned char>(crRoundHalfAway(top * wy.second + bottom * wy.first));
}

// Visits the destination row by row, column by column, handing visit the
// pixel's bytes and its LUT pair.
template <typename Visit> void crForEachLutPixel(Image* dst, float** lut, int channels, Visit&& visit) {
    const int outWidth = dst->width, outHeight = dst->height;
    for (int r = 0; r < outHeight; ++r) {
        const float* pos = lut[r];
        unsigned char* out = dst->data[r];
        for (int c = 0; c < outWidth; ++c, pos += 2, out += channels) visit(out, pos[0], pos[1]);
    }
}

// Bilinear footprint: where the top-left tap (x0, y0) lies before the last
// column and row, mix(out, top, bottom, wx, wy) writes the pixel from source
// rows y0 and y0 + 1 (both pointing at column x0); elsewhere the pixel gets
// fill, or keeps its bytes when fill is null.
template <int N, typename Mix>
void crForEachBilinearSample(const Image* src, Image* dst, float** lut, const unsigned char* fill, Mix&& mix) {
    const int n = N ? N : dst->channels;
    const unsigned lastX = static_cast<unsigned>(std::max(src->width - 1, 0));
    const unsigned lastY = static_cast<unsigned>(std::max(src->height - 1, 0));
    // A copy of the row pointer block's address: the byte stores may alias any record.
    const unsigned char* const* rows = src->data;
    crForEachLutPixel(dst, lut, n, [=, &mix](unsigned char* out, float px, float py) {
        const SubpixelPos x = crSplitSubpixel(px);
        const SubpixelPos y = crSplitSubpixel(py);
        if (static_cast<unsigned>(x.whole) < lastX && static_cast<unsigned>(y.whole) < lastY) {
            const int offset = x.whole * n;
            mix(out, rows[y.whole] + offset, rows[y.whole + 1] + offset, kLinearWeights[x.fraction],
                kLinearWeights[y.fraction]);
        } else if (fill) {
            crCopyPixel<N>(out, fill, n);
        }
    });
}
