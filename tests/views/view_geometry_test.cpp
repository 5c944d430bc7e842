// View-mode LUT and its inverse point, the overlay LUT, parking-guide points.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "view_support.h"

namespace {

TestLut Overlay(const ViewParam& view, int pictureWidth = 200, int pictureHeight = 100) {
    TestLut lut(view.outWidth, view.outHeight);
    crGetOverlayLUT(pictureWidth, pictureHeight, lut.rows.data(), &view);
    return lut;
}

bool Same(Point2f a, Point2f b) { return a.x == b.x && a.y == b.y; }
float Off(Point2f a, Point2f b) {  // the larger per-axis error, NaN if either is
    const float dx = std::fabs(a.x - b.x), dy = std::fabs(a.y - b.y);
    return dx > dy || std::isnan(dx) ? dx : dy;
}

struct ViewModeLut : testing::Test {  // the 640 x 480 test camera and its neutral view
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam);
};
using ViewModePoint = ViewModeLut;
using OverlayLut = ViewModeLut;

TEST_F(ViewModeLut, NeutralRecordWithoutLensIsTheIdentityInsideTheCamera) {
    const TestLut lut = crViewLut(view, 600, 400);  // a camera picture smaller than the view
    for (int r = 0; r < 480; r += 7)
        for (int c = 0; c < 640; ++c) {
            const bool inside = c < 600 && r < 400;
            EXPECT_TRUE(Same(lut.at(c, r), inside ? Point2f{float(c), float(r)} : Point2f{-1, -1})) << c << "," << r;
        }
    view.shiftX = 0.01f;  // X = 600 - 0.01 is kept
    EXPECT_NEAR(crViewLut(view, 600, 400).at(600, 0).x, 599.99f, 1e-4f);
}

TEST_F(ViewModeLut, LensCorrectionKeepsGroundLinesStraight) {
    cam.distortion[1] = -20.0f, cam.distortion[2] = 3.0f, view.flags = CR_VIEW_LENS;  // not equidistant
    const TestLut lut = crViewLut(view);
    for (int x = -200; x <= 200; x += 40) {  // the line y = x / 2 + 60 of the pinhole plane
        const Point2f ground{static_cast<float>(x), x / 2.0f + 60.0f};
        Point2f pixel;
        crFeatureDistortion(&ground, &pixel, &cam);
        EXPECT_LE(Off(lut.at(320 + x, 300 + x / 2), pixel), 1e-3f) << x;
    }
}

TEST_F(ViewModeLut, MirrorFlipAndZoomRelateToTheNeutralView) {
    view.flags = CR_VIEW_LENS;
    ViewParam mirrored = view, flipped = view, zoomed = view, tiny = view, none = view;
    mirrored.flags |= CR_VIEW_MIRROR, flipped.flags |= CR_VIEW_FLIP, zoomed.zoomX = zoomed.zoomY = 2.0f;
    tiny.zoomX = 0.0001f, none.zoomX = 0.0f;
    const TestLut n = crViewLut(view), m = crViewLut(mirrored), f = crViewLut(flipped), z = crViewLut(zoomed),
                  t = crViewLut(tiny), o = crViewLut(none);
    for (int r = 2; r < 480; r += 8)
        for (int c = 2; c < 640; c += 4) {
            EXPECT_TRUE(Same(m.at(c, r), n.at(640 - c, r))) << c << "," << r;
            EXPECT_TRUE(Same(f.at(c, r), n.at(c, 480 - r))) << c << "," << r;
            EXPECT_TRUE(Same(z.at(c, r), n.at(160 + c / 2, 120 + r / 2))) << c << "," << r;
            EXPECT_TRUE(Same(t.at(c, r), o.at(c, r))) << c << "," << r;
        }
}

TEST_F(ViewModeLut, KeystoneUsesTheCrossedCameraSizeAndTheOverlayTheViewSize) {
    view.keystoneX = 10.0f, view.keystoneY = -6.0f;
    const float tx = std::tan(float(10 * M_PI / 180)), ty = std::tan(float(-6 * M_PI / 180));
    const TestLut lut = crViewLut(view);  // 640 x 480
    EXPECT_NEAR(lut.at(420, 240).x, 320.0f + 100.0f / (100.0f * (2.0f * tx / 480.0f) + 1.0f), 1e-3f);
    EXPECT_NEAR(lut.at(320, 140).y, 240.0f - 100.0f / (-100.0f * (2.0f * ty / 640.0f) + 1.0f), 1e-3f);
    view.flags = CR_VIEW_LENS, view.outWidth = 600, view.outHeight = 400, view.keystoneY = 0.0f;
    EXPECT_NEAR(Overlay(view, 1000, 1000).at(420, 240).x, 500.0f + 100.0f / (100.0f * (2 * tx / 400) + 1), 1e-3f);
}

// bandWidth 3 about (320, 240): fold gaps 316, 317, 322, 323 around a flat
// 318..321; split gaps 319..321 with the halves pushed 4 pixels apart.
TEST_F(ViewModeLut, FoldAndSplitGapsInColumnsAndRows) {
    view.bandWidth = 3.0f;  // a band of 4 pixels
    for (uint32_t rowwise : {0u, static_cast<uint32_t>(CR_VIEW_ROWWISE)}) {
        SCOPED_TRACE(rowwise);
        const float mid = rowwise ? 240.0f : 320.0f;
        const auto along = [&](const TestLut& lut, int k) {  // -1 for a gap
            const Point2f p = rowwise ? lut.at(100, 240 + k) : lut.at(320 + k, 100);
            return Same(p, {-1, -1}) ? -1.0f : (rowwise ? p.y : p.x);
        };
        view.flags = CR_VIEW_FOLD | rowwise, view.modeParam = 0.3f;
        const TestLut fold = crViewLut(view);
        for (int k : {-4, -3, 2, 3}) EXPECT_EQ(along(fold, k), -1.0f) << k;
        for (int k = -2; k <= 1; ++k) EXPECT_NEAR(along(fold, k), mid + k, 1e-3f) << k;
        for (int k = 5; k < 100; k += 7) {  // symmetric side panels showing more than the flat view
            EXPECT_NEAR(along(fold, -k) - mid, mid - along(fold, k), 1e-3f) << k;
            EXPECT_GT(along(fold, k), mid + k) << k;
        }
        view.flags = CR_VIEW_SPLIT | rowwise, view.modeParam = 0.0f;
        const TestLut split = crViewLut(view);
        for (int k = -1; k <= 1; ++k) EXPECT_EQ(along(split, k), -1.0f) << k;
        for (int k = 2; k < 200; k += 13) {
            EXPECT_NEAR(along(split, k), mid + 4.0f + k, 1e-3f) << k;
            EXPECT_NEAR(along(split, -k), mid - 4.0f - k, 1e-3f) << k;
        }
        EXPECT_TRUE(rowwise || !split.valid(636, 100));  // pushed past the camera's right edge
    }
}

TEST_F(ViewModeLut, RadialCompressionNeedsAPositiveAngleExceptInTheOverlay) {
    view.flags = CR_VIEW_LENS;
    const TestLut lut = crViewLut(view), overlay = Overlay(view);
    view.flags |= CR_VIEW_RADIAL;
    for (float angle : {0.0f, -0.5f, 0.5f}) {
        view.modeParam = angle;
        EXPECT_EQ(crViewLut(view).at(100, 50).x == lut.at(100, 50).x, angle <= 0.0f) << angle;
        EXPECT_EQ(Overlay(view).at(360, 300).x == overlay.at(360, 300).x, angle == 0.0f) << angle;
    }
}

TEST_F(ViewModePoint, InvertsTheLutThroughEveryTransform) {
    view.flags = CR_VIEW_LENS | CR_VIEW_RADIAL, view.modeParam = 0.8f, view.rotation = 10.0f, view.zoomX = 1.3f;
    view.zoomY = 0.8f, view.keystoneX = 5.0f, view.keystoneY = 3.0f, view.shiftX = 7.0f, view.shiftY = -4.0f;
    view.centerX = 330.5f, view.centerY = 236.25f;
    const Point2f principal{cam.principalX, cam.principalY};
    Point2f out{};
    crGetViewModePoint(&principal, &out, &view);
    EXPECT_FLOAT_EQ(out.x, view.centerX + view.shiftX);
    EXPECT_FLOAT_EQ(out.y, view.centerY + view.shiftY);
    // The shear is inverted to first order, which is exact for one axis.
    const struct {
        float shearX, shearY;
        uint32_t flags;
    } cases[] = {
        {0.05f, 0.0f, view.flags}, {0.0f, -0.04f, view.flags | CR_VIEW_MIRROR | CR_VIEW_FLIP}, {0.0f, 0.0f, 0}};
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.shearX << " " << k.shearY << " " << k.flags);
        view.shearX = k.shearX, view.shearY = k.shearY, view.flags = k.flags;
        const TestLut lut = crViewLut(view);
        int checked = 0;
        for (int r = 0; r < 480; r += 11)
            for (int c = 0; c < 640; c += 11) {
                if (!lut.valid(c, r)) continue;
                const Point2f camera = lut.at(c, r);
                crGetViewModePoint(&camera, &out, &view);
                EXPECT_LE(Off(out, {float(c), float(r)}), 0.05f) << c << "," << r;
                ++checked;
            }
        EXPECT_GT(checked, 500);
    }
}

// With lens correction the view pixel (320 + X, 240 + Y) sees the ground point (X, Y).
TEST_F(OverlayLut, GroundPointsLandWhereScaleAndOffsetPutThemAndNoneBehindTheCamera) {
    view.flags = CR_VIEW_LENS, view.overlayScale = 2.0f;
    const TestLut origin = Overlay(view, 201);
    EXPECT_TRUE(Same(origin.at(320, 240), {100.0f, 0.0f}));  // 201 / 2
    EXPECT_FALSE(origin.valid(320, 239));                    // above the picture
    view.overlayOffset = 40;
    const TestLut shifted = Overlay(view);
    EXPECT_LE(Off(shifted.at(340, 270), {110.0f, 5.0f}), 1e-3f);  // ground (10 scale, offset / 2 + 5 scale)
    EXPECT_FALSE(shifted.valid(320, 240));
    EXPECT_FALSE(shifted.valid(521, 270));                    // right of the picture
    cam.angleX = 60.0f;                                       // tilted: the horizon crosses column 320 near row 67
    view.overlayOffset = -2000000, view.overlayScale = 1.0f;  // a picture 2e6 units wide and deep about the camera
    const TestLut tilted = Overlay(view, 2000000, 2000000);
    for (int r = 0; r < 480; r += 5) EXPECT_EQ(tilted.valid(320, r), r >= 70) << r;  // nothing behind the camera
}

// Guide lines 2000 apart, wheelbase 2600, length 4600 (overhang 1000), start
// offset 200, lateral shift Y' = 1300 + 100, bands ending at 600, 1400, 3000.
constexpr float kShift = 1400.0f;

struct Guide {
    PgsParam g{};
    std::vector<Point2f> points;
    Guide(int pointCount, int steeringAngle) : points(pointCount + 4, Point2f{7.0f, 7.0f}) {
        g.guideWidth = 2000, g.wheelbase = 2600, g.vehicleLength = 4600, g.steeringAngle = steeringAngle;
        g.startOffset = 200, g.axleOffset = 100, g.pointCount = pointCount;
        g.band1Distance = 600, g.band2Distance = 1400, g.band3Distance = 3000;
        EXPECT_EQ(crGetPGSWorldPoints(&g, points.data()), 0);
    }
};

TEST(GuideWorldPoints, BandSizesAndSeparators) {
    Point2f none[1];
    EXPECT_EQ(crGetPGSWorldPoints(nullptr, none), -5);
    // Points per line 4, 2, 4 | 2, 1, 2 | 2, 2, 2 | 20, 12, 17; an odd capacity leaves its last point unused.
    const int cases[][4] = {{22, 9, 5, 8}, {12, 5, 3, 4}, {14, 5, 5, 4}, {100, 41, 25, 34}, {23, 9, 5, 8}};
    for (const auto& c : cases)
        for (int angle : {0, 25}) {
            SCOPED_TRACE(testing::Message() << "capacity " << c[0] << ", angle " << angle);
            const Guide guide(c[0], angle);
            EXPECT_EQ((std::vector<int>{guide.g.bandCount, guide.g.band1Points, guide.g.band2Points,
                                        guide.g.band3Points, guide.g.pointCount}),
                      (std::vector<int>{3, c[1], c[2], c[3], c[1] + c[2] + c[3]}));
            for (int i = 0; i < guide.g.pointCount; ++i) {
                EXPECT_EQ(Same(guide.points[i], {-1, -1}), i == c[1] - 1 || i == c[1] + c[2] - 1) << i;
                EXPECT_TRUE(std::isfinite(guide.points[i].x + guide.points[i].y)) << i;
            }
            EXPECT_EQ(guide.points[c[1] + c[2] + c[3]].x, 7.0f) << "wrote past the outline";
        }
}

TEST(GuideWorldPoints, StraightRunsForZeroSteering) {
    const Guide guide(22, 0);
    EXPECT_TRUE(std::isinf(guide.g.turnRadius));
    for (int i = 0; i < 4; ++i) {  // band 1 from y0 = 1200 over 600, out on the right, back on the left
        EXPECT_TRUE(Same(guide.points[i], {1000.0f, -(1200.0f + 200.0f * i + kShift)})) << i;
        EXPECT_TRUE(Same(guide.points[7 - i], {-1000.0f, -(1200.0f + 200.0f * i + kShift)})) << i;
    }
    EXPECT_FLOAT_EQ(guide.points[17].y, -(2600.0f + 1600.0f + kShift));  // band 3 ends at 1200 + 1400 + 1600
    const Guide single(12, 0);  // a single point per line of band 2 sits at the band's start
    EXPECT_EQ(single.points[5].y, -(1800.0f + kShift));
    EXPECT_EQ(single.points[6].y, -(1800.0f + kShift));
}

TEST(GuideWorldPoints, ArcsAboutTheTurningCentre) {
    for (int angle : {30, -20}) {
        SCOPED_TRACE(angle);
        const Guide guide(22, angle);
        const float radius = 2600.0f / tanf(-static_cast<float>(angle * 0.017453292519943295));
        EXPECT_EQ(guide.g.turnRadius, radius);
        const auto turn = [&](int i, float x0) {  // angle about the centre (R, -Y') on the line at x0
            const Point2f& p = guide.points[i];
            return std::atan2((p.y + kShift) / (x0 - radius), (p.x - radius) / (x0 - radius));
        };
        const int bands[3][3] = {{0, 4, 8}, {9, 11, 13}, {14, 18, 22}};  // right line, left line, end
        for (const auto& b : bands)
            for (int i = b[0]; i < b[2]; ++i) {
                const float expected = std::fabs((i < b[1] ? 1000.0f : -1000.0f) - radius);
                EXPECT_NEAR(std::hypot(guide.points[i].x - radius, guide.points[i].y + kShift), expected,
                            expected * 1e-5)
                    << i;
            }
        // Band 1 turns each line from y0 / (R - x0) to (600 + overhang) / R; band 2 starts both at y0 / R.
        EXPECT_NEAR(turn(0, 1000.0f), 1200.0f / (radius - 1000.0f), 1e-5);
        EXPECT_NEAR(turn(7, -1000.0f), 1200.0f / (radius + 1000.0f), 1e-5);
        EXPECT_NEAR(turn(3, 1000.0f), 1600.0f / radius, 1e-5);
        EXPECT_NEAR(turn(9, 1000.0f), 1800.0f / radius, 1e-5);
        EXPECT_NEAR(turn(12, -1000.0f), 1800.0f / radius, 1e-5);
    }
}

TEST(GuideToImage, UndoesTheNegationAndKeepsSeparators) {
    const Guide guide(22, 10);
    CameraParam cam = crTestFisheye(1000.0f);
    std::vector<Point2f> ground(guide.points.begin(), guide.points.begin() + 22), expected(22), pixels(22);
    for (Point2f& p : ground) p.y = Same(p, {-1, -1}) ? p.y : -p.y;
    crWorldToImage2D(&cam, ground.data(), expected.data(), 22);
    EXPECT_EQ(crGetPGSWorldToImage(&cam, guide.points.data(), pixels.data(), 22), 0);
    for (int i = 0; i < 22; ++i) {
        EXPECT_TRUE(Same(pixels[i], expected[i])) << i;
        EXPECT_EQ(Same(pixels[i], {-1, -1}), i == 8 || i == 13) << i;
    }
}

}  // namespace
