// Parking-guide points: band sizes and separators, straight runs and arcs
// about the turning centre, single-point bands, and projection to pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "camrig.h"
#include "support/calibration_scene.h"
#include "views/views.h"

namespace {

// Guide lines 2000 apart for a 2600 wheelbase, 4600 long vehicle (overhang
// 1000), bands ending at 600, 1400 and 3000.
PgsParam Guide(int pointCount, int steeringAngle) {
    PgsParam g{};
    g.guideWidth = 2000;
    g.wheelbase = 2600;
    g.vehicleLength = 4600;
    g.steeringAngle = steeringAngle;
    g.startOffset = 200;
    g.axleOffset = 100;  // lateral shift Y' = 1300 + 100
    g.pointCount = pointCount;
    g.band1Distance = 600;
    g.band2Distance = 1400;
    g.band3Distance = 3000;
    return g;
}

constexpr float kShift = 1400.0f;
constexpr float kOverhang = 1000.0f;

struct GuideRun {
    PgsParam g;
    std::vector<Point2f> points;
};

GuideRun Build(int pointCount, int steeringAngle) {
    GuideRun run{Guide(pointCount, steeringAngle), std::vector<Point2f>(pointCount + 8, Point2f{7.0f, 7.0f})};
    EXPECT_EQ(crGetPGSWorldPoints(&run.g, run.points.data()), 0);
    return run;
}

bool IsSeparator(const Point2f& p) { return p.x == -1.0f && p.y == -1.0f; }

TEST(GuideWorldPoints, NullRecord) {
    Point2f out[4] = {};
    EXPECT_EQ(crGetPGSWorldPoints(nullptr, out), -5);
}

TEST(GuideWorldPoints, BandSizesAndSeparators) {
    struct Case {
        int capacity, band1, band2, band3;
    };
    // Per line: 22 -> 4, 2, 4; 12 -> 2, 1, 2; 14 -> 2, 2, 2; 100 -> 20, 12, 17;
    // an odd capacity leaves its last point unused.
    for (const Case& c : {Case{22, 9, 5, 8}, Case{12, 5, 3, 4}, Case{14, 5, 5, 4}, Case{100, 41, 25, 34},
                          Case{23, 9, 5, 8}}) {
        for (int angle : {0, 25}) {
            SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << ", angle " << angle);
            const GuideRun run = Build(c.capacity, angle);
            EXPECT_EQ(run.g.bandCount, 3);
            EXPECT_EQ(run.g.band1Points, c.band1);
            EXPECT_EQ(run.g.band2Points, c.band2);
            EXPECT_EQ(run.g.band3Points, c.band3);
            const int total = c.band1 + c.band2 + c.band3;
            EXPECT_EQ(run.g.pointCount, total);
            for (int i = 0; i < total; ++i) {
                const bool separator = i == c.band1 - 1 || i == c.band1 + c.band2 - 1;
                EXPECT_EQ(IsSeparator(run.points[i]), separator) << i;
                EXPECT_TRUE(std::isfinite(run.points[i].x) && std::isfinite(run.points[i].y)) << i;
            }
            EXPECT_EQ(run.points[total].x, 7.0f) << "wrote past the outline";
        }
    }
}

TEST(GuideWorldPoints, StraightRunsForZeroSteering) {
    const GuideRun run = Build(22, 0);
    EXPECT_TRUE(std::isinf(run.g.turnRadius));
    EXPECT_EQ(run.g.arcOffset, 0.0f);
    // Band 1: 4 points per line from y0 = 200 + 1000 over 600, every y negated.
    const float near = -(200.0f + kOverhang + kShift);
    const std::vector<float> ys = {near, near - 200.0f, near - 400.0f, near - 600.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(run.points[i].x, 1000.0f);
        EXPECT_FLOAT_EQ(run.points[i].y, ys[i]);
        EXPECT_EQ(run.points[7 - i].x, -1000.0f);  // left line runs back
        EXPECT_FLOAT_EQ(run.points[7 - i].y, ys[i]);
    }
    // Band 3 starts after band 2's distance and spans 3000 - 1400.
    EXPECT_FLOAT_EQ(run.points[14].y, -(200.0f + kOverhang + 1400.0f + kShift));
    EXPECT_FLOAT_EQ(run.points[17].y, -(200.0f + kOverhang + 1400.0f + 1600.0f + kShift));
    EXPECT_EQ(run.g.segmentStart, 1400);
    EXPECT_EQ(run.g.segmentEnd, 3000.0f);
}

// Angle of a point about the turning centre, measured from the line's own
// offset: the unnegated point is centre + (x0 - R) (cos phi, -sin phi).
float AngleOnLine(const Point2f& p, float radius, float x0) {
    const float scale = x0 - radius;
    return std::atan2((p.y + kShift) / scale, (p.x - radius) / scale);
}

TEST(GuideWorldPoints, ArcsAboutTheTurningCentre) {
    for (int angle : {30, -20}) {
        SCOPED_TRACE(angle);
        const GuideRun run = Build(22, angle);
        const float radius = 2600.0f / tanf(-static_cast<float>(angle * 0.017453292519943295));
        EXPECT_EQ(run.g.turnRadius, radius);
        // Outline of band 1: right line at indices 0..3, left line 4..7.
        const int bands[3][2] = {{0, 8}, {9, 13}, {14, 22}};
        for (const auto& band : bands) {
            const int perLine = (band[1] - band[0]) / 2;
            for (int i = band[0]; i < band[0] + 2 * perLine; ++i) {
                const bool right = i < band[0] + perLine;
                const float expected = std::fabs((right ? 1000.0f : -1000.0f) - radius);
                const double distance = std::hypot(run.points[i].x - radius, run.points[i].y + kShift);
                EXPECT_NEAR(distance, expected, expected * 1e-5) << i;
            }
        }
        // Band 1's right line turns from y0 / (R - xR) to (600 + overhang) / R.
        EXPECT_NEAR(AngleOnLine(run.points[0], radius, 1000.0f), 1200.0f / (radius - 1000.0f), 1e-5);
        EXPECT_NEAR(AngleOnLine(run.points[3], radius, 1000.0f), (600.0f + kOverhang) / radius, 1e-5);
        // Band 2 starts both lines at the centre line's angle y0 / R.
        EXPECT_NEAR(AngleOnLine(run.points[9], radius, 1000.0f), 1800.0f / radius, 1e-5);
        EXPECT_NEAR(AngleOnLine(run.points[12], radius, -1000.0f), 1800.0f / radius, 1e-5);
    }
}

TEST(GuideWorldPoints, SinglePointBandSitsAtItsStart) {
    // 12 points: band 2 has one point per line, starting at y0 = 200 + 1000 + 600.
    const GuideRun straight = Build(12, 0);
    EXPECT_EQ(straight.points[5].x, 1000.0f);
    EXPECT_EQ(straight.points[6].x, -1000.0f);
    EXPECT_EQ(straight.points[5].y, -(1800.0f + kShift));
    EXPECT_EQ(straight.points[6].y, -(1800.0f + kShift));

    const GuideRun arc = Build(12, 15);
    const float radius = arc.g.turnRadius;
    EXPECT_NEAR(AngleOnLine(arc.points[5], radius, 1000.0f), 1800.0f / radius, 1e-5);
    EXPECT_NEAR(AngleOnLine(arc.points[6], radius, -1000.0f), 1800.0f / radius, 1e-5);
}

TEST(GuideBand, BuildsBothLinesInOrder) {
    PgsParam g = Guide(0, 0);
    g.segmentStart = 0;
    g.segmentEnd = 300.0f;
    Point2f left[3], right[3];
    EXPECT_EQ(crBuildGuideBand(3, &g, -50.0f, 50.0f, 10.0f, left, right), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(left[i].x, -50.0f);
        EXPECT_EQ(right[i].x, 50.0f);
        EXPECT_EQ(left[i].y, -(10.0f + 150.0f * i + kShift));
        EXPECT_EQ(right[i].y, left[i].y);
    }
}

TEST(GuideToImage, UndoesTheNegationAndKeepsSeparators) {
    const GuideRun run = Build(22, 10);
    CameraParam cam = crEquidistantCamera();
    cam.positionZ = -1000.0f;  // looking straight down from 1000 units up
    const int count = run.g.pointCount;
    std::vector<Point2f> pixels(count), expected(count), ground(run.points.begin(), run.points.begin() + count);
    for (Point2f& p : ground)
        if (!IsSeparator(p)) p.y = -p.y;
    crWorldToImage2D(&cam, ground.data(), expected.data(), count);

    const std::vector<Point2f> input(run.points.begin(), run.points.begin() + count);
    EXPECT_EQ(crGetPGSWorldToImage(&cam, input.data(), pixels.data(), count), 0);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(pixels[i].x, expected[i].x) << i;
        EXPECT_EQ(pixels[i].y, expected[i].y) << i;
        EXPECT_EQ(input[i].y, run.points[i].y) << "input changed at " << i;
    }
    EXPECT_TRUE(IsSeparator(pixels[8]));
    EXPECT_TRUE(IsSeparator(pixels[13]));
    EXPECT_FALSE(IsSeparator(pixels[0]));
    EXPECT_EQ(crGetPGSWorldToImage(&cam, input.data(), pixels.data(), 0), 0);
}

}  // namespace
