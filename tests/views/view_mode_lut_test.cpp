// View-mode LUT: identity, straight lines through the lens correction, mirror,
// flip, zoom and keystone relations, the fold and split layouts, radial
// compression.
#include <gtest/gtest.h>

#include <cmath>

#include "view_support.h"

namespace {

TEST(ViewModeLut, NeutralRecordWithoutLensIsTheIdentityInsideTheCamera) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam);
    const TestLut lut = crViewLut(view, 600, 400);  // a camera picture narrower than the view
    for (int r = 0; r < 480; r += 7)
        for (int c = 0; c < 640; ++c) {
            const bool inside = c < 600 && r < 400;
            EXPECT_EQ(lut.at(c, r).x, inside ? c : -1.0f);
            EXPECT_EQ(lut.at(c, r).y, inside ? r : -1.0f);
        }
    view.shiftX = 0.01f;  // just inside the right edge now
    EXPECT_NEAR(crViewLut(view, 600, 400).at(600, 0).x, 599.99f, 1e-4f);
}

TEST(ViewModeLut, LensCorrectionKeepsGroundLinesStraight) {
    CameraParam cam = crTestFisheye();
    cam.distortion[1] = -20.0f;  // not equidistant: the correction has real work to do
    cam.distortion[2] = 3.0f;
    ViewParam view = crNeutralView(&cam);
    view.flags = CR_VIEW_LENS;
    const TestLut lut = crViewLut(view);
    // Points of the line y = x / 2 + 60 of the pinhole plane, seen in the camera,
    // are found along the same line of the view.
    for (int x = -200; x <= 200; x += 40) {
        const Point2f ground{static_cast<float>(x), x / 2 + 60.0f};
        Point2f pixel;
        crFeatureDistortion(&ground, &pixel, &cam);
        const Point2f entry = lut.at(320 + x, 240 + x / 2 + 60);
        EXPECT_NEAR(entry.x, pixel.x, 1e-3f) << x;
        EXPECT_NEAR(entry.y, pixel.y, 1e-3f) << x;
    }
}

TEST(ViewModeLut, MirrorFlipAndZoomRelateToTheNeutralView) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam), mirrored, flipped, zoomed, tiny, none;
    view.flags = CR_VIEW_LENS;
    mirrored = flipped = zoomed = tiny = none = view;
    mirrored.flags |= CR_VIEW_MIRROR;
    flipped.flags |= CR_VIEW_FLIP;
    zoomed.zoomX = zoomed.zoomY = 2.0f;
    tiny.zoomX = 0.0001f;
    none.zoomX = 0.0f;
    const TestLut n = crViewLut(view), m = crViewLut(mirrored), f = crViewLut(flipped), z = crViewLut(zoomed);
    const auto same = [](Point2f a, Point2f b) { return a.x == b.x && a.y == b.y; };
    for (int r = 2; r < 480; r += 8)
        for (int c = 2; c < 640; c += 4) {
            EXPECT_TRUE(same(m.at(c, r), n.at(640 - c, r))) << c << "," << r;
            EXPECT_TRUE(same(f.at(c, r), n.at(c, 480 - r))) << c << "," << r;
            EXPECT_TRUE(same(z.at(c, r), n.at(160 + c / 2, 120 + r / 2))) << c << "," << r;
        }
    const TestLut t = crViewLut(tiny), o = crViewLut(none);
    for (int c = 0; c < 640; ++c) EXPECT_TRUE(same(t.at(c, 100), o.at(c, 100))) << c;
}

// tan of an angle in degrees, converted as the library converts it.
float crTanDegrees(double degrees) { return std::tan(static_cast<float>(degrees * 3.141592653589793 / 180.0)); }

TEST(ViewModeLut, KeystoneSpreadsOverTheCrossedCameraSize) {
    CameraParam cam = crTestFisheye();  // 640 x 480
    ViewParam view = crNeutralView(&cam);
    view.keystoneX = 10.0f;
    view.keystoneY = -6.0f;
    const TestLut lut = crViewLut(view);
    const float kx = 2.0f * crTanDegrees(10.0) / 480.0f, ky = 2.0f * crTanDegrees(-6.0) / 640.0f;
    EXPECT_NEAR(lut.at(420, 240).x, 320.0f + 100.0f / (100.0f * kx + 1.0f), 1e-3f);
    EXPECT_NEAR(lut.at(320, 140).y, 240.0f - 100.0f / (-100.0f * ky + 1.0f), 1e-3f);
}

// bandWidth 3 becomes a band of 4 pixels about (320, 240).
TestLut crLayoutLut(uint32_t layout, float modeParam) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam);
    view.flags = layout;
    view.bandWidth = 3.0f;
    view.modeParam = modeParam;
    return crViewLut(view);
}

TEST(ViewModeLut, FoldLeavesTwoPixelGapsAroundAFlatCentrePanel) {
    const TestLut fold = crLayoutLut(CR_VIEW_FOLD, 0.3f);
    const TestLut rows = crLayoutLut(CR_VIEW_FOLD | CR_VIEW_ROWWISE, 0.3f);
    for (int k : {-4, -3, 2, 3}) {
        EXPECT_FALSE(fold.valid(320 + k, 100)) << k;
        EXPECT_FALSE(rows.valid(100, 240 + k)) << k;
    }
    for (int k = -2; k <= 1; ++k) {
        EXPECT_NEAR(fold.at(320 + k, 100).x, 320.0f + k, 1e-3f);
        EXPECT_NEAR(rows.at(100, 240 + k).y, 240.0f + k, 1e-3f);
    }
    // The side panels fold symmetrically and show more than the flat view.
    for (int k = 5; k < 100; k += 7) {
        EXPECT_NEAR(fold.at(320 - k, 100).x - 320.0f, 320.0f - fold.at(320 + k, 100).x, 1e-3f);
        EXPECT_GT(fold.at(320 + k, 100).x, 320.0f + k);
        EXPECT_GT(rows.at(100, 240 + k).y, 240.0f + k);
    }
}

TEST(ViewModeLut, SplitPushesTheHalvesApartAcrossAThreePixelGap) {
    const TestLut split = crLayoutLut(CR_VIEW_SPLIT, 0.0f);
    const TestLut rows = crLayoutLut(CR_VIEW_SPLIT | CR_VIEW_ROWWISE, 0.0f);
    for (int k = -1; k <= 1; ++k) {
        EXPECT_FALSE(split.valid(320 + k, 100)) << k;
        EXPECT_FALSE(rows.valid(100, 240 + k)) << k;
    }
    for (int k = 2; k < 200; k += 13) {
        EXPECT_NEAR(split.at(320 + k, 100).x, 324.0f + k, 1e-3f);
        EXPECT_NEAR(split.at(320 - k, 100).x, 316.0f - k, 1e-3f);
        EXPECT_NEAR(rows.at(100, 240 + k).y, 244.0f + k, 1e-3f);
        EXPECT_NEAR(rows.at(100, 240 - k).y, 236.0f - k, 1e-3f);
    }
    EXPECT_FALSE(split.valid(636, 100));  // pushed past the camera's right edge
}

TEST(ViewModeLut, RadialCompressionNeedsAPositiveAngle) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam);
    view.flags = CR_VIEW_LENS;
    const TestLut plain = crViewLut(view);
    view.flags |= CR_VIEW_RADIAL;
    for (float angle : {0.0f, -0.5f, 0.5f}) {
        view.modeParam = angle;
        const TestLut lut = crViewLut(view);
        EXPECT_EQ(lut.at(100, 50).x == plain.at(100, 50).x, angle <= 0.0f) << angle;
        EXPECT_EQ(lut.at(320, 240).x, plain.at(320, 240).x);  // the centre stays
    }
}

}  // namespace
