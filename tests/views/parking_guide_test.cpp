// Parking-guide points: band sizes and separators, straight runs, arcs about
// the turning centre, single-point bands, projection to pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "camrig.h"
#include "support/calibration_scene.h"

namespace {

// Lines 2000 apart, wheelbase 2600, length 4600 (overhang 1000), start
// offset 200, lateral shift Y' = 1300 + 100, bands ending at 600, 1400, 3000.
constexpr float kShift = 1400.0f;

struct Guide {
    PgsParam g{};
    std::vector<Point2f> points;

    Guide(int pointCount, int steeringAngle) : points(pointCount + 4, Point2f{7.0f, 7.0f}) {
        g.guideWidth = 2000;
        g.wheelbase = 2600;
        g.vehicleLength = 4600;
        g.steeringAngle = steeringAngle;
        g.startOffset = 200;
        g.axleOffset = 100;
        g.pointCount = pointCount;
        g.band1Distance = 600;
        g.band2Distance = 1400;
        g.band3Distance = 3000;
        EXPECT_EQ(crGetPGSWorldPoints(&g, points.data()), 0);
    }
};

bool IsSeparator(const Point2f& p) { return p.x == -1.0f && p.y == -1.0f; }

// Angle of a point on the circle of the line at offset x0: the point is
// (R, -Y') + (x0 - R) (cos phi, sin phi) once its y is negated.
float Angle(const Point2f& p, float radius, float x0) {
    return std::atan2((p.y + kShift) / (x0 - radius), (p.x - radius) / (x0 - radius));
}

TEST(GuideWorldPoints, BandSizesAndSeparators) {
    Point2f none[1];
    EXPECT_EQ(crGetPGSWorldPoints(nullptr, none), -5);
    // Points per line 4, 2, 4 | 2, 1, 2 | 2, 2, 2 | 20, 12, 17; an odd capacity
    // leaves its last point unused.
    const int cases[][4] = {{22, 9, 5, 8}, {12, 5, 3, 4}, {14, 5, 5, 4}, {100, 41, 25, 34}, {23, 9, 5, 8}};
    for (const auto& c : cases) {
        for (int angle : {0, 25}) {
            SCOPED_TRACE(testing::Message() << "capacity " << c[0] << ", angle " << angle);
            const Guide guide(c[0], angle);
            EXPECT_EQ(guide.g.bandCount, 3);
            EXPECT_EQ((std::vector<int>{guide.g.band1Points, guide.g.band2Points, guide.g.band3Points}),
                      (std::vector<int>{c[1], c[2], c[3]}));
            const int total = c[1] + c[2] + c[3];
            EXPECT_EQ(guide.g.pointCount, total);
            for (int i = 0; i < total; ++i) {
                EXPECT_EQ(IsSeparator(guide.points[i]), i == c[1] - 1 || i == c[1] + c[2] - 1) << i;
                EXPECT_TRUE(std::isfinite(guide.points[i].x + guide.points[i].y)) << i;
            }
            EXPECT_EQ(guide.points[total].x, 7.0f) << "wrote past the outline";
        }
    }
}

TEST(GuideWorldPoints, StraightRunsForZeroSteering) {
    const Guide guide(22, 0);
    EXPECT_TRUE(std::isinf(guide.g.turnRadius));
    // Band 1: right line near to far, left line back, 4 points from y0 = 1200
    // over 600; band 3 from 1200 + 1400 over 1600. Every y is negated.
    for (int i = 0; i < 4; ++i) {
        const float y = -(1200.0f + 200.0f * i + kShift);
        EXPECT_EQ(guide.points[i].x, 1000.0f);
        EXPECT_FLOAT_EQ(guide.points[i].y, y);
        EXPECT_EQ(guide.points[7 - i].x, -1000.0f);
        EXPECT_FLOAT_EQ(guide.points[7 - i].y, y);
    }
    EXPECT_FLOAT_EQ(guide.points[17].y, -(2600.0f + 1600.0f + kShift));
    // A single point per line (12 points, band 2) sits at the band's start.
    const Guide single(12, 0);
    EXPECT_EQ(single.points[5].y, -(1800.0f + kShift));
    EXPECT_EQ(single.points[6].y, -(1800.0f + kShift));
}

TEST(GuideWorldPoints, ArcsAboutTheTurningCentre) {
    for (int angle : {30, -20}) {
        SCOPED_TRACE(angle);
        const Guide guide(22, angle);
        const float radius = 2600.0f / tanf(-static_cast<float>(angle * 0.017453292519943295));
        EXPECT_EQ(guide.g.turnRadius, radius);
        // Outline indices of the right and left line of each band.
        const int bands[3][3] = {{0, 4, 8}, {9, 11, 13}, {14, 18, 22}};
        for (const auto& b : bands) {
            for (int i = b[0]; i < b[2]; ++i) {
                const float expected = std::fabs((i < b[1] ? 1000.0f : -1000.0f) - radius);
                EXPECT_NEAR(std::hypot(guide.points[i].x - radius, guide.points[i].y + kShift), expected,
                            expected * 1e-5) << i;
            }
        }
        // Band 1 turns each line from y0 / (R - x) to (600 + overhang) / R;
        // band 2 starts both at y0 / R.
        EXPECT_NEAR(Angle(guide.points[0], radius, 1000.0f), 1200.0f / (radius - 1000.0f), 1e-5);
        EXPECT_NEAR(Angle(guide.points[7], radius, -1000.0f), 1200.0f / (radius + 1000.0f), 1e-5);
        EXPECT_NEAR(Angle(guide.points[3], radius, 1000.0f), 1600.0f / radius, 1e-5);
        EXPECT_NEAR(Angle(guide.points[9], radius, 1000.0f), 1800.0f / radius, 1e-5);
        EXPECT_NEAR(Angle(guide.points[12], radius, -1000.0f), 1800.0f / radius, 1e-5);
    }
}

TEST(GuideToImage, UndoesTheNegationAndKeepsSeparators) {
    const Guide guide(22, 10);
    CameraParam cam = crEquidistantCamera();
    cam.positionZ = -1000.0f;  // looking straight down
    std::vector<Point2f> ground(guide.points.begin(), guide.points.begin() + 22), expected(22), pixels(22);
    for (Point2f& p : ground)
        if (!IsSeparator(p)) p.y = -p.y;
    crWorldToImage2D(&cam, ground.data(), expected.data(), 22);
    EXPECT_EQ(crGetPGSWorldToImage(&cam, guide.points.data(), pixels.data(), 22), 0);
    for (int i = 0; i < 22; ++i) {
        EXPECT_EQ(pixels[i].x, expected[i].x) << i;
        EXPECT_EQ(pixels[i].y, expected[i].y) << i;
        EXPECT_EQ(IsSeparator(pixels[i]), i == 8 || i == 13) << i;
    }
}

}  // namespace
