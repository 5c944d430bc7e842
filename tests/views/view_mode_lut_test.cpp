// View-mode LUT: identity, straightness of the lens correction, mirror, flip
// and zoom relations, the fold and split layouts, radial compression.
#include <gtest/gtest.h>

#include <cmath>

#include "view_support.h"

namespace {

TEST(ViewModeLut, NeutralRecordWithoutLensIsTheIdentityInsideTheCamera) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam);
    const TestLut lut = crViewLut(view, 600, 400);  // a camera picture narrower than the view
    for (int r = 0; r < view.outHeight; r += 7) {
        for (int c = 0; c < view.outWidth; ++c) {
            const Point2f p = lut.at(c, r);
            if (c < 600 && r < 400) {
                EXPECT_EQ(p.x, static_cast<float>(c));
                EXPECT_EQ(p.y, static_cast<float>(r));
            } else {
                EXPECT_FALSE(lut.valid(c, r)) << c << "," << r;
            }
        }
    }
    view.shiftX = 0.01f;  // just inside the right edge now
    EXPECT_NEAR(crViewLut(view, 600, 400).at(600, 0).x, 599.99f, 1e-4f);
}

// Inverts the LUT near camera pixel p: the nearest entry, then one linear step.
Point2f crInvertLut(const TestLut& lut, int width, int height, Point2f p) {
    int bc = -1, br = -1;
    float best = 1e30f;
    for (int r = 0; r + 1 < height; ++r)
        for (int c = 0; c + 1 < width; ++c) {
            if (!lut.valid(c, r)) continue;
            const float dx = lut.at(c, r).x - p.x, dy = lut.at(c, r).y - p.y;
            if (dx * dx + dy * dy < best) best = dx * dx + dy * dy, bc = c, br = r;
        }
    const Point2f o = lut.at(bc, br), ec = lut.at(bc + 1, br), er = lut.at(bc, br + 1);
    const double a = ec.x - o.x, b = er.x - o.x, c = ec.y - o.y, d = er.y - o.y;
    const double ex = p.x - o.x, ey = p.y - o.y, det = a * d - b * c;
    return {static_cast<float>(bc + (d * ex - b * ey) / det), static_cast<float>(br + (a * ey - c * ex) / det)};
}

TEST(ViewModeLut, LensCorrectionStraightensGroundLines) {
    CameraParam cam = crTestFisheye();
    cam.distortion[1] = -20.0f;  // not equidistant: the correction has real work to do
    cam.distortion[2] = 3.0f;
    ViewParam view = crNeutralView(&cam);
    view.flags = CR_VIEW_LENS;
    const TestLut lut = crViewLut(view);

    std::vector<Point2f> seen;
    for (int i = 0; i <= 10; ++i) {
        const Point2f line{-200.0f + 40.0f * i, 0.4f * (-200.0f + 40.0f * i) + 60.0f};
        Point2f pixel;
        crFeatureDistortion(&line, &pixel, &cam);
        seen.push_back(crInvertLut(lut, view.outWidth, view.outHeight, pixel));
        // A neutral view shows the pinhole plane about its centre.
        EXPECT_NEAR(seen.back().x, line.x + view.centerX, 0.05f);
        EXPECT_NEAR(seen.back().y, line.y + view.centerY, 0.05f);
    }
    const Point2f a = seen.front(), b = seen.back();
    const float length = std::hypot(b.x - a.x, b.y - a.y);
    for (const Point2f& p : seen) {
        const float offLine = ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / length;
        EXPECT_NEAR(offLine, 0.0f, 0.05f);
    }
}

TEST(ViewModeLut, MirrorFlipAndZoomRelateToTheNeutralView) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam);
    view.flags = CR_VIEW_LENS;
    const TestLut neutral = crViewLut(view);
    const int cx = 320, cy = 240;

    ViewParam mirrored = view;
    mirrored.flags |= CR_VIEW_MIRROR;
    ViewParam flipped = view;
    flipped.flags |= CR_VIEW_FLIP;
    ViewParam zoomed = view;
    zoomed.zoomX = 2.0f;
    zoomed.zoomY = 2.0f;
    const TestLut m = crViewLut(mirrored), f = crViewLut(flipped), z = crViewLut(zoomed);
    for (int r = 1; r < 480; r += 9) {
        for (int c = 1; c < 640; c += 3) {
            EXPECT_EQ(m.at(c, r).x, neutral.at(2 * cx - c, r).x);
            EXPECT_EQ(m.at(c, r).y, neutral.at(2 * cx - c, r).y);
            EXPECT_EQ(f.at(c, r).x, neutral.at(c, 2 * cy - r).x);
            EXPECT_EQ(f.at(c, r).y, neutral.at(c, 2 * cy - r).y);
            if ((c - cx) % 2 == 0 && (r - cy) % 2 == 0) {
                EXPECT_EQ(z.at(c, r).x, neutral.at(cx + (c - cx) / 2, cy + (r - cy) / 2).x);
                EXPECT_EQ(z.at(c, r).y, neutral.at(cx + (c - cx) / 2, cy + (r - cy) / 2).y);
            }
        }
    }

    ViewParam tiny = view, none = view;
    tiny.zoomX = 0.0001f;
    none.zoomX = 0.0f;
    const TestLut t = crViewLut(tiny), n = crViewLut(none);
    for (int c = 0; c < 640; ++c) EXPECT_EQ(t.at(c, 100).x, n.at(c, 100).x);
}

ViewParam crLayoutView(CameraParam* cam, uint32_t layout, float modeParam) {
    ViewParam view = crNeutralView(cam);
    view.flags = layout;
    view.bandWidth = 3.0f;  // an odd band grows to 4
    view.modeParam = modeParam;
    return view;
}

TEST(ViewModeLut, FoldLeavesTwoPixelGapsAroundAFlatCentrePanel) {
    CameraParam cam = crTestFisheye();
    const TestLut neutral = crViewLut(crNeutralView(&cam));
    const TestLut fold = crViewLut(crLayoutView(&cam, CR_VIEW_FOLD, 0.3f));
    const TestLut rows = crViewLut(crLayoutView(&cam, CR_VIEW_FOLD | CR_VIEW_ROWWISE, 0.3f));
    for (int k : {316, 317, 322, 323}) EXPECT_FALSE(fold.valid(k, 100)) << k;
    for (int k : {236, 237, 242, 243}) EXPECT_FALSE(rows.valid(100, k)) << k;
    for (int c = 318; c <= 321; ++c) {
        EXPECT_NEAR(fold.at(c, 100).x, neutral.at(c, 100).x, 1e-3f);
        EXPECT_NEAR(fold.at(c, 100).y, neutral.at(c, 100).y, 1e-3f);
    }
    EXPECT_NEAR(rows.at(100, 239).y, 239.0f, 1e-3f);
    // The side panels fold symmetrically about the centre and show more than
    // the neutral view.
    for (int k = 5; k < 100; k += 7) {
        ASSERT_TRUE(fold.valid(320 - k, 100) && fold.valid(320 + k, 100)) << k;
        EXPECT_NEAR(fold.at(320 - k, 100).x - 320.0f, 320.0f - fold.at(320 + k, 100).x, 1e-3f);
        EXPECT_GT(fold.at(320 + k, 100).x, neutral.at(320 + k, 100).x);
        EXPECT_GT(rows.at(100, 240 + k).y, neutral.at(100, 240 + k).y);
    }
}

TEST(ViewModeLut, SplitPushesTheHalvesApartAcrossAThreePixelGap) {
    CameraParam cam = crTestFisheye();
    const TestLut split = crViewLut(crLayoutView(&cam, CR_VIEW_SPLIT, 0.0f));
    const TestLut rows = crViewLut(crLayoutView(&cam, CR_VIEW_SPLIT | CR_VIEW_ROWWISE, 0.0f));
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
    for (float angle : {0.0f, -0.5f}) {
        view.modeParam = angle;
        const TestLut skipped = crViewLut(view);
        for (int c = 0; c < 640; c += 5) EXPECT_EQ(skipped.at(c, 50).x, plain.at(c, 50).x);
    }
    view.modeParam = 0.5f;
    const TestLut compressed = crViewLut(view);
    EXPECT_NE(compressed.at(100, 50).x, plain.at(100, 50).x);
    EXPECT_EQ(compressed.at(320, 240).x, plain.at(320, 240).x);  // the centre stays
}

// tan of an angle in degrees, converted as the library converts it.
float crTanDegrees(float degrees) { return std::tan(static_cast<float>(degrees * 3.141592653589793 / 180.0)); }

TEST(ViewModeLut, KeystoneSpreadsOverTheCrossedCameraSize) {
    CameraParam cam = crTestFisheye();  // 640 x 480
    ViewParam view = crNeutralView(&cam);
    view.keystoneX = 10.0f;
    view.keystoneY = -6.0f;
    const TestLut lut = crViewLut(view);
    const float kx = 2.0f * crTanDegrees(10.0f) / 480.0f, ky = 2.0f * crTanDegrees(-6.0f) / 640.0f;
    EXPECT_NEAR(lut.at(420, 240).x, 320.0f + 100.0f / (100.0f * kx + 1.0f), 1e-3f);
    EXPECT_NEAR(lut.at(320, 140).y, 240.0f - 100.0f / (-100.0f * ky + 1.0f), 1e-3f);
}

}  // namespace
