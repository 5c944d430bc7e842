// Corner refinement on the scene's calibration photographs: within half a pixel of the true corners, whether or
// not the detector was within a pixel, and starts that show no target are left as they were given.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "camrig_toolkit/corners.h"
#include "scene/scene.h"
#include "support/emulation.h"
#include "support/same_bytes.h"

namespace {

struct Condition {
    const char* name;
    ScenePhotoConditions photo;
    ScenePlacement where;
};

ScenePhotoConditions crPhoto(unsigned char floor, unsigned char target, float blur, float noise, unsigned seed = 1) {
    ScenePhotoConditions how;
    how.floor = floor, how.target = target, how.blur = blur, how.noise = noise, how.seed = seed;
    return how;
}

ScenePlacement crWhere(float size, float shiftX = 0.0f, float turn = 0.0f) {
    ScenePlacement where;
    where.size = size, where.shiftX = shiftX, where.turn = turn;
    return where;
}

// A rig camera's photograph in its own mode, the true corners in the detector's order, and the detector's corners.
struct Shot {
    CameraParam cam;
    std::vector<unsigned char> photo;
    Point2f truth[12];
    Point2f detected[12];
};

Shot crShoot(int slot, const Condition& c) {
    CameraParam rig[4];
    crSceneRig(rig);
    Shot s;
    s.cam = rig[slot];
    SceneTarget targets[2];
    crSceneTargets(s.cam, slot, c.where, targets);
    s.photo = crScenePhotograph(s.cam, targets, 2, c.photo);
    for (size_t k = 0; k < 2; ++k) {
        crWorldToImage2D(&s.cam, targets[k].outer, s.truth + 3 * k, 3);
        crWorldToImage2D(&s.cam, targets[k].hole, s.truth + 6 + 3 * k, 3);
    }
    CameraParam cam = s.cam;
    crDetectCorner(s.photo.data(), &cam, slot);
    std::copy(cam.imagePoints, cam.imagePoints + 12, s.detected);
    return s;
}

// Refines every camera's detection; expects all four triangles refined to within half a pixel, holes in the order of
// their outlines, and the detector's outline (its hole corners are off by more here) to lie within one pixel or not,
// as `detectorOutlineNear`.
void crExpectRefined(const Condition& c, bool detectorOutlineNear) {
    float detectorOutline = 0.0f;
    for (int slot = 0; slot < 4; ++slot) {
        const Shot s = crShoot(slot, c);
        detectorOutline = std::max(detectorOutline, crSceneCornerError(s.detected, s.truth, 0, 1));
        Point2f corners[12];
        std::copy(s.detected, s.detected + 12, corners);
        EXPECT_EQ(camrig::refineCorners(s.photo.data(), &s.cam, corners), 0xF) << c.name << ", camera " << slot;
        int match[12];
        float distance[12];
        crSceneMatchCorners(corners, s.truth, match, distance);
        for (int i = 0; i < 12; ++i) {
            EXPECT_LT(distance[i], 0.5f) << c.name << ", camera " << slot << ", corner " << i;
            // A refined hole corner faces the outline corner of the same place in the order, as the true ones do.
            if (i >= 6) {
                EXPECT_EQ(match[i] - 6, match[i - 6]) << c.name << ", camera " << slot << ", corner " << i;
            }
        }
    }
    EXPECT_EQ(detectorOutline <= 1.0f, detectorOutlineNear) << c.name << ": detector outline " << detectorOutline;
}

TEST(CornerRefine, WithinHalfAPixelWhereTheDetectorsOutlineIsWithinOne) {
    const Condition conditions[] = {
        {"contrast 180/50", crPhoto(180, 50, 0.0f, 0.0f), crWhere(0.7f)},
        {"contrast 150/80", crPhoto(150, 80, 0.0f, 0.0f), crWhere(0.7f)},
        {"blur 0.5", crPhoto(200, 30, 0.5f, 0.0f), crWhere(0.7f)},
    };
    for (size_t i = 0; i < std::size(conditions); ++i)
        if (crCaseRuns(i, 3)) crExpectRefined(conditions[i], true);
}

TEST(CornerRefine, WithinHalfAPixelWhereTheDetectorIsOffByMore) {
    const Condition conditions[] = {
        {"blur 1.5", crPhoto(200, 30, 1.5f, 0.0f), crWhere(0.7f)},
        {"blur 2", crPhoto(200, 30, 2.0f, 0.0f), crWhere(0.7f)},
        {"noise 20", crPhoto(200, 30, 0.0f, 20.0f, 3), crWhere(0.7f)},
        {"blur 1, noise 5", crPhoto(200, 30, 1.0f, 5.0f, 2), crWhere(0.7f)},
        {"shifted", crPhoto(200, 30, 0.0f, 0.0f), crWhere(0.7f, -0.15f)},
        {"turned", crPhoto(200, 30, 0.0f, 0.0f), crWhere(0.7f, 0.0f, 20.0f)},
    };
    for (size_t i = 0; i < std::size(conditions); ++i)
        if (crCaseRuns(i, 3)) crExpectRefined(conditions[i], false);
}

// A start that shows no target keeps its corners, and an outline that is not refined keeps its hole as given too;
// a hole is sought afresh inside its outline, so a bad hole start does not matter.
TEST(CornerRefine, StartsThatShowNoTargetAreKeptAsGiven) {
    const Shot s = crShoot(0, {"default", crPhoto(200, 30, 0.0f, 0.0f), crWhere(0.7f)});
    const float middle = s.cam.imageWidth / 2.0f;
    struct Start {
        const char* name;
        int triangle;  // 3 * triangle is its first corner
        void (*spoil)(Point2f corners[3], float middle);
        bool refined;
    };
    const Start starts[] = {
        {"outline at zero", 0,
         [](Point2f c[3], float) {
             std::fill(c, c + 3, Point2f{0.0f, 0.0f});
         },
         false},
        {"outline collapsed", 1, [](Point2f c[3], float) { std::fill(c, c + 3, c[0]); }, false},
        {"outline not a number", 0, [](Point2f c[3], float) { c[1].x = NAN; }, false},
        {"outline on the bare floor", 1,
         [](Point2f c[3], float m) {
             for (int i = 0; i < 3; ++i) c[i].x += 0.5f * (m - c[i].x);
         },
         false},
        {"hole at zero", 2,
         [](Point2f c[3], float) {
             std::fill(c, c + 3, Point2f{0.0f, 0.0f});
         },
         true},
    };
    for (const Start& start : starts) {
        Point2f given[12], corners[12];
        std::copy(s.detected, s.detected + 12, given);
        start.spoil(given + 3 * size_t(start.triangle), middle);
        std::copy(given, given + 12, corners);
        const int refined = camrig::refineCorners(s.photo.data(), &s.cam, corners);
        const int t = start.triangle, other = t < 2 ? 1 - t : 5 - t;
        EXPECT_EQ(refined >> t & 1, start.refined) << start.name;
        EXPECT_TRUE(refined >> other & 1) << start.name;  // the other target does not care
        if (start.refined) {
            EXPECT_LT(crSceneCornerError(corners, s.truth, t, t), 0.5f) << start.name;
            continue;
        }
        // Kept bit for bit (a not-a-number stays one), and so is the unrefined outline's hole.
        for (const int kept : {t, t + 2})
            for (int i = 3 * kept; i < 3 * kept + 3; ++i)
                EXPECT_TRUE(crSameBytes(corners[i], given[i])) << start.name << ", corner " << i;
    }
}

}  // namespace
