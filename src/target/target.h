// Target device byte layouts and the top view's vehicle rectangle.
#pragma once

#include <algorithm>
#include <cstdint>

#include "camrig.h"
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

// Vehicle extent (world units) in view pixels: the quotient rounded, then
// aligned to 4. The top-view engine takes the quotient in double precision,
// the zone writers in single precision; Real says which.
template <typename Real>
int crCarPixels(int extent, float scale) {
    return crAlign4(crRoundHalfAway(static_cast<Real>(extent) / static_cast<Real>(scale)));
}

// Near edge of the vehicle along one axis: the origin's position less half
// the extent (an integer half, subtracted in single precision), rounded, then
// aligned to 4.
inline int crCarEdge(float center, int extentPx) {
    return crAlign4(crRoundHalfAway(center - static_cast<float>(extentPx / 2)));
}

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
    return {left, top, left + widthPx, top + lengthPx};
}

// The rectangle as the top view paints it: left and top clipped only below,
// right and bottom only above.
inline CarRect crClipCarRect(CarRect r, int width, int height) {
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width), std::min(r.bottom, height)};
}
