// End-of-line calibration targets, placed where the corner detector searches
// for them.
#include <cmath>

#include "render.h"
#include "scene.h"

namespace {

// The detector's fixed search windows, in photograph pixels, as the header
// documents them for crDetectCorner: rows rowA..rowB and columns colA..colB
// of targets 0 and 1 for each mode.
struct SceneWindow {
    int rowA, colA, rowB, colB;
};

const SceneWindow kSearchWindows[4][2] = {
    {{277, 32, 356, 137}, {284, 578, 365, 687}},
    {{249, 61, 348, 155}, {242, 563, 344, 659}},
    {{63, 75, 141, 121}, {173, 640, 288, 683}},
    {{211, 56, 322, 102}, {42, 586, 114, 642}},
};

// The hole's size relative to the outer triangle: the dark band left around
// it is (1 - ratio) / (2 sqrt 3), about a sixth of the side, wide enough to
// survive binarisation as one blob with one hole.
const float kHoleRatio = 0.42f;

// Limits of the largest target that a window takes: photograph pixels kept
// clear inside the search window, and reach on the ground from the camera's
// foot. The reach binds in windows that climb to the horizon; it stays well
// short of where the renderer turns the ground into haze.
const float kWindowMargin = 5.0f;
const float kReach = 50000.0f;

// Upright equilateral triangle of the given side on the photograph, turned
// clockwise (rows grow downward), apex first and then clockwise. Its
// bounding box, not its centroid, is centred on `centre`, so that apex and
// base get equal room in the window.
void crPhotoTriangle(Point2f centre, float side, float turn, Point2f corners[3]) {
    const float radius = side / std::sqrt(3.0f);
    float x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    for (int i = 0; i < 3; ++i) {
        const float a = static_cast<float>(crSceneRadians(turn + 120.0f * i));
        corners[i] = {radius * std::sin(a), -radius * std::cos(a)};
        x0 = std::fmin(x0, corners[i].x), x1 = std::fmax(x1, corners[i].x);
        y0 = std::fmin(y0, corners[i].y), y1 = std::fmax(y1, corners[i].y);
    }
    const float dx = centre.x - 0.5f * (x0 + x1), dy = centre.y - 0.5f * (y0 + y1);
    for (int i = 0; i < 3; ++i) corners[i] = {corners[i].x + dx, corners[i].y + dy};
}

// Whether a triangle's corners lie inside the search window, clear of its
// edges, on ground within reach.
bool crFits(const CameraParam& cam, const SceneCamera& camera, const SceneWindow& p, const Point2f corners[3]) {
    for (int i = 0; i < 3; ++i) {
        const Point2f px = corners[i];
        if (!(px.x >= p.colA + kWindowMargin && px.x <= p.colB - kWindowMargin && px.y >= p.rowA + kWindowMargin &&
              px.y <= p.rowB - kWindowMargin))
            return false;
        Point2f g;
        if (!camera.toGround(px.x, px.y, &g, nullptr) || std::hypot(g.x - cam.positionX, g.y - cam.positionY) > kReach)
            return false;
    }
    return true;
}

// Side of the largest triangle about `centre` that fits, by bisection; 0 when
// none does.
float crLargestSide(const CameraParam& cam, const SceneCamera& camera, const SceneWindow& p, Point2f centre,
                    float turn) {
    float fits = 0.0f, fails = static_cast<float>(cam.imageWidth + cam.imageHeight);
    Point2f corners[3];
    for (int i = 0; i < 40; ++i) {
        const float side = 0.5f * (fits + fails);
        crPhotoTriangle(centre, side, turn, corners);
        (crFits(cam, camera, p, corners) ? fits : fails) = side;
    }
    return fits;
}

// A ground point as a surveyor marks it, in whole millimetres.
Point2f crSurveyed(Point2f g) { return {std::round(g.x), std::round(g.y)}; }

}  // namespace

void crSceneTargets(const CameraParam& cam, int mode, const ScenePlacement& where, SceneTarget out[2]) {
    const SceneCamera camera(cam);
    for (int k = 0; k < 2; ++k) {
        const SceneWindow& p = kSearchWindows[mode][k];
        const Point2f centre = {0.5f * (p.colA + p.colB) + where.shiftX * (p.colB - p.colA),
                                0.5f * (p.rowA + p.rowB) + where.shiftY * (p.rowB - p.rowA)};
        const float side = where.size * crLargestSide(cam, camera, p, centre, where.turn);
        Point2f corners[3], outer[3] = {};
        crPhotoTriangle(centre, side, where.turn, corners);
        // A shift that leaves no room collapses the target to its centre,
        // which may be sky: (0, 0) then.
        for (int i = 0; i < 3; ++i) camera.toGround(corners[i].x, corners[i].y, &outer[i], nullptr);
        // The hole is the outer triangle shrunk about its centroid on the
        // ground, as the target is cut.
        const float gx = (outer[0].x + outer[1].x + outer[2].x) / 3.0f;
        const float gy = (outer[0].y + outer[1].y + outer[2].y) / 3.0f;
        for (int i = 0; i < 3; ++i) {
            out[k].outer[i] = crSurveyed(outer[i]);
            out[k].hole[i] = crSurveyed({gx + kHoleRatio * (outer[i].x - gx), gy + kHoleRatio * (outer[i].y - gy)});
        }
    }
}

void crSceneTargetCorners(const SceneTarget targets[2], Point2f ground[12]) {
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < 3; ++i) {
            ground[3 * k + i] = targets[k].outer[i];
            ground[6 + 3 * k + i] = targets[k].hole[i];
        }
}

void crSceneMatchCorners(const Point2f found[12], const Point2f reference[12], int match[12], float distance[12]) {
    for (int i = 0; i < 12; ++i) {
        const int first = i / 3 * 3;
        match[i] = first, distance[i] = INFINITY;
        for (int j = first; j < first + 3; ++j) {
            const float d = std::hypot(found[i].x - reference[j].x, found[i].y - reference[j].y);
            if (d < distance[i]) distance[i] = d, match[i] = j;
        }
    }
}

float crSceneCornerError(const Point2f found[12], const Point2f reference[12], int first, int last) {
    int match[12];
    float distance[12], worst = 0.0f;
    crSceneMatchCorners(found, reference, match, distance);
    for (int i = 3 * first; i < 3 * last + 3; ++i) worst = std::fmax(worst, distance[i]);
    return worst;
}
