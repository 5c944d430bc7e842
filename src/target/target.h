// Target device byte layouts and the top view's vehicle rectangle.
#pragma once

#include <algorithm>
#include <cstdint>

#include "camrig.h"
#include "image/image.h"
#include "numerics/rounding.h"

// ---- Little-endian stores ---------------------------------------------------

inline void crStoreLe16(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void crStoreLe32(unsigned char* p, uint32_t v) {
    crStoreLe16(p, v);
    crStoreLe16(p + 2, v >> 16);
}

// A target table entry of two 16-bit values: x in the low half, y in the high
// half, each keeping only the low 16 bits of its 32-bit value.
inline uint32_t crPackPair16(uint32_t x, uint32_t y) { return (x & 0xFFFFu) | (y << 16); }

// Bytes of a table of width x height entries of entryBytes each; 0 (no
// table) when a size is negative or the byte count does not fit an int.
inline int crTableBytes(int width, int height, int entryBytes) {
    const int bytes = crByteCount(crByteCount(width, height), entryBytes);
    return bytes < 0 ? 0 : bytes;
}

// No-source marker of the LUT and point tables: x = y = -1.
constexpr uint32_t kCrNoSource = 0xFFFFFFFFu;

// ---- Top-view frame and vehicle rectangle ------------------------------------

// The W x H frame the top view is computed in, with the column and row of the
// world origin. A turned view (flag 0x8000) swaps the axes.
struct TopviewFrame {
    int width;
    int height;
    float centerX;
    float centerY;
};

inline TopviewFrame crTopviewFrame(const MultiviewParam* p) {
    if (p->flags & CR_MULTI_TURNED) {
        return {p->viewHeight, p->viewWidth, static_cast<float>(p->viewHeight) - p->viewCenterY,
                p->viewCenterX};
    }
    return {p->viewWidth, p->viewHeight, p->viewCenterX, p->viewCenterY};
}

// Rounded half away from zero, then aligned to 4, for a value of any size:
// out-of-range values saturate and NaN gives 0, so that a zero, huge or
// non-numeric scale or centre still makes a defined rectangle.
template <typename Real>
int crAlignedRound(Real v) {
    if (v != v) return 0;
    const Real limit = static_cast<Real>(4294967296.0);
    v = v < -limit ? -limit : v > limit ? limit : v;
    const int64_t n = static_cast<int64_t>(v >= 0 ? v + static_cast<Real>(0.5) : v - static_cast<Real>(0.5));
    return crSaturatedInt(crAlign4(n));
}

// Vehicle extent (world units) in view pixels: the quotient rounded, then
// aligned to 4. The top-view engine takes the quotient in double precision,
// the zone writers in single precision; Real says which.
template <typename Real>
int crCarPixels(int extent, float scale) {
    return crAlignedRound(static_cast<Real>(extent) / static_cast<Real>(scale));
}

// Near edge of the vehicle along one axis: the origin's position less half
// the extent (an integer half, subtracted in single precision), rounded, then
// aligned to 4.
inline int crCarEdge(float center, int extentPx) { return crAlignedRound(center - static_cast<float>(extentPx / 2)); }

// Vehicle rectangle in frame pixels, right and bottom exclusive.
struct CarRect {
    int left;
    int top;
    int right;
    int bottom;
};

inline CarRect crCarRect(float centerX, float centerY, int widthPx, int lengthPx) {
    const int left = crCarEdge(centerX, widthPx);
    const int top = crCarEdge(centerY, lengthPx);
    return {left, top, crSaturatedInt(int64_t{left} + widthPx), crSaturatedInt(int64_t{top} + lengthPx)};
}

// The rectangle as the top view paints it: left and top clipped only below,
// right and bottom only above.
inline CarRect crClipCarRect(CarRect r, int width, int height) {
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width), std::min(r.bottom, height)};
}
