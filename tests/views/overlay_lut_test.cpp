// Overlay LUT: ground points land on the overlay-picture pixels that the
// picture's scale and offset put them at.
#include <gtest/gtest.h>

#include <cmath>

#include "view_support.h"

namespace {

// The test camera looks straight down from 300 units with a 300-unit focal
// length, so with lens correction the view pixel (320 + X, 240 + Y) sees the
// ground point (X, Y).
TestLut crOverlayLut(const ViewParam& view, int pictureWidth = 200, int pictureHeight = 100) {
    TestLut lut(view.outWidth, view.outHeight);
    crGetOverlayLUT(pictureWidth, pictureHeight, lut.rows(), &view);
    return lut;
}

TEST(OverlayLut, GroundPointsLandWhereScaleAndOffsetPutThem) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam);
    view.flags = CR_VIEW_LENS;
    view.overlayScale = 2.0f;
    const TestLut origin = crOverlayLut(view, 201);
    EXPECT_NEAR(origin.at(320, 240).x, 100.0f, 1e-3f);  // 201 / 2
    EXPECT_NEAR(origin.at(320, 240).y, 0.0f, 1e-3f);
    EXPECT_FALSE(origin.valid(320, 239));  // in front of the picture

    view.overlayOffset = 40;
    const TestLut shifted = crOverlayLut(view);
    // Ground (10 scale, offset / 2 + 5 scale) = (20, 30).
    EXPECT_NEAR(shifted.at(340, 270).x, 110.0f, 1e-3f);
    EXPECT_NEAR(shifted.at(340, 270).y, 5.0f, 1e-3f);
    EXPECT_FALSE(shifted.valid(320, 240));  // the origin now lies above the picture
    EXPECT_FALSE(shifted.valid(521, 270));  // right of the picture
}

TEST(OverlayLut, KeystoneSpreadsOverTheViewsOwnSize) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam);
    view.flags = CR_VIEW_LENS;
    view.outWidth = 600;  // not the camera's 640 x 480
    view.outHeight = 400;
    view.keystoneX = 10.0f;
    const TestLut lut = crOverlayLut(view, 1000, 1000);
    const float kx = 2.0f * std::tan(static_cast<float>(10.0 * 3.141592653589793 / 180.0)) / 400.0f;
    EXPECT_NEAR(lut.at(420, 240).x, 500.0f + 100.0f / (100.0f * kx + 1.0f), 1e-3f);
}

TEST(OverlayLut, RadialCompressionAppliesForANegativeAngleToo) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam), compressed;
    view.flags = CR_VIEW_LENS;
    compressed = view;
    compressed.flags |= CR_VIEW_RADIAL;
    compressed.modeParam = -0.5f;
    EXPECT_NE(crOverlayLut(compressed).at(360, 300).x, crOverlayLut(view).at(360, 300).x);
    EXPECT_EQ(crViewLut(compressed).at(360, 300).x, crViewLut(view).at(360, 300).x);
}

}  // namespace
