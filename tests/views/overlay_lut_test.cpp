// Overlay LUT: ground points land on the overlay-picture pixels that the
// picture's scale and offset put them at.
#include <gtest/gtest.h>

#include <cmath>

#include "view_support.h"

namespace {

// The test camera looks straight down from 300 units with a 300-unit focal
// length, so with lens correction the view pixel (320 + X, 240 + Y) sees the
// ground point (X, Y).
struct OverlayScene {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam);
    OverlayScene(float scale, int offset) {
        view.flags = CR_VIEW_LENS;
        view.overlayScale = scale;
        view.overlayOffset = offset;
    }
    TestLut lut(int pictureWidth = 200, int pictureHeight = 100) {
        TestLut out(view.outWidth, view.outHeight);
        crGetOverlayLUT(pictureWidth, pictureHeight, out.rows(), &view);
        return out;
    }
};

TEST(OverlayLut, WorldOriginIsTheMiddleOfThePicturesFirstRow) {
    OverlayScene scene(2.0f, 0);
    const TestLut lut = scene.lut(201, 100);
    EXPECT_NEAR(lut.at(320, 240).x, 100.0f, 1e-3f);  // 201 / 2
    EXPECT_NEAR(lut.at(320, 240).y, 0.0f, 1e-3f);
    EXPECT_FALSE(lut.valid(320, 239));  // in front of the picture
}

TEST(OverlayLut, PictureStartsAtHalfTheOffsetAndScales) {
    const float scale = 2.0f;
    const int offset = 40;
    OverlayScene scene(scale, offset);
    const TestLut lut = scene.lut();
    // Ground (10 scale, offset / 2 + 5 scale) = (20, 30).
    EXPECT_NEAR(lut.at(340, 270).x, 110.0f, 1e-3f);
    EXPECT_NEAR(lut.at(340, 270).y, 5.0f, 1e-3f);
    EXPECT_FALSE(lut.valid(320, 240));  // the origin now lies above the picture
    EXPECT_FALSE(lut.valid(320 + 201, 270));  // right of the picture
}

TEST(OverlayLut, RadialCompressionAppliesForANegativeAngleToo) {
    OverlayScene scene(2.0f, 0);
    const TestLut plain = scene.lut();
    scene.view.flags |= CR_VIEW_RADIAL;
    scene.view.modeParam = -0.5f;
    const TestLut compressed = scene.lut();
    EXPECT_NE(compressed.at(360, 300).x, plain.at(360, 300).x);
    EXPECT_EQ(crViewLut(scene.view).at(360, 300).x, [&] {
        ViewParam without = scene.view;
        without.flags &= ~CR_VIEW_RADIAL;
        return crViewLut(without).at(360, 300).x;
    }());
}

TEST(OverlayLut, KeystoneSpreadsOverTheViewsOwnSize) {
    OverlayScene scene(1.0f, 0);
    scene.view.outWidth = 600;  // not the camera's 640 x 480
    scene.view.outHeight = 400;
    scene.view.keystoneX = 10.0f;
    const TestLut lut = scene.lut(1000, 1000);
    const float kx = 2.0f * std::tan(static_cast<float>(10.0 * 3.141592653589793 / 180.0)) / 400.0f;
    EXPECT_NEAR(lut.at(420, 240).x, 500.0f + 100.0f / (100.0f * kx + 1.0f), 1e-3f);
}

}  // namespace
