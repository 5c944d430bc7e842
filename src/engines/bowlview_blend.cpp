// Bowl view: the blend map, drawn from the vehicle's outline as the virtual
// camera sees it. The lines through the outline's edges split the view into
// a front band, a middle band and a rear band, and the side lines split off
// what lies beside the vehicle; the corners mix by the cone weights of the
// front and rear cameras.
#include <algorithm>
#include <cmath>

#include "bowlview.h"
#include "camera/camera.h"

namespace {

constexpr Code kVehicleArea = {1, 1, 1};

// Rows per column of an edge; a vertical edge gets a steep finite slope.
float crEdgeSlope(Point2f from, Point2f to) {
    float run = to.x - from.x;
    if (run == 0.0f) run = 9.99999997e-7f;
    return (to.y - from.y) / run;
}

// The outline's four edge lines, y = p.y + slope * (x - p.x).
struct Outline {
    Point2f frontLeft, frontRight, rearLeft, rearRight;
    float front, right, rear, left;  // slopes
};

Outline crOutline(const Point2f corners[4]) {
    Outline o = {corners[0], corners[1], corners[2], corners[3], 0.0f, 0.0f, 0.0f, 0.0f};
    o.front = crEdgeSlope(o.frontLeft, o.frontRight);
    o.right = crEdgeSlope(o.frontRight, o.rearRight);
    o.rear = crEdgeSlope(o.rearLeft, o.rearRight);
    o.left = crEdgeSlope(o.frontLeft, o.rearLeft);
    return o;
}

float crLineAt(Point2f p, float slope, float x) { return p.y + slope * (x - p.x); }

// How the vehicle lies in the view, from the direction of its front edge:
// front toward the top (forward), toward the bottom (reversed), or, with the
// front edge exactly vertical, front toward the left or the right.
enum class Facing { kForward, kReversed, kFrontLeftward, kFrontRightward };

Facing crFacing(const Outline& o, bool quarterTurns) {
    const float phi = crRadToDeg(atan2f(o.frontRight.y - o.frontLeft.y, o.frontRight.x - o.frontLeft.x));
    if (quarterTurns && phi == -90.0f) return Facing::kFrontLeftward;
    if (quarterTurns && phi == 90.0f) return Facing::kFrontRightward;
    return phi > -90.0f && phi < 90.0f ? Facing::kForward : Facing::kReversed;
}

enum Band { kFrontBand, kMiddleBand, kRearBand };
enum Side { kBesideLeft, kBesideRight, kAlongside };

// The code of a pixel by its band and side; the corners ask the front or
// rear camera's weight.
inline Code crZoneCode(Band band, Side side, float frontWeight, float rearWeight) {
    if (band == kMiddleBand) return side == kBesideLeft ? kLeftOnly : side == kBesideRight ? kRightOnly : kVehicleArea;
    const bool front = band == kFrontBand;
    if (side == kAlongside) return front ? kFrontOnly : kRearOnly;
    const Corner k =
        front ? (side == kBesideLeft ? kFrontLeft : kFrontRight) : (side == kBesideLeft ? kRearLeft : kRearRight);
    return crConeCornerCode(k, front ? frontWeight : rearWeight);
}

Side crSide(bool besideLeft, bool besideRight) {
    return besideLeft ? kBesideLeft : besideRight ? kBesideRight : kAlongside;
}

// The rows of the four edge lines at the columns of a run of kRun pixels,
// formed in a loop of fixed length, which the compiler can turn into vector
// code.
constexpr int kRun = 16;

struct RunLines {
    float left[kRun], right[kRun], front[kRun], rear[kRun];
};

RunLines crRunLines(const Outline& o, int firstColumn) {
    RunLines l;
    for (int i = 0; i < kRun; ++i) {
        const float x = static_cast<float>(firstColumn + i);
        l.left[i] = crLineAt(o.frontLeft, o.left, x);
        l.right[i] = crLineAt(o.frontRight, o.right, x);
        l.front[i] = crLineAt(o.frontLeft, o.front, x);
        l.rear[i] = crLineAt(o.rearLeft, o.rear, x);
    }
    return l;
}

// Forward and reversed: bands and sides from the edge lines at lane i of the
// run, every comparison turned round when the vehicle is seen from the
// front. A pixel beside both side lines counts as beside the left one.
Code crLineCode(const Outline& o, bool reversed, const RunLines& lines, int i, float y, float wF, float wB) {
    const float left = lines.left[i], right = lines.right[i], front = lines.front[i], rear = lines.rear[i];
    if (!reversed) {
        const Side side = crSide((o.left >= 0.0f && y >= left) || (o.left < 0.0f && y < left),
                                 (o.right >= 0.0f && y < right) || (o.right < 0.0f && y >= right));
        return crZoneCode(y < front ? kFrontBand : y >= rear ? kRearBand : kMiddleBand, side, wF, wB);
    }
    const Side side = crSide((o.left >= 0.0f && y < left) || (o.left < 0.0f && y >= left),
                             (o.right >= 0.0f && y >= right) || (o.right < 0.0f && y < right));
    return crZoneCode(y < rear ? kRearBand : y >= front ? kFrontBand : kMiddleBand, side, wF, wB);
}

// A quarter turn: the zones are bounded by the corners' columns and rows,
// the rear zone tested first.
Code crQuarterTurnCode(const Outline& o, bool frontLeftward, float x, float y, float wF, float wB) {
    const Point2f a = o.frontLeft, b = o.frontRight, c = o.rearLeft, e = o.rearRight;
    if (frontLeftward) {
        if (x > c.x) return crZoneCode(kRearBand, crSide(y >= c.y, y <= e.y), wF, wB);
        if (x < a.x) return crZoneCode(kFrontBand, crSide(y >= a.y, y <= b.y), wF, wB);
        return crZoneCode(kMiddleBand, crSide(y > a.y, y < b.y), wF, wB);
    }
    if (x <= c.x) return crZoneCode(kRearBand, crSide(y <= c.y, y >= e.y), wF, wB);
    if (x >= a.x) return crZoneCode(kFrontBand, crSide(y <= a.y, y >= b.y), wF, wB);
    return crZoneCode(kMiddleBand, crSide(y<a.y, y> b.y), wF, wB);
}

}  // namespace

void crBowlCarCorners(const BowlviewState* s, const CameraParam* view, Point2f corners[4]) {
    const PinholeCamera pin = crPinholeCamera(view);
    const float halfWidth = static_cast<float>(s->carWidth) / 2.0f;
    const float halfLength = static_cast<float>(s->carLength) / 2.0f;
    const float x0 = view->originX, y0 = view->originY;
    const Point2f ground[4] = {{x0 - halfWidth, y0 - halfLength},
                               {x0 + halfWidth, y0 - halfLength},
                               {x0 - halfWidth, y0 + halfLength},
                               {x0 + halfWidth, y0 + halfLength}};
    for (int i = 0; i < 4; ++i) {
        float q[3];
        crProjectPoint(pin.e, ground[i].x, ground[i].y, 0.0f, q);
        if (q[2] == 0.0f) q[2] = 1.0f;
        const Point2f p = crPinholePixel(pin, q);
        corners[i] = {crRoundToWhole(p.x), crRoundToWhole(p.y)};
    }
}

void crPaintBowlBlendMap(BowlviewState* s, const CameraParam* view, bool quarterTurns) {
    Point2f corners[4];
    crBowlCarCorners(s, view, corners);
    const Outline o = crOutline(corners);
    const Facing facing = crFacing(o, quarterTurns);
    const bool byLines = facing == Facing::kForward || facing == Facing::kReversed;
    for (int r = 0; r < s->height; ++r) {
        unsigned char* row = s->blendMap->data[r];
        const float* front = s->weights[kPosFront]->data[r];
        const float* rear = s->weights[kPosRear]->data[r];
        const float y = static_cast<float>(r);
        for (int first = 0; first < s->width; first += kRun) {
            const int count = std::min(kRun, s->width - first);
            const RunLines lines = crRunLines(o, first);
            for (int i = 0; i < count; ++i) {
                const int c = first + i;
                const Code code = byLines ? crLineCode(o, facing == Facing::kReversed, lines, i, y, front[c], rear[c])
                                          : crQuarterTurnCode(o, facing == Facing::kFrontLeftward,
                                                              static_cast<float>(c), y, front[c], rear[c]);
                crPutCode(row + 3 * static_cast<size_t>(c), code);
            }
        }
    }
}
