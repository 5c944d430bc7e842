// Sub-pixel refinement of the triangle targets' corners: edge profiles
// across the sides, straight lines on the undistorted plane, and a model of
// the whole blurred target fitted to them.
#include "camrig_toolkit/corners.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// ---- Constants ---------------------------------------------------------------

constexpr double kStep = 0.25;                       // profile sample spacing, photograph pixels
constexpr double kLobeLevel = 0.3;                   // share of the peak gradient that bounds its lobe
constexpr double kPathSpacing = 0.5;                 // between neighbouring paths of the first pass, pixels
constexpr double kCornerSkip = 0.15;                 // share of a side the first pass leaves out at either end
constexpr double kWeakPeak = 0.4;                    // paths below this share of the median peak see no edge
constexpr double kMinReach = 3.0, kMaxReach = 12.0;  // lobe search half-window, pixels
constexpr int kLobeRounds = 6;
// A triangle is refined only if the model's fit puts the standard deviation
// of each of its corners below this, in pixels. Beyond it the fit has too
// few edges or too little contrast to be trusted over the detector.
constexpr double kMaxSpread = 0.5;

// ---- Small geometry ---------------------------------------------------------

struct crVec {
    double x, y;
};
crVec operator+(crVec a, crVec b) { return {a.x + b.x, a.y + b.y}; }
crVec operator-(crVec a, crVec b) { return {a.x - b.x, a.y - b.y}; }
crVec operator*(double s, crVec a) { return {s * a.x, s * a.y}; }
double crDot(crVec a, crVec b) { return a.x * b.x + a.y * b.y; }
double crCross(crVec a, crVec b) { return a.x * b.y - a.y * b.x; }
double crLength(crVec a) { return std::hypot(a.x, a.y); }
crVec crUnit(crVec a) { return (1.0 / crLength(a)) * a; }

double crMedian(std::vector<double> v) {
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + mid, v.end());
    return v[mid];
}

double crNormal(double x) { return 0.5 * std::erfc(-x * M_SQRT1_2); }
double crDensity(double x) { return 0.3989422804014327 * std::exp(-0.5 * x * x); }

// P(X < h, Y < k) for standard normals with correlation r, after Genz:
// Gauss-Legendre on Plackett's integral for moderate r, Drezner and
// Wesolowsky's expansion near |r| = 1; good to about 1e-10. What depends on
// r alone is worked out once, as the model asks for one r many times.
class crBinormal {
public:
    explicit crBinormal(double r = 0.0) : r_(r) {
        static const double w6[3] = {0.1713244923791705, 0.3607615730481384, 0.4679139345726904};
        static const double x6[3] = {0.9324695142031522, 0.6612093864662647, 0.2386191860831970};
        static const double w12[6] = {0.04717533638651177, 0.1069393259953183, 0.1600783285433464,
                                      0.2031674267230659,  0.2334925365383547, 0.2491470458134029};
        static const double x12[6] = {0.9815606342467191, 0.9041172563704750, 0.7699026741943050,
                                      0.5873179542866171, 0.3678314989981802, 0.1252334085114692};
        static const double w20[10] = {
            0.01761400713915212, 0.04060142980038694, 0.06267204833410906, 0.08327674157670475, 0.1019301198172404,
            0.1181945319615184,  0.1316886384491766,  0.1420961093183821,  0.1491729864726037,  0.1527533871307259};
        static const double x20[10] = {0.9931285991850949, 0.9639719272779138, 0.9122344282513259, 0.8391169718222188,
                                       0.7463319064601508, 0.6360536807265150, 0.5108670019508271, 0.3737060887154196,
                                       0.2277858511416451, 0.07652652113349733};
        const double* w = w20;
        const double* x = x20;
        n_ = 10;
        if (std::fabs(r) < 0.3)
            w = w6, x = x6, n_ = 3;
        else if (std::fabs(r) < 0.75)
            w = w12, x = x12, n_ = 6;
        near_ = std::fabs(r) >= 0.925;
        as_ = (1.0 - r) * (1.0 + r), a_ = std::sqrt(as_);
        const double asr = 0.5 * std::asin(r);
        for (int i = 0; i < 2 * n_; ++i) {
            const double node = i < n_ ? -x[i] : x[i - n_];
            weight_[i] = w[i % n_];
            if (!near_) {
                const double sn = std::sin(asr * (1.0 + node));
                sn_[i] = sn, inv_[i] = 1.0 / (1.0 - sn * sn);
                weight_[i] *= asr / (2.0 * M_PI);
            } else {
                const double half = 0.5 * a_ * (node + 1.0), xs = half * half, rs = std::sqrt(1.0 - xs);
                sn_[i] = xs, inv_[i] = 1.0 / ((1.0 + rs) * (1.0 + rs)), rs_[i] = rs;
                weight_[i] *= 0.5 * a_ / rs;
            }
        }
    }

    double operator()(double h, double k) const {
        // The upper orthant of (-h, -k) is the lower orthant of (h, k).
        h = -h, k = -k;
        double hk = h * k, bvn = 0.0;
        if (!near_) {
            const double hs = 0.5 * (h * h + k * k);
            for (int i = 0; i < 2 * n_; ++i) bvn += weight_[i] * std::exp((sn_[i] * hk - hs) * inv_[i]);
            return std::clamp(bvn + crNormal(-h) * crNormal(-k), 0.0, 1.0);
        }
        if (r_ < 0.0) k = -k, hk = -hk;
        if (as_ > 0.0) {
            const double bs = (h - k) * (h - k), c = (4.0 - hk) / 8.0, d = (12.0 - hk) / 80.0;
            const double asr = -0.5 * (bs / as_ + hk);
            if (asr > -100.0)
                bvn = a_ * std::exp(asr) * (1.0 - c * (bs - as_) * (1.0 - d * bs) / 3.0 + c * d * as_ * as_);
            if (hk > -100.0) {
                const double b = std::sqrt(bs);
                bvn -= std::exp(-0.5 * hk) * std::sqrt(2.0 * M_PI) * crNormal(-b / a_) * b *
                       (1.0 - c * bs * (1.0 - d * bs) / 3.0);
            }
            double sum = 0.0;
            for (int i = 0; i < 2 * n_; ++i) {
                const double xs = sn_[i], e = -0.5 * (bs / xs + hk);
                if (e <= -100.0) continue;
                const double sp = 1.0 + c * xs * (1.0 + 5.0 * d * xs);
                sum += weight_[i] * std::exp(e) * (sp * rs_[i] - std::exp(-0.5 * hk * xs * inv_[i]));
            }
            bvn = (sum - bvn) / (2.0 * M_PI);
        }
        if (r_ > 0.0)
            bvn += crNormal(-std::max(h, k));
        else if (h >= k)
            bvn = -bvn;
        else
            bvn = (h < 0.0 ? crNormal(k) - crNormal(h) : crNormal(-h) - crNormal(-k)) - bvn;
        return std::clamp(bvn, 0.0, 1.0);
    }

    double r() const { return r_; }

private:
    double r_, as_, a_;
    int n_;
    bool near_;
    double weight_[20], sn_[20], inv_[20], rs_[20];
};

// ---- The photograph and its plane -------------------------------------------

// The undistorted plane: ray tangents times the pixel scale, so that a plane
// unit is about a pixel near the optical centre.
class crPlane {
public:
    explicit crPlane(const CameraParam* cam) : cam_(cam) {}

    // False for pixels whose ray the lens model cannot carry to the plane and
    // back (beyond the field of view).
    bool fromPhoto(crVec px, crVec* q) const {
        const Point2f p = {static_cast<float>(px.x), static_cast<float>(px.y)};
        Point2f u;
        crFeatureUndistortion(&p, &u, cam_);
        *q = {u.x / cam_->focalLength * cam_->pixelScaleX, u.y / cam_->focalLength * cam_->pixelScaleY};
        if (!std::isfinite(q->x) || !std::isfinite(q->y) || crLength(*q) > 1e5) return false;
        return crLength(toPhoto(*q) - px) < 0.5;
    }

    crVec toPhoto(crVec q) const {
        const Point2f u = {static_cast<float>(q.x / cam_->pixelScaleX * cam_->focalLength),
                           static_cast<float>(q.y / cam_->pixelScaleY * cam_->focalLength)};
        Point2f px;
        crFeatureDistortion(&u, &px, cam_);
        return {px.x, px.y};
    }

private:
    const CameraParam* cam_;
};

// Bilinear luma of a packed blue-green-red photograph.
class crGrey {
public:
    crGrey(const unsigned char* bgr, int width, int height) : bgr_(bgr), width_(width), height_(height) {}

    bool sample(crVec p, float* value) const {
        if (!(p.x >= 0.0 && p.y >= 0.0 && p.x <= width_ - 1 && p.y <= height_ - 1)) return false;
        const int i = std::min(static_cast<int>(p.x), width_ - 2), j = std::min(static_cast<int>(p.y), height_ - 2);
        const float fx = static_cast<float>(p.x - i), fy = static_cast<float>(p.y - j);
        *value = (1.0f - fy) * ((1.0f - fx) * luma(i, j) + fx * luma(i + 1, j)) +
                 fy * ((1.0f - fx) * luma(i, j + 1) + fx * luma(i + 1, j + 1));
        return true;
    }

private:
    float luma(int c, int r) const {
        const unsigned char* p = bgr_ + (static_cast<size_t>(r) * width_ + c) * 3;
        return 0.114f * p[0] + 0.587f * p[1] + 0.299f * p[2];
    }

    const unsigned char* bgr_;
    int width_, height_;
};

// ---- Lines and triangles on the plane ---------------------------------------

// A line n . q = c, n a unit normal.
struct crLine {
    crVec n;
    double c;
};

bool crIntersect(const crLine& a, const crLine& b, crVec* q) {
    const double det = crCross(a.n, b.n);
    if (std::fabs(det) < 0.05) return false;  // sides within 3 degrees of parallel
    *q = {(a.c * b.n.y - a.n.y * b.c) / det, (a.n.x * b.c - a.c * b.n.x) / det};
    return true;
}

// Side i of a triangle runs from corner i to i + 1; its normal points away
// from the third corner.
crLine crOutwardSide(const crVec t[3], int i) {
    const crVec a = t[i], b = t[(i + 1) % 3];
    crVec n = crUnit({a.y - b.y, b.x - a.x});
    if (crDot(n, t[(i + 2) % 3] - a) > 0.0) n = -1.0 * n;
    return {n, crDot(n, a)};
}

// Corner i where sides i - 1 and i meet.
bool crCorners(const crLine lines[3], crVec t[3]) {
    for (int i = 0; i < 3; ++i)
        if (!crIntersect(lines[(i + 2) % 3], lines[i], &t[i])) return false;
    return true;
}

bool crInside(const crVec t[3], crVec p) {
    const double s0 = crCross(t[1] - t[0], p - t[0]), s1 = crCross(t[2] - t[1], p - t[1]),
                 s2 = crCross(t[0] - t[2], p - t[2]);
    return (s0 > 0 && s1 > 0 && s2 > 0) || (s0 < 0 && s1 < 0 && s2 < 0);
}

// ---- Paths across a side ----------------------------------------------------

// A straight path across a side: in the photograph it runs from `photo`
// along the edge's normal toward the light side, one unit per pixel; on the
// plane it starts at `foot` and moves by `step` per pixel (to first order).
struct crPath {
    crVec foot, step;
    crVec photo, normal, tangent;
    crVec along, light;  // the plane's unit directions along and across the side
    crVec jd, jl;        // their images in the photograph

    // The photograph's normal of plane line l here, J^-T n: its inverse
    // length is the pixels across l per plane unit.
    crVec photoNormal(const crLine& l) const {
        // Its dot products with jd and jl are those of n with along and light.
        const double y0 = crDot(along, l.n), y1 = crDot(light, l.n), det = crCross(jd, jl);
        return {(y0 * jl.y - y1 * jd.y) / det, (jd.x * y1 - jl.x * y0) / det};
    }
    double scaleAcross(const crLine& l) const { return 1.0 / crLength(photoNormal(l)); }
};

bool crMakePath(const crPlane& plane, crVec foot, crVec along, crVec light, crPath* path) {
    const double h = 0.5;
    path->jd = (1.0 / (2.0 * h)) * (plane.toPhoto(foot + h * along) - plane.toPhoto(foot - h * along));
    path->jl = (1.0 / (2.0 * h)) * (plane.toPhoto(foot + h * light) - plane.toPhoto(foot - h * light));
    const double det = crCross(path->jd, path->jl);
    if (!(std::fabs(det) > 1e-9) || !(crLength(path->jd) > 1e-9)) return false;
    path->foot = foot, path->along = along, path->light = light;
    path->photo = plane.toPhoto(foot);
    path->tangent = crUnit(path->jd);
    path->normal = {-path->tangent.y, path->tangent.x};
    if (crDot(path->normal, path->jl) < 0.0) path->normal = -1.0 * path->normal;
    // The plane step a along + b light whose image is the photograph normal.
    const double a = crCross(path->normal, path->jl) / det, b = crCross(path->jd, path->normal) / det;
    path->step = a * along + b * light;
    return true;
}

// Luma along the path from `from` to `to` pixels, each sample the mean of
// three a pixel apart along the edge, which calms noise without blurring
// across it; false when the path leaves the photograph.
bool crSampleProfile(const crGrey& grey, const crPath& path, double from, double to, std::vector<float>* profile) {
    const int n = static_cast<int>(std::floor((to - from) / kStep)) + 1;
    profile->resize(n > 0 ? n : 0);
    for (int k = 0; k < n; ++k) {
        const crVec p = path.photo + (from + k * kStep) * path.normal;
        float sum = 0.0f;
        for (int o = -1; o <= 1; ++o) {
            float v;
            if (!grey.sample(p + static_cast<double>(o) * path.tangent, &v)) return false;
            sum += v;
        }
        (*profile)[k] = sum / 3.0f;
    }
    return true;
}

// ---- First pass: gradient lobes ---------------------------------------------
//
// Brings the detector's outline, possibly pixels off, within reach of the
// model: on each path the edge is the centroid of the strongest rising
// gradient lobe, a line is fitted to each side's edges and the lines are
// intersected. Blur spreads a narrow band's two edges into each other and
// biases this; the second pass removes that.

// An edge found on one path: its plane point, the pixels across the side per
// plane unit there, its gradient peak and lobe width (pixels).
struct crEdgePoint {
    crVec q;
    double across, peak, width;
};

// Total least squares line through the edge points, those beyond three
// robust deviations (at least 0.3 px) left out, its normal toward `light`;
// `spread` is the robust deviation in pixels. False with fewer than `needed`
// points left.
bool crFitLine(const std::vector<crEdgePoint>& edges, crVec light, size_t needed, crLine* line, double* spread,
               std::vector<char>* inlier) {
    inlier->assign(edges.size(), 1);
    std::vector<double> residuals(edges.size());
    for (int pass = 0; pass < 6; ++pass) {
        crVec mean = {0.0, 0.0};
        size_t count = 0;
        for (size_t k = 0; k < edges.size(); ++k)
            if ((*inlier)[k]) mean = mean + edges[k].q, ++count;
        if (count < needed) return false;
        mean = (1.0 / count) * mean;
        double sxx = 0.0, sxy = 0.0, syy = 0.0;
        for (size_t k = 0; k < edges.size(); ++k)
            if ((*inlier)[k]) {
                const crVec d = edges[k].q - mean;
                sxx += d.x * d.x, sxy += d.x * d.y, syy += d.y * d.y;
            }
        // The normal is the scatter's minor axis.
        const double angle = 0.5 * std::atan2(2.0 * sxy, sxx - syy);
        crVec n = {-std::sin(angle), std::cos(angle)};
        if (crDot(n, light) < 0.0) n = -1.0 * n;
        *line = {n, crDot(n, mean)};
        for (size_t k = 0; k < edges.size(); ++k)
            residuals[k] = std::fabs(crDot(n, edges[k].q) - line->c) * edges[k].across;
        *spread = 1.4826 * crMedian(residuals);
        const double limit = std::max(3.0 * *spread, 0.3);
        bool changed = false;
        for (size_t k = 0; k < edges.size(); ++k) {
            const char in = residuals[k] <= limit;
            changed |= in != (*inlier)[k];
            (*inlier)[k] = in;
        }
        if (!changed) break;
    }
    return std::count(inlier->begin(), inlier->end(), 1) >= static_cast<long>(needed);
}

// The strongest rising edge on a profile sampled from `from`: the centroid of
// its gradient lobe above kLobeLevel of the peak. False when there is none or
// the window cuts the lobe off.
bool crRisingEdge(const std::vector<float>& profile, double from, double* at, double* peak, double* width) {
    const int h = 2, n = static_cast<int>(profile.size());  // gradient over one pixel
    if (n < 2 * h + 3) return false;
    std::vector<float> g(n, 0.0f);
    int best = h;
    for (int k = h; k < n - h; ++k) {
        g[k] = profile[k + h] - profile[k - h];
        if (g[k] > g[best]) best = k;
    }
    const double top = g[best], floor = kLobeLevel * top;
    if (!(top > 0.0)) return false;
    int lo = best, hi = best;
    while (lo > h && g[lo - 1] > floor) --lo;
    while (hi < n - h - 1 && g[hi + 1] > floor) ++hi;
    if (lo == h || hi == n - h - 1) return false;
    double weight = 0.0, moment = 0.0;
    for (int k = lo; k <= hi; ++k) {
        weight += g[k] - floor;
        moment += (g[k] - floor) * (from + k * kStep);
    }
    *at = moment / weight;
    *peak = top;
    *width = (hi - lo) * kStep;
    return true;
}

// Refines a dark triangle on a light floor (a target's outline).
class crLobeRefiner {
public:
    crLobeRefiner(const crGrey& grey, const crPlane& plane) : grey_(grey), plane_(plane) {}

    // Refines the plane corners t in place; false, leaving t alone, when a
    // side finds no consistent edge.
    bool refine(crVec t[3]) {
        crVec photo[3];
        for (int i = 0; i < 3; ++i) photo[i] = plane_.toPhoto(t[i]);
        const double shortest =
            std::min({crLength(photo[1] - photo[0]), crLength(photo[2] - photo[1]), crLength(photo[0] - photo[2])});
        const double firstReach = std::clamp(0.3 * shortest, kMinReach, kMaxReach);
        double reach = firstReach;
        crVec cur[3] = {t[0], t[1], t[2]};
        for (int round = 0; round < kLobeRounds; ++round) {
            crLine fitted[3];
            double lobe = 0.0;
            for (int i = 0; i < 3; ++i) {
                double width;
                if (!fitSide(cur, i, reach, &fitted[i], &width)) return false;
                lobe = std::max(lobe, width);
            }
            crVec next[3];
            if (!crCorners(fitted, next)) return false;
            double moved = 0.0;
            for (int i = 0; i < 3; ++i)
                moved = std::max(moved, crLength(plane_.toPhoto(next[i]) - plane_.toPhoto(cur[i])));
            std::copy(next, next + 3, cur);
            // Later windows need only hold the lobe and what is left of the error.
            reach = std::clamp(lobe + 1.5, kMinReach, firstReach);
            if (moved < 0.01) break;
        }
        std::copy(cur, cur + 3, t);
        return true;
    }

private:
    bool fitSide(const crVec t[3], int i, double reach, crLine* out, double* lobe) {
        crLine lines[3];
        for (int j = 0; j < 3; ++j) lines[j] = crOutwardSide(t, j);
        const crVec a = t[i], b = t[(i + 1) % 3], along = crUnit(b - a);
        const double length = crLength(plane_.toPhoto(b) - plane_.toPhoto(a));
        const int paths = std::clamp(static_cast<int>(length * (1.0 - 2.0 * kCornerSkip) / kPathSpacing), 6, 400);
        edges_.clear();
        for (int k = 0; k < paths; ++k) {
            const double s = kCornerSkip + (1.0 - 2.0 * kCornerSkip) * (k + 0.5) / paths;
            crPath path;
            if (!crMakePath(plane_, a + s * (b - a), along, lines[i].n, &path)) continue;
            // End the window at the triangle's other sides: beyond them, past
            // the band, lie edges of the same sign.
            double from = -reach, to = reach;
            for (int j = 1; j <= 2; ++j) {
                const int o = (i + j) % 3;
                const crVec p0 = t[o], p1 = t[(o + 1) % 3];
                const double rate = crDot(lines[o].n, path.step);
                if (std::fabs(rate) < 1e-9) continue;
                const double x = (lines[o].c - crDot(lines[o].n, path.foot)) / rate;
                const double on = crDot(path.foot + x * path.step - p0, p1 - p0) / crDot(p1 - p0, p1 - p0);
                if (on < -0.05 || on > 1.05) continue;  // crosses the line, not the side
                if (x > 0.0)
                    to = std::min(to, x);
                else
                    from = std::max(from, x);
            }
            double at, peak, width;
            if (to - from < 2.0 || !crSampleProfile(grey_, path, from, to, &profile_) ||
                !crRisingEdge(profile_, from, &at, &peak, &width))
                continue;
            edges_.push_back({path.foot + at * path.step, path.scaleAcross(lines[i]), peak, width});
        }
        const size_t needed = std::max<size_t>(5, paths / 2);
        if (edges_.size() < needed) return false;
        std::vector<double> values;
        for (const crEdgePoint& e : edges_) values.push_back(e.peak);
        const double weak = kWeakPeak * crMedian(values);
        kept_.clear();
        for (const crEdgePoint& e : edges_)
            if (e.peak >= weak) kept_.push_back(e);
        double spread;
        if (!crFitLine(kept_, lines[i].n, needed, out, &spread, &inlier_)) return false;
        // Edge points scattered over the window are noise, not an edge.
        if (spread > std::max(0.75, 0.2 * reach)) return false;
        values.clear();
        for (size_t k = 0; k < kept_.size(); ++k)
            if (inlier_[k]) values.push_back(kept_[k].width);
        *lobe = crMedian(values);
        return true;
    }

    const crGrey& grey_;
    const crPlane& plane_;
    std::vector<float> profile_;
    std::vector<crEdgePoint> edges_, kept_;
    std::vector<char> inlier_;
};

// A starting hole for a target whose outline is `outer`: each side of the
// hole parallel to the outline's side that it faces, at the median depth of
// the first rise after the band on paths from the middle of that side toward
// the centroid. Where blur leaves too little of that, the outline halved
// about its centroid stands in; the model's fit decides. hole[i] faces
// outer[i].
void crSeedHole(const crGrey& grey, const crPlane& plane, const crVec outer[3], crVec hole[3]) {
    const crVec centre = (1.0 / 3.0) * (outer[0] + outer[1] + outer[2]);
    crLine lines[3];
    std::vector<float> profile, g;
    bool found = true;
    for (int i = 0; i < 3 && found; ++i) {
        const crLine side = crOutwardSide(outer, i);
        const crVec a = outer[i], b = outer[(i + 1) % 3], inward = -1.0 * side.n;
        const double depth = crDot(inward, centre - a);
        std::vector<double> depths;
        for (int k = 0; k < 7; ++k) {
            crPath path;
            if (!crMakePath(plane, a + (0.35 + 0.05 * k) * (b - a), crUnit(b - a), inward, &path)) continue;
            const double rate = crDot(inward, path.step), reach = depth / rate;  // pixels to the centroid's depth
            if (!(reach > 2.0) || !crSampleProfile(grey, path, -2.0, reach, &profile)) continue;
            g.assign(profile.size(), 0.0f);
            for (size_t j = 2; j + 2 < profile.size(); ++j) g[j] = profile[j + 2] - profile[j - 2];
            const auto falling = std::min_element(g.begin(), g.end());
            const auto rising = std::max_element(falling, g.end());
            if (rising == g.end() || !(*rising > 0.1 * -*falling)) continue;
            depths.push_back((-2.0 + (rising - g.begin()) * kStep) * rate);
        }
        found = depths.size() >= 3;
        if (found) lines[i] = {side.n, side.c - crMedian(depths)};
    }
    if (found && crCorners(lines, hole) && crInside(outer, hole[0]) && crInside(outer, hole[1]) &&
        crInside(outer, hole[2]))
        return;
    for (int i = 0; i < 3; ++i) hole[i] = centre + 0.5 * (outer[i] - centre);
}

// ---- Second pass: a model of the whole target -------------------------------
//
// The photograph of a target is its dark region, the outline less the hole,
// on the light floor, blurred. At any sample it is predicted from the six
// lines and a Gaussian blur: the chance that a blurred point falls inside a
// triangle is, by inclusion and exclusion, one less the chances of lying
// beyond each side plus those of lying beyond each pair of sides (beyond all
// three is empty), a normal and a bivariate normal distribution of the signed
// pixel distances over the blur. The lines, the blur and the two grey levels
// are fitted to all profiles at once (Ceres, a Huber loss on every sample),
// so the band's other edge and the hole's far side, which blur drags into a
// side's profile, are accounted for instead of pulling it; corners need no
// wide berth either.

constexpr int kLines = 6, kParams = 2 * kLines + 3;  // each line's turn and shift; log blur, light, contrast
constexpr double kModelStep = 0.5;                   // sample spacing along a path, pixels
constexpr double kModelSpacing = 1.0;                // between paths, pixels
constexpr double kModelSkip = 0.05;                  // share of a side left out at either end
// Neighbouring samples share pixels through the bilinear reads and the
// averaging along the edge; the fitted covariance is widened by this factor
// to stand for the independent samples only (checked against the errors of
// noisy photographs).
constexpr double kCorrelation = 3.0;

struct crModelPath {
    crVec foot, step;      // plane foot and step per pixel along the path
    double scale[kLines];  // pixels across each line per plane unit
    double from;           // the first sample's offset, pixels
    std::vector<float> grey;
};

class crTargetModel {
public:
    crTargetModel(const crGrey& grey, const crPlane& plane) : grey_(grey), plane_(plane) {}

    // Fits the target starting from its plane corners, outline t[0..2] and
    // hole t[3..5]; on success replaces them and stores in spread[0..1] the
    // largest standard deviation of an outline and of a hole corner, pixels.
    bool fit(crVec t[6], double spread[2]) {
        crVec cur[6];
        std::copy(t, t + 6, cur);
        p_[12] = 0.0, p_[13] = 0.0, p_[14] = 0.0;  // a pixel of blur to start with
        for (int round = 0; round < 3; ++round) {
            // Lines through the corners, turns and shifts measured from there.
            for (int m = 0; m < kLines; ++m) {
                const crVec* tri = cur + static_cast<size_t>(m / 3) * 3;
                const crLine l = crOutwardSide(tri, m % 3);
                origin_[m] = 0.5 * (tri[m % 3] + tri[(m + 1) % 3]);
                p_[2 * static_cast<size_t>(m)] = std::atan2(l.n.y, l.n.x), p_[2 * m + 1] = 0.0;
            }
            const double reach = std::clamp(2.5 * std::exp(p_[12]) + 1.5, 3.0, 10.0);
            if (!samplePaths(cur, reach)) return false;
            if (round == 0) initialLevels();
            if (!solve()) return false;
            crVec next[6];
            if (!corners(p_, next)) return false;
            double moved = 0.0;
            for (int i = 0; i < 6; ++i)
                moved = std::max(moved, crLength(plane_.toPhoto(next[i]) - plane_.toPhoto(cur[i])));
            std::copy(next, next + 6, cur);
            // Sample again around the lines found unless they hardly moved.
            if (moved < 0.1) break;
        }
        if (!(p_[14] > 2.0 * noise_)) return false;  // no contrast to speak of
        cornerSpread(spread);
        std::copy(cur, cur + 6, t);
        return true;
    }

private:
    // What the parameters give every sample alike.
    struct crState {
        crVec n[kLines];
        double blur, light, contrast;
    };

    // One path's residuals, predicted less sampled grey, each taken through
    // the Huber loss: the loss's signed square root and its derivatives, so
    // that the sum of squares Ceres minimises is the robust cost.
    class crPathCost final : public ceres::CostFunction {
    public:
        crPathCost(const crTargetModel& model, const crModelPath& path, double huber)
            : model_(model), path_(path), huber_(huber) {
            set_num_residuals(static_cast<int>(path.grey.size()));
            mutable_parameter_block_sizes()->push_back(kParams);
        }

        bool Evaluate(const double* const* p, double* residuals, double** jacobians) const override {
            const crState s = model_.state(p[0]);
            double* d = jacobians ? jacobians[0] : nullptr;
            for (size_t j = 0; j < path_.grey.size(); ++j) {
                const double r = model_.predict(p[0], s, path_, path_.from + j * kModelStep, d) - path_.grey[j];
                double rho[3];
                huber_.Evaluate(r * r, rho);
                residuals[j] = std::copysign(std::sqrt(rho[0]), r);
                if (!std::isfinite(residuals[j])) return false;
                if (!d) continue;
                const double scale = r != 0.0 ? rho[1] * r / residuals[j] : 1.0;
                for (int u = 0; u < kParams; ++u) d[u] *= scale;
                d += kParams;
            }
            return true;
        }

    private:
        const crTargetModel& model_;
        const crModelPath& path_;
        const ceres::HuberLoss huber_;
    };

    crState state(const double* p) const {
        crState s;
        for (size_t m = 0; m < kLines; ++m) s.n[m] = {std::cos(p[2 * m]), std::sin(p[2 * m])};
        s.blur = std::exp(p[12]), s.light = p[13], s.contrast = p[14];
        return s;
    }

    bool corners(const double* p, crVec t[6]) const {
        const crState s = state(p);
        crLine l[kLines];
        for (int m = 0; m < kLines; ++m) l[m] = {s.n[m], crDot(s.n[m], origin_[m]) + p[2 * m + 1]};
        return crCorners(l, t) && crCorners(l + 3, t + 3);
    }

    // Paths across every side, light ahead; false when a side has too few
    // inside the photograph.
    bool samplePaths(const crVec t[6], double reach) {
        paths_.clear();
        crLine lines[kLines];
        for (int m = 0; m < kLines; ++m) lines[m] = crOutwardSide(t + static_cast<size_t>(m / 3) * 3, m % 3);
        for (int side = 0; side < kLines; ++side) {
            const crVec* tri = t + static_cast<size_t>(side / 3) * 3;
            const crVec a = tri[side % 3], b = tri[(side + 1) % 3], along = crUnit(b - a);
            const crVec light = side < 3 ? lines[side].n : -1.0 * lines[side].n;
            const double length = crLength(plane_.toPhoto(b) - plane_.toPhoto(a));
            const int count = std::clamp(static_cast<int>(length * (1.0 - 2.0 * kModelSkip) / kModelSpacing), 4, 100);
            int taken = 0;
            for (int k = 0; k < count; ++k) {
                const double s = kModelSkip + (1.0 - 2.0 * kModelSkip) * (k + 0.5) / count;
                crPath path;
                crModelPath p;
                if (!crMakePath(plane_, a + s * (b - a), along, light, &path) ||
                    !crSampleProfile(grey_, path, -reach, reach, &p.grey))
                    continue;
                // Every other sample: half a pixel apart is enough for a fit.
                for (size_t j = 0; 2 * j < p.grey.size(); ++j) p.grey[j] = p.grey[2 * j];
                p.grey.resize((p.grey.size() + 1) / 2);
                p.foot = path.foot, p.step = path.step, p.from = -reach;
                for (int m = 0; m < kLines; ++m) p.scale[m] = path.scaleAcross(lines[m]);
                paths_.push_back(std::move(p));
                ++taken;
            }
            if (taken < std::max(3, count / 2)) return false;
            // This side and the next of its triangle meet at corner side + 1;
            // the correlation of lying beyond them is the cosine between
            // their photograph normals there.
            const int next = side / 3 * 3 + (side + 1) % 3;
            crPath corner;
            if (!crMakePath(plane_, b, along, light, &corner)) return false;
            pair_[side] =
                crBinormal(crDot(crUnit(corner.photoNormal(lines[side])), crUnit(corner.photoNormal(lines[next]))));
        }
        return true;
    }

    // Predicted grey at offset x of path p, and its derivatives by the
    // parameters when `d` is given.
    double predict(const double* p, const crState& s, const crModelPath& path, double x, double* d) const {
        const crVec q = path.foot + x * path.step;
        double beyond[kLines], slope[kLines], turn[kLines], shift[kLines], cdf[kLines];
        for (int m = 0; m < kLines; ++m) {
            const crVec r = q - origin_[m];
            const double g = path.scale[m] / s.blur;
            beyond[m] = (crDot(s.n[m], r) - p[2 * m + 1]) * g;  // signed distance in blurs, positive outside
            turn[m] = crCross(s.n[m], r) * g;                   // its rates: the turned normal (-sin, cos) . r
            shift[m] = -g;
            slope[m] = 0.0;  // d inside / d beyond
        }
        double inside[2];
        for (int t = 0; t < 2; ++t) {
            double& in = inside[t];
            in = 1.0;
            for (int m = 3 * t; m < 3 * t + 3; ++m) {
                // Eight blurs from a line its step is flat to double precision.
                cdf[m] = beyond[m] > 8.0 ? 1.0 : beyond[m] < -8.0 ? 0.0 : crNormal(beyond[m]);
                in -= cdf[m];
                if (d && std::fabs(beyond[m]) <= 8.0) slope[m] -= crDensity(beyond[m]);
            }
            for (int m = 3 * t; m < 3 * t + 3; ++m) {
                const int o = 3 * t + (m + 1) % 3;
                const double h = beyond[m], k = beyond[o], r = pair_[m].r();
                // Beyond both is no likelier than beyond either, nor, as a
                // corner's sides are negatively correlated, than both apart.
                if ((r <= 0.0 ? cdf[m] * cdf[o] : std::min(cdf[m], cdf[o])) < 1e-7) continue;
                in += pair_[m](h, k);
                if (!d) continue;
                const double c = std::sqrt(std::max(1e-12, (1.0 - r) * (1.0 + r)));
                slope[m] += crDensity(h) * crNormal((k - r * h) / c);
                slope[o] += crDensity(k) * crNormal((h - r * k) / c);
            }
        }
        const double dark = inside[0] - inside[1];
        if (d) {
            double dBlur = 0.0;
            for (int m = 0; m < kLines; ++m) {
                const double du = m < 3 ? slope[m] : -slope[m];
                d[2 * static_cast<size_t>(m)] = -s.contrast * du * turn[m];
                d[2 * m + 1] = -s.contrast * du * shift[m];
                dBlur += du * -beyond[m];  // distances in blurs scale as 1 / blur
            }
            d[12] = -s.contrast * dBlur;
            d[13] = 1.0;
            d[14] = -dark;
        }
        return s.light - s.contrast * dark;
    }

    // Light and contrast by least squares at the starting lines and blur.
    void initialLevels() {
        double su = 0, sv = 0, suu = 0, suv = 0, n = 0;
        p_[13] = 0.0, p_[14] = -1.0;  // predict() then returns the dark share
        const crState s = state(p_);
        for (const crModelPath& path : paths_)
            for (size_t j = 0; j < path.grey.size(); ++j) {
                const double u = predict(p_, s, path, path.from + j * kModelStep, nullptr), v = path.grey[j];
                su += u, sv += v, suu += u * u, suv += u * v, n += 1;
            }
        const double var = suu - su * su / n, slope = var > 1e-9 ? (suv - su * sv / n) / var : 0.0;
        p_[14] = -slope, p_[13] = (sv - slope * su) / n;
    }

    // The robust deviation of the samples from the model at p_.
    double deviation() const {
        std::vector<double> r;
        const crState s = state(p_);
        for (const crModelPath& path : paths_)
            for (size_t j = 0; j < path.grey.size(); ++j)
                r.push_back(std::fabs(path.grey[j] - predict(p_, s, path, path.from + j * kModelStep, nullptr)));
        return 1.4826 * crMedian(r);
    }

    // Fits p_ to every sample, residuals beyond 2.5 robust deviations of the
    // start on the Huber loss's straight part.
    bool solve() {
        problem_ = std::make_unique<ceres::Problem>();
        const double huber = std::max(1.0, 2.5 * deviation());
        for (const crModelPath& path : paths_)
            problem_->AddResidualBlock(new crPathCost(*this, path, huber), nullptr, p_);
        ceres::Solver::Options solver;
        solver.linear_solver_type = ceres::DENSE_NORMAL_CHOLESKY;  // 15 parameters
        solver.max_num_iterations = 30;
        // A step that gains less than this share of the cost ends the fit;
        // the corners would move by a few thousandths of a pixel more.
        solver.function_tolerance = 1e-5;
        solver.logging_type = ceres::SILENT;
        ceres::Solver::Summary summary;
        ceres::Solve(solver, problem_.get(), &summary);
        noise_ = deviation();
        return summary.IsSolutionUsable() && std::isfinite(p_[12]) && std::fabs(p_[12]) < 3.0;
    }

    // Standard deviations of the corners in pixels, from the fit's
    // covariance, widened by the noise and for correlated samples.
    void cornerSpread(double spread[2]) {
        spread[0] = spread[1] = INFINITY;
        ceres::Covariance::Options options;
        options.algorithm_type = ceres::DENSE_SVD;
        ceres::Covariance covariance(options);
        double cov[kParams][kParams];
        const std::vector<const double*> blocks = {p_};
        if (!covariance.Compute(blocks, problem_.get()) || !covariance.GetCovarianceMatrix(blocks, &cov[0][0])) return;
        const double widen = noise_ * noise_ * kCorrelation * kCorrelation;
        const crState s = state(p_);
        crVec t[6];
        corners(p_, t);
        spread[0] = spread[1] = 0.0;
        for (int i = 0; i < 6; ++i) {
            // Corner i, where lines i - 1 and i of its triangle meet, moves
            // by `slide` per unit shift of either line, and per unit turn by
            // that times the turned normal's reach to the line's origin.
            const int lines[2] = {i / 3 * 3 + (i + 2) % 3, i};
            const crVec na = s.n[lines[0]], nb = s.n[lines[1]];
            const double det = crCross(na, nb);
            const crVec slide[2] = {(1.0 / det) * crVec{nb.y, -nb.x}, (1.0 / det) * crVec{-na.y, na.x}};
            // Photograph pixels per plane unit along x and y there.
            const crVec jx = plane_.toPhoto(t[i] + crVec{0.5, 0.0}) - plane_.toPhoto(t[i] - crVec{0.5, 0.0});
            const crVec jy = plane_.toPhoto(t[i] + crVec{0.0, 0.5}) - plane_.toPhoto(t[i] - crVec{0.0, 0.5});
            int index[4];
            crVec grad[4];
            for (int k = 0; k < 4; ++k) {
                const int m = lines[k / 2];
                index[k] = 2 * m + k % 2;
                const crVec q = (k % 2 ? 1.0 : crCross(s.n[m], origin_[m] - t[i])) * slide[k / 2];
                grad[k] = q.x * jx + q.y * jy;
            }
            double var = 0.0;
            for (int u = 0; u < 4; ++u)
                for (int v = 0; v < 4; ++v) var += crDot(grad[u], grad[v]) * cov[index[u]][index[v]];
            spread[i / 3] = std::max(spread[i / 3], std::sqrt(std::max(0.0, widen * var)));
        }
    }

    const crGrey& grey_;
    const crPlane& plane_;
    crVec origin_[kLines];
    crBinormal pair_[kLines];
    double p_[kParams];
    double noise_ = 0.0;
    std::vector<crModelPath> paths_;
    std::unique_ptr<ceres::Problem> problem_;  // the last fit's, for its covariance
};

// ---- Putting it together ----------------------------------------------------

// Whether photograph corners make a triangle worth refining: inside the
// photograph, with room between its sides.
bool crPlausible(const Point2f c[3], const CameraParam* cam) {
    crVec p[3];
    for (int i = 0; i < 3; ++i) {
        if (!(c[i].x >= 0.0f && c[i].y >= 0.0f && c[i].x <= cam->imageWidth - 1 && c[i].y <= cam->imageHeight - 1))
            return false;
        p[i] = {c[i].x, c[i].y};
    }
    const double longest = std::max({crLength(p[1] - p[0]), crLength(p[2] - p[1]), crLength(p[0] - p[2])});
    return longest > 0.0 && std::fabs(crCross(p[1] - p[0], p[2] - p[0])) / longest >= 4.0;  // least height
}

bool crToPlane(const crPlane& plane, const Point2f corners[3], crVec t[3]) {
    for (int i = 0; i < 3; ++i)
        if (!plane.fromPhoto({corners[i].x, corners[i].y}, &t[i])) return false;
    return true;
}

void crToPhoto(const crPlane& plane, const crVec t[3], Point2f out[3]) {
    for (int i = 0; i < 3; ++i) {
        const crVec p = plane.toPhoto(t[i]);
        out[i] = {static_cast<float>(p.x), static_cast<float>(p.y)};
    }
}

// Whether refined corners stayed within the starting triangle's shortest
// side of where they started; if not, the fit latched onto something else.
bool crStayed(const crPlane& plane, const crVec t[3], const Point2f start[3]) {
    double shortest = INFINITY;
    for (int i = 0; i < 3; ++i) {
        const Point2f a = start[i], b = start[(i + 1) % 3];
        shortest = std::min<double>(shortest, std::hypot(b.x - a.x, b.y - a.y));
    }
    for (int i = 0; i < 3; ++i) {
        const crVec p = plane.toPhoto(t[i]);
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::hypot(p.x - start[i].x, p.y - start[i].y) > shortest)
            return false;
    }
    return true;
}

}  // namespace

int camrig::refineCorners(const unsigned char* photo, const CameraParam* cam, Point2f corners[12]) {
    if (!photo || !cam || !corners || cam->imageWidth < 2 || cam->imageHeight < 2) return 0;
    const crPlane plane(cam);
    const crGrey grey(photo, cam->imageWidth, cam->imageHeight);
    crLobeRefiner lobes(grey, plane);
    crTargetModel model(grey, plane);
    int refined = 0;
    for (int k = 0; k < 2; ++k) {
        Point2f* outer = corners + 3 * static_cast<size_t>(k);
        Point2f* hole = corners + 6 + 3 * static_cast<size_t>(k);
        crVec t[6];
        if (!crPlausible(outer, cam) || !crToPlane(plane, outer, t)) continue;
        // The lobes bring rough corners closer; where blur spreads them past
        // their windows, the model starts from the corners given.
        lobes.refine(t);
        // The detector's hole corners can be far off, so the hole is sought
        // afresh inside the outline.
        crSeedHole(grey, plane, t, t + 3);
        double spread[2];
        if (!model.fit(t, spread) || !(spread[0] < kMaxSpread) || !crStayed(plane, t, outer)) continue;
        crToPhoto(plane, t, outer);
        refined |= 1 << k;
        if (spread[1] < kMaxSpread && crInside(t, t[3]) && crInside(t, t[4]) && crInside(t, t[5])) {
            crToPhoto(plane, t + 3, hole);
            refined |= 4 << k;
        }
    }
    return refined;
}
