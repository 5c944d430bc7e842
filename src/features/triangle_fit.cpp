// A triangle fitted to an outline: three far-apart outline points pick the
// sides, least-squares lines through each side's points refine them, and the
// lines' crossings are the corners.
#include <cmath>

#include "features.h"

namespace {

// Line a x + b y + c = 0 through two points.
struct Line {
    float a, b, c;
};

Line crLineThrough(Point2f p, Point2f q) { return {q.y - p.y, p.x - q.x, q.x * p.y - p.x * q.y}; }

float crDistance(const Line& l, Point2f p) {
    return std::fabs(l.a * p.x + l.b * p.y + l.c) / sqrtf(l.a * l.a + l.b * l.b);
}

// Index of the point farthest from `from`; searches start from distance 0
// and the first of equal candidates wins.
int crFarthestFromPoint(const Point2f* p, int n, Point2f from) {
    int best = 0;
    float most = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float dx = p[i].x - from.x, dy = p[i].y - from.y;
        const float d = sqrtf(dx * dx + dy * dy);
        if (d > most) best = i, most = d;
    }
    return best;
}

int crFarthestFromLine(const Point2f* p, int n, const Line& l) {
    int best = 0;
    float most = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float d = crDistance(l, p[i]);
        if (d > most) best = i, most = d;
    }
    return best;
}

// y = m x + q by least squares over the points within 3 of the line; false
// when they leave the slope undefined (fewer than two, or one column).
bool crRefitLine(const Point2f* p, int n, const Line& l, float* m, float* q) {
    float k = 0.0f, sx = 0.0f, sy = 0.0f, sxy = 0.0f, sxx = 0.0f;
    for (int i = 0; i < n; ++i) {
        if (!(crDistance(l, p[i]) < 3.0f)) continue;
        k += 1.0f;
        sx = sx + p[i].x;
        sy = sy + p[i].y;
        sxy = sxy + p[i].x * p[i].y;
        sxx = sxx + p[i].x * p[i].x;
    }
    const float denominator = k * sxx - sx * sx;
    if (k < 2.0f || denominator == 0.0f) return false;
    *m = (k * sxy - sy * sx) / denominator;
    *q = (sxx * sy - sxy * sx) / denominator;
    return true;
}

bool crCross(float m1, float q1, float m2, float q2, Point2f* at) {
    if (m2 == m1) return false;
    *at = {(q1 - q2) / (m2 - m1), (q1 * m2 - q2 * m1) / (m2 - m1)};
    return std::isfinite(at->x) && std::isfinite(at->y);
}

}  // namespace

bool crFitTriangle(const Point2f* p, int n, Point2f corners[3]) {
    if (n < 1) return false;
    Point2f a = p[crFarthestFromPoint(p, n, p[0])];
    Point2f b = p[crFarthestFromPoint(p, n, a)];
    const Point2f c = p[crFarthestFromLine(p, n, crLineThrough(a, b))];
    a = p[crFarthestFromLine(p, n, crLineThrough(c, b))];
    b = p[crFarthestFromLine(p, n, crLineThrough(c, a))];
    float m[3], q[3];  // sides AB, CB, AC
    if (!crRefitLine(p, n, crLineThrough(a, b), &m[0], &q[0]) ||
        !crRefitLine(p, n, crLineThrough(c, b), &m[1], &q[1]) || !crRefitLine(p, n, crLineThrough(a, c), &m[2], &q[2]))
        return false;
    return crCross(m[0], q[0], m[1], q[1], &corners[0]) && crCross(m[1], q[1], m[2], q[2], &corners[1]) &&
           crCross(m[2], q[2], m[0], q[0], &corners[2]);
}
