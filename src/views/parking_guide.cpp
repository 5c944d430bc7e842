// Parking-guide lines: the path the vehicle sweeps for the current steering
// angle, as ground points in three distance bands, and their pixels in the
// camera picture.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "image/image.h"
#include "numerics/angles.h"
#include "numerics/rounding.h"
#include "views/views.h"

namespace {

constexpr int kBandCount = 3;
constexpr Point2f kSeparator = {-1.0f, -1.0f};

bool crIsSeparator(const Point2f& p) { return p.x == kSeparator.x && p.y == kSeparator.y; }

// How far ahead of the turning axle the lines start.
float crGuideOverhang(const PgsParam* g) {
    return static_cast<float>(g->vehicleLength) * 0.5f - static_cast<float>(g->wheelbase) * 0.5f;
}

// Step between n points spread over span. A single point has no step (the
// span would be divided by zero) and stays at the start.
float crGuideStep(float span, int n) { return n > 1 ? span / static_cast<float>(n - 1) : 0.0f; }

void crStraightLine(float x, float y0, float dy, float shift, int n, Point2f* line) {
    for (int i = 0; i < n; ++i) line[i] = {x, y0 + static_cast<float>(i) * dy + shift};
}

// Points of the circle about the turning centre (radius, 0) through the line
// at offset x, from angle phi0 in steps of step.
void crArcLine(float x, float radius, float arcOffset, float phi0, float step, float shift, int n, Point2f* line) {
    for (int i = 0; i < n; ++i) {
        const float phi = phi0 + static_cast<float>(i) * step;
        const float c = cosf(phi), s = sinf(phi);
        line[i] = {c * (x - radius) + s * arcOffset + radius, (arcOffset - (s * (x - radius) + c * arcOffset)) + shift};
    }
}

// One band as a closed outline: the right line near to far, the left line
// far to near, then a separator unless it is the last band. Returns the
// number of points written.
int crAppendBandOutline(const PgsParam* g, int n, float xLeft, float xRight, float y0, bool separator, Point2f* out) {
    const int perLine = std::max(n, 0);
    crBuildGuideBand(perLine, g, xLeft, xRight, y0, out + perLine, out);
    std::reverse(out + perLine, out + 2 * static_cast<size_t>(perLine));
    int count = 2 * perLine;
    if (separator) out[count++] = kSeparator;
    return count;
}

}  // namespace

int crBuildGuideBand(int n, const PgsParam* g, float xLeft, float xRight, float y0, Point2f* left, Point2f* right) {
    const float shift = static_cast<float>(g->wheelbase) * 0.5f + static_cast<float>(g->axleOffset);
    const float start = static_cast<float>(g->segmentStart), end = g->segmentEnd;
    if (g->steeringAngle == 0) {
        const float dy = crGuideStep(end - start, n);
        crStraightLine(xLeft, y0, dy, shift, n, left);
        crStraightLine(xRight, y0, dy, shift, n, right);
    } else {
        const float radius = g->turnRadius, arcOffset = g->arcOffset;
        const float phiEnd = (end + crGuideOverhang(g)) / radius;
        // A band starting at 0 gives each line the angle that covers y0 on its
        // own circle; later bands share the centre line's angle.
        const bool firstBand = g->segmentStart == 0;
        const float phiLeft = firstBand ? y0 / (radius - xLeft) : y0 / radius;
        const float phiRight = firstBand ? y0 / (radius - xRight) : y0 / radius;
        crArcLine(xLeft, radius, arcOffset, phiLeft, crGuideStep(phiEnd - phiLeft, n), shift, n, left);
        crArcLine(xRight, radius, arcOffset, phiRight, crGuideStep(phiEnd - phiRight, n), shift, n, right);
    }
    for (int i = 0; i < n; ++i) {
        left[i].y = -left[i].y;
        right[i].y = -right[i].y;
    }
    return 0;
}

extern "C" CR_API int crGetPGSWorldPoints(PgsParam* g, Point2f* out) {
    if (!g) return -5;
    // A capacity below 2 leaves no point per line. The list never exceeds the
    // capacity nor 2 * perLine + 2, so a separator that does not fit is left out.
    const int capacity = g->pointCount;
    const int perLine = capacity < 2 ? 0 : (capacity - 2) / 2;
    const int room = std::max(0, std::min(capacity, 2 * perLine + 2));
    g->bandCount = kBandCount;
    const float overhang = crGuideOverhang(g);
    const float theta = -static_cast<float>(g->steeringAngle * kRadiansPerDegree);
    g->turnRadius = static_cast<float>(g->wheelbase) / tanf(theta);
    g->arcOffset = 0.0f;
    g->segmentStart = 0;
    const float xRight = static_cast<float>(g->guideWidth) * 0.5f, xLeft = -xRight;

    const int first = crRoundHalfAway(0.4f * static_cast<float>(perLine));
    const int second = crRoundHalfAway(0.4f * static_cast<float>(perLine - first));
    const int sizes[kBandCount] = {first, second, perLine - first - second};
    const int32_t distances[kBandCount] = {g->band1Distance, g->band2Distance, g->band3Distance};
    int32_t* const bandPoints[kBandCount] = {&g->band1Points, &g->band2Points, &g->band3Points};

    int written = 0;
    for (int k = 0; k < kBandCount; ++k) {
        // Distances are unsigned as band ends, signed as the next band's start.
        g->segmentEnd = static_cast<float>(static_cast<uint32_t>(distances[k]));
        float y0 = static_cast<float>(g->startOffset) + overhang;
        if (k > 0) {
            y0 = y0 + static_cast<float>(distances[k - 1]);
            g->segmentStart = distances[k - 1];
        }
        const bool separator = k + 1 < kBandCount && written + 2 * sizes[k] < room;
        *bandPoints[k] = crAppendBandOutline(g, sizes[k], xLeft, xRight, y0, separator, out + written);
        written += *bandPoints[k];
    }
    g->pointCount = written;
    return 0;
}

// The guide's ground points have y negated; undo that, leaving separators
// as they are, and project through the camera's pose.
extern "C" CR_API int crGetPGSWorldToImage(const CameraParam* cam, const Point2f* in, Point2f* out, int count) {
    const int bytes = crByteCount(count, sizeof(Point2f));
    if (bytes <= 0) return 0;  // no points, or more than a byte count can hold: as if not allocated
    auto* ground = static_cast<Point2f*>(std::malloc(static_cast<size_t>(bytes)));
    if (!ground) return 0;
    for (int i = 0; i < count; ++i) ground[i] = crIsSeparator(in[i]) ? in[i] : Point2f{in[i].x, -in[i].y};
    crWorldToImage2D(cam, ground, out, count);
    std::free(ground);
    return 0;
}
