// Conversions of 24-bit pictures (bytes blue, green, red) into the packed
// 4:2:2 and 32-bit formats of target displays. The weights are ordinary
// double constants; the sums are those of extended precision, formed exactly
// (CrExactSum) from the byte values so that every target gives the same
// bytes, and truncated toward zero.
#include <algorithm>

#include "exact_sum.h"
#include "image.h"

namespace {

using CrExtended = CrExactSum;

inline unsigned char crTruncateByte(CrExtended v) { return static_cast<unsigned char>(v.truncated()); }

// 0 and 255 are reserved on the target, so 4:2:2 values stay within 1..254.
inline unsigned char crTruncateLimited(CrExtended v) {
    return crTruncateByte(std::min(std::max(v, CrExtended(1)), CrExtended(254)));
}

// Studio-range U, Y, V, Y of one pixel pair; chroma from the first pixel.
void crStudioPair(const unsigned char* p, const unsigned char* q, unsigned char* out) {
    const CrExtended b = p[0], g = p[1], r = p[2];
    out[0] = crTruncateByte(crStudioChromaBlue(b, g, r));
    out[1] = crTruncateByte(crStudioLuma(b, g, r));
    out[2] = crTruncateByte(crStudioChromaRed(b, g, r));
    out[3] = crTruncateByte(crStudioLuma<CrExtended>(q[0], q[1], q[2]));
}

// Analog-range U, Y, V, Y of one pixel pair; chroma from the first pixel.
void crAnalogPair(const unsigned char* p, const unsigned char* q, unsigned char* out) {
    const CrExtended b = p[0], g = p[1], r = p[2];
    out[0] = crTruncateLimited(0.436 * b - (0.09991 * r + 0.33609 * g) + 128.0);
    out[1] = crTruncateLimited(0.2126 * r + 0.7152 * g + 0.0722 * b);
    out[2] = crTruncateLimited(0.615 * r - 0.55861 * g - 0.05639 * b + 128.0);
    const CrExtended qb = q[0], qg = q[1], qr = q[2];
    out[3] = crTruncateLimited(0.2126 * qr + 0.7152 * qg + 0.0722 * qb);
}

// The packed stride of a width, or 0 when 3 × width + 3 does not fit an int.
// Only a positive stride is converted.
int crConverterStride(int width) {
    return width >= -(INT_MAX / 3) && width <= (INT_MAX - 3) / 3 ? crPackedStride(width) : 0;
}

}  // namespace

// Reads the picture as one gapless run of pixel pairs, width / 2 per row.
void crRGB24toYUV_UY_VY(const unsigned char* src, unsigned char* dst, int width, int height) {
    if (!src || !dst || height < 1) return;
    const int pairs = width / 2;
    for (int r = 0; r < height; ++r)
        for (int i = 0; i < pairs; ++i, src += 6, dst += 4) crStudioPair(src, src + 3, dst);
}

// Rows of packed stride; an odd width's last pair repeats its first pixel
// rather than reading past the row.
int crRGB24toYUV422(const unsigned char* src, unsigned char* dst, int width, int height) {
    const int stride = crConverterStride(width);
    if (!src || !dst || height < 1 || stride <= 0) return stride;
    const int pairs = (width + 1) / 2;
    for (int r = 0; r < height; ++r) {
        const unsigned char* row = src + static_cast<size_t>(r) * stride;
        for (int i = 0; i < pairs; ++i, dst += 4) {
            const unsigned char* first = row + 6 * static_cast<size_t>(i);
            crAnalogPair(first, 2 * i + 1 < width ? first + 3 : first, dst);
        }
    }
    return stride;
}

// Black is the transparent colour: alpha 0 for (0, 0, 0), else 255.
int crRGB24toRGB32(const unsigned char* src, unsigned char* dst, int width, int height) {
    const int stride = crConverterStride(width);
    if (!src || !dst || height < 1 || stride <= 0) return stride;
    for (int r = 0; r < height; ++r) {
        const unsigned char* p = src + static_cast<size_t>(r) * stride;
        for (int c = 0; c < width; ++c, p += 3, dst += 4) {
            dst[0] = p[2];
            dst[1] = p[1];
            dst[2] = p[0];
            dst[3] = (p[0] | p[1] | p[2]) ? 255 : 0;
        }
    }
    return stride;
}
