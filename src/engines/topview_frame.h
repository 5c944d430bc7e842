// The frame a top view is computed in and the vehicle rectangle within it,
// shared by the top-view engine and the device's zone blocks.
#pragma once

#include <algorithm>
#include <cstdint>

#include "camrig.h"
#include "numerics/rounding.h"

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
        return {p->viewHeight, p->viewWidth, static_cast<float>(p->viewHeight) - p->viewCenterY, p->viewCenterX};
    }
    return {p->viewWidth, p->viewHeight, p->viewCenterX, p->viewCenterY};
}

// Rounded half away from zero, then aligned to 4, for a value of any size:
// out-of-range values saturate and NaN gives 0, so that a zero, huge or
// non-numeric scale or centre still makes a defined rectangle.
template <typename Real> int crAlignedRound(Real v) {
    if (v != v) return 0;
    const Real limit = static_cast<Real>(4294967296.0);
    v = v < -limit ? -limit : v > limit ? limit : v;
    const int64_t n = static_cast<int64_t>(v >= 0 ? v + static_cast<Real>(0.5) : v - static_cast<Real>(0.5));
    return crSaturatedInt(crAlign4(n));
}

// Vehicle extent (world units) in view pixels: the quotient rounded, then
// aligned to 4. The top-view engine takes the quotient in double precision,
// the zone writers in single precision; Real says which.
template <typename Real> int crCarPixels(int extent, float scale) {
    return crAlignedRound(static_cast<Real>(extent) / static_cast<Real>(scale));
}

// Near edge of the vehicle along one axis: the origin's position less half
// the extent (an integer half, subtracted in single precision), rounded, then
// aligned to 4.
inline int crCarEdge(float center, int extentPx) {
    // NOLINTNEXTLINE(bugprone-integer-division): the integer half is the rule
    return crAlignedRound(center - static_cast<float>(extentPx / 2));
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
    return {left, top, crSaturatedInt(int64_t{left} + widthPx), crSaturatedInt(int64_t{top} + lengthPx)};
}

// The rectangle as the top view paints it: left and top clipped only below,
// right and bottom only above.
inline CarRect crClipCarRect(CarRect r, int width, int height) {
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width), std::min(r.bottom, height)};
}
