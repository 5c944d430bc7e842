// Top view: the vehicle rectangle and the blend map, which names per view
// pixel the camera or camera pair (with its mixing weight) that feeds it.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "image/image.h"
#include "numerics/angles.h"
#include "topview.h"

namespace {

// 1 / 255 in single precision: keeps weight totals, distances and angles off
// zero before they divide.
constexpr float kOffZero = 0.003921568859368563f;

// Columns [begin, end) of a blend-map row in one code.
void crFillCodes(unsigned char* row, int begin, int end, Code code) {
    for (int c = begin; c < end; ++c) crPutCode(row + 3 * static_cast<size_t>(c), code);
}

// Corner k's columns [begin, end) of row r, each as `corner` codes it.
template <typename CornerCode>
void crPaintCorner(unsigned char* row, int begin, int end, int r, Corner k, CornerCode& corner) {
    for (int c = begin; c < end; ++c) crPutCode(row + 3 * static_cast<size_t>(c), corner(k, c, r));
}

// Paints the nine zones; the bands, strips and vehicle are the same in every
// mode, the corners ask `corner`. A row falls into three runs of columns:
// left of the vehicle (c < carLeft), right of it (c >= carRight, unless
// already left) and between.
template <typename CornerCode> void crPaintZones(TopviewState* s, CornerCode corner) {
    const Code car = {static_cast<unsigned char>(s->carColor >> 16), static_cast<unsigned char>(s->carColor >> 8),
                      static_cast<unsigned char>(s->carColor)};
    Image* map = s->blendMap;
    const int width = map->width;
    const int leftEnd = std::clamp(s->carLeft, 0, width);
    const int rightBegin = std::max(leftEnd, std::min(s->carRight, width));
    for (int r = 0; r < map->height; ++r) {
        unsigned char* row = map->data[r];
        if (r < s->carTop) {
            crPaintCorner(row, 0, leftEnd, r, kFrontLeft, corner);
            crFillCodes(row, leftEnd, rightBegin, kFrontOnly);
            crPaintCorner(row, rightBegin, width, r, kFrontRight, corner);
        } else if (r >= s->carBottom) {
            crPaintCorner(row, 0, leftEnd, r, kRearLeft, corner);
            crFillCodes(row, leftEnd, rightBegin, kRearOnly);
            crPaintCorner(row, rightBegin, width, r, kRearRight, corner);
        } else {
            crFillCodes(row, 0, leftEnd, kLeftOnly);
            crFillCodes(row, leftEnd, rightBegin, car);
            crFillCodes(row, rightBegin, width, kRightOnly);
        }
    }
}

// ---- Mode 0: weighted overlap ------------------------------------------------

// Differences of view positions are taken in 64 bits: the vehicle's edges
// may lie anywhere in int.
float crRatio(int64_t numerator, int64_t denominator) {
    return static_cast<float>(numerator) / static_cast<float>(denominator);
}

// The region of a camera: the part of a row where its ramp (1 at the outer
// edge of the view, 0 at the vehicle) is not negative; columns from `begin`
// to `end`. Rows of the front and rear cameras have one ramp for the whole
// row, `rowRamp`; the left and right cameras' ramps follow the column.
struct RegionRow {
    int begin, end;
    bool byColumn;
    float rowRamp;
};

RegionRow crRegionRow(const TopviewState* s, int pos, int r) {
    const int width = s->width;
    switch (pos) {
    case kPosFront:
        return r < s->carTop ? RegionRow{0, width, false, crRatio(int64_t{s->carTop} - r, s->carTop)}
                             : RegionRow{0, 0, false, 0.0f};
    case kPosLeft: return {0, std::min(s->carLeft, width), true, 0.0f};
    case kPosRight: return {std::max(s->carRight, 0), width, true, 0.0f};
    default:
        return r >= s->carBottom
                   ? RegionRow{0, width, false, crRatio(int64_t{r} - s->carBottom, int64_t{s->height} - s->carBottom)}
                   : RegionRow{0, 0, false, 0.0f};
    }
}

// Ramp of the left or right camera's region at column c.
float crColumnRamp(const TopviewState* s, int pos, int c) {
    return pos == kPosLeft ? crRatio(int64_t{s->carLeft} - c, s->carLeft)
                           : crRatio(int64_t{c} - s->carRight, int64_t{s->width} - s->carRight);
}

// Runs of kRun entries: the tents' divisions are a loop of fixed length,
// which the compiler can turn into vector code.
constexpr int kRun = 16;

// ramp * tentU * tentV for the kRun LUT entries at `pairs`; the tents over
// the camera image are 1 at its centre and 0 at its edges.
void crWeightRun(const float* pairs, const float* ramps, float camWidth, float camHeight, float w[kRun]) {
    for (int i = 0; i < kRun; ++i) {
        const size_t pair = 2 * static_cast<size_t>(i);
        const float tentU = 1.0f - fabsf(2.0f * pairs[pair] / camWidth - 1.0f);
        const float tentV = 1.0f - fabsf(2.0f * pairs[pair + 1] / camHeight - 1.0f);
        w[i] = ramps[i] * tentU * tentV;
    }
}

// The weights of one row: region ramp times the tents, 0 outside the region.
// `columnRamps` holds the ramps of a region that follows the column.
void crRegionWeights(const RegionRow& region, const float* lut, const float* columnRamps, float camWidth,
                     float camHeight, int width, float* weight) {
    std::fill(weight, weight + region.begin, 0.0f);
    std::fill(weight + region.end, weight + width, 0.0f);
    float rowRamps[kRun];
    std::fill_n(rowRamps, kRun, region.rowRamp);
    for (int first = region.begin; first < region.end; first += kRun) {
        const int count = std::min(kRun, region.end - first);
        const float* pairs = lut + 2 * static_cast<size_t>(first);
        const float* ramps = region.byColumn ? columnRamps + first : rowRamps;
        float paddedPairs[2 * kRun] = {}, paddedRamps[kRun] = {};
        if (count < kRun) {  // a short run reads copies padded to the full run
            std::copy_n(pairs, 2 * count, paddedPairs);
            std::copy_n(ramps, count, paddedRamps);
            pairs = paddedPairs;
            ramps = paddedRamps;
        }
        float w[kRun];
        crWeightRun(pairs, ramps, camWidth, camHeight, w);
        std::copy_n(w, count, weight + first);
    }
}

// Region ramp times the tents; unmapped entries go through the same
// formula. The left and right cameras' ramps depend on the column only: they
// are formed once, into the first weight row, which the other rows read
// before that row's own weights are formed last.
void crOverlapWeights(TopviewState* s, const MultiviewParam* p) {
    for (int pos = 0; pos < kMultiviewCameras; ++pos) {
        const CameraParam& cam = p->cameras[kMultiviewSlotOf[pos]];
        const float camWidth = static_cast<float>(cam.imageWidth);
        const float camHeight = static_cast<float>(cam.imageHeight);
        float* columnRamps = s->weights[pos]->data[0];
        const RegionRow columns = crRegionRow(s, pos, 0);
        if (columns.byColumn)
            for (int c = columns.begin; c < columns.end; ++c) columnRamps[c] = crColumnRamp(s, pos, c);
        for (int r = s->height - 1; r >= 0; --r)
            crRegionWeights(crRegionRow(s, pos, r), s->luts[pos][r], columnRamps, camWidth, camHeight, s->width,
                            s->weights[pos]->data[r]);
    }
}

void crPaintOverlap(TopviewState* s, const MultiviewParam* p) {
    crOverlapWeights(s, p);
    float** const front = s->weights[kPosFront]->data;
    float** const left = s->weights[kPosLeft]->data;
    float** const right = s->weights[kPosRight]->data;
    float** const rear = s->weights[kPosRear]->data;
    crPaintZones(s, [=](Corner k, int c, int r) {
        const float total = front[r][c] + left[r][c] + rear[r][c] + right[r][c] + kOffZero;
        const float side = crIsLeft(k) ? left[r][c] : right[r][c];
        return crPairCode(k, crClampedShare(255.0f * side / total));
    });
}

// ---- Mode 1: overlap by incidence angle ----------------------------------------

void crPaintAngular(TopviewState* s) {
    float** const front = s->weights[kPosFront]->data;
    float** const rear = s->weights[kPosRear]->data;
    crPaintZones(s, [=](Corner k, int c, int r) { return crConeCornerCode(k, (crIsFront(k) ? front : rear)[r][c]); });
}

// ---- Modes 2, 3, 5: diagonal seams ---------------------------------------------

// Slopes (rows per column) of the seams: t1 through the front corners, t2
// through the rear corners.
struct SeamSlopes {
    float front;
    float rear;
};

SeamSlopes crSeamSlopes(const TopviewState* s) {
    const auto slope = [](float fov) { return tanf(static_cast<float>((90.0 - fov * 0.5) * kRadiansPerDegreeShort)); };
    return {slope(s->frontFov), slope(s->rearFov)};
}

// A seam through (x, y) per corner, row = y + slope * (column - x).
struct Seams {
    int x[4];
    int y[4];
    float slope[4];
};

Seams crMakeSeams(const SeamSlopes& t, int left, int right, int top, int bottom) {
    return {{left, right, left, right}, {top, top, bottom, bottom}, {t.front, -t.front, -t.rear, t.rear}};
}

// True where the side camera alone sees a corner pixel: on the far side of
// the seam from the longitudinal camera.
bool crBeyondSeam(const Seams& seams, Corner k, int c, int r) {
    const float side = static_cast<float>(seams.y[k]) + seams.slope[k] * static_cast<float>(int64_t{c} - seams.x[k]) -
                       static_cast<float>(r);
    return crIsFront(k) ? side <= 0.0f : side > 0.0f;
}

// Mode 5: between the seam and the vertical through the vehicle corner the
// side camera's share grows with the angle from the vertical.
void crPaintAngularSeams(TopviewState* s) {
    const Seams seams = crMakeSeams(crSeamSlopes(s), s->carLeft, s->carRight, s->carTop, s->carBottom);
    crPaintZones(s, [s, &seams](Corner k, int c, int r) {
        if (crBeyondSeam(seams, k, c, r)) return crPairCode(k, 255);
        const float dx = static_cast<float>(int64_t{c} - seams.x[k]);
        const float dy = static_cast<float>(int64_t{r} - seams.y[k]);
        const float d = sqrtf(dx * dx + dy * dy) + kOffZero;
        const float vertical = crIsFront(k) ? -dy : dy;
        const float a = acosf(vertical / d);
        const float fov = crIsFront(k) ? s->frontFov : s->rearFov;
        float v = a * 255.0f / (fov * 0.5f * static_cast<float>(kRadiansPerDegreeShort) + kOffZero);
        v = !(v >= 1.0f) ? 1.0f : v > 254.0f ? 254.0f : v;  // NaN as 1
        return crPairCode(k, static_cast<int>(v));
    });
}

struct Point {
    int x, y;
};

// Draws the four seams from their start points to where they leave the
// frame. Mode 3 starts the right-hand seams one column further right. End
// points beyond int (extreme slopes, edges or line widths) become INT_MIN,
// off the frame.
void crDrawSeamLines(TopviewState* s, const SeamSlopes& t, int xa, int yc) {
    const int lastCol = s->width - 1;
    const int lastRow = s->height - 1;
    const int xr = s->mode == 3 ? s->carRight : crSaturatedInt(int64_t{s->carRight} - 1);
    const float top = static_cast<float>(s->carTop);
    const float bottom = static_cast<float>(yc);
    const float right = static_cast<float>(s->carRight);
    const float left = static_cast<float>(xa);

    const float row1 = top - t.front * left;
    const Point end1 = row1 >= 0.0f ? Point{0, crTruncateToInt(row1)} : Point{crTruncateToInt(left - top / t.front), 0};
    const float row2 = top - t.front * static_cast<float>(int64_t{lastCol} - s->carRight);
    const Point end2 =
        row2 >= 0.0f ? Point{lastCol, crTruncateToInt(row2)} : Point{crTruncateToInt(right + top / t.front), 0};
    const float row3 = bottom + t.rear * static_cast<float>(int64_t{lastCol} - s->carRight);
    const float rise = static_cast<float>(int64_t{lastRow} - yc);
    const Point end3 = row3 < static_cast<float>(s->height) ? Point{lastCol, crTruncateToInt(row3)}
                                                            : Point{crTruncateToInt(right + rise / t.rear), lastRow};
    const float row4 = bottom - t.rear * static_cast<float>(-int64_t{xa});
    const Point end4 = row4 < static_cast<float>(s->height) ? Point{0, crTruncateToInt(row4)}
                                                            : Point{crTruncateToInt(left - rise / t.rear), lastRow};

    const Point starts[4] = {{xa, s->carTop}, {xr, s->carTop}, {xr, yc}, {xa, yc}};
    const Point ends[4] = {end1, end2, end3, end4};
    for (int i = 0; i < 4; ++i)
        crDrawLineBresenham(s->blendMap, starts[i].x, starts[i].y, ends[i].x, ends[i].y, s->carColor, s->lineWidth);
}

// Modes 2 and 3: seams moved in by the line width and drawn in the vehicle
// colour; mode 2 codes the corners as near-pure pairs, mode 3 as single
// cameras.
void crPaintDrawnSeams(TopviewState* s) {
    const SeamSlopes t = crSeamSlopes(s);
    const int xa = crSaturatedInt(int64_t{s->carLeft} - s->lineWidth + 1);
    const int yc = crSaturatedInt(int64_t{s->carBottom} - s->lineWidth + 1);
    const Seams seams = crMakeSeams(t, xa, s->carRight, s->carTop, yc);
    const bool pairs = s->mode == 2;
    crPaintZones(s, [&seams, pairs](Corner k, int c, int r) {
        const bool side = crBeyondSeam(seams, k, c, r);
        if (pairs) return crPairCode(k, side ? 255 : 1);
        return side ? crSideCode(k) : crLongitudinalCode(k);
    });
    crDrawSeamLines(s, t, xa, yc);
}

}  // namespace

void crTopviewPlaceCar(TopviewState* s, const MultiviewParam* p, const TopviewFrame& frame) {
    s->carWidthPx = crCarPixels<double>(p->carWidth, p->scale);
    s->carLengthPx = crCarPixels<double>(p->carLength, p->scale);
    const CarRect car = crClipCarRect(crCarRect(frame.centerX, frame.centerY, s->carWidthPx, s->carLengthPx),
                                      frame.width, frame.height);
    s->carLeft = car.left;
    s->carTop = car.top;
    s->carRight = car.right;
    s->carBottom = car.bottom;
}

void crTopviewPaintBlendMap(TopviewState* s, const MultiviewParam* p) {
    switch (s->mode) {
    case 0: crPaintOverlap(s, p); break;
    case 1: crPaintAngular(s); break;
    case 2:
    case 3: crPaintDrawnSeams(s); break;
    case 5: crPaintAngularSeams(s); break;
    default: break;  // unknown modes leave the cleared map: front camera everywhere
    }
}
