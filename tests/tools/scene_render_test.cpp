// The renderer against the library's forward projection: a ground point's
// pixel, found by crWorldToImage2D through the forward lens polynomial, must
// show what lies at that point, and a pixel's cast ray must land on a ground
// point that projects back onto the pixel.
#include <gtest/gtest.h>

#include <cstdlib>

#include "numerics/rounding.h"
#include "scene/scene.h"

namespace {

bool crInsideImage(const CameraParam& cam, Point2f p) {
    return p.x >= 1.0f && p.y >= 1.0f && p.x < cam.imageWidth - 2 && p.y < cam.imageHeight - 2;
}

TEST(SceneRender, TileCentresShowTheirTilesColour) {
    const CameraParam cam = crSceneSampleCamera();
    const std::vector<unsigned char> frame = crSceneRender(cam);
    ASSERT_EQ(frame.size(), static_cast<size_t>(crPackedStride(720)) * 480);

    int checked = 0;
    // Within about 4 m, where a pixel covers far less than half a tile.
    for (int row = -7; row <= -2; ++row) {
        for (int column = -5; column <= 4; ++column) {
            const SceneTile tile = crSceneTile(column, row);
            Point2f pixel;
            crWorldToImage2D(&cam, &tile.centre, &pixel, 1);
            if (!crInsideImage(cam, pixel)) continue;
            const unsigned char* p = frame.data() + crRoundHalfAway(pixel.y) * crPackedStride(720) +
                                     3 * crRoundHalfAway(pixel.x);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(p[k], tile.bgr[k], 2) << "tile " << column << "," << row << " channel " << k;
            ++checked;
        }
    }
    EXPECT_GT(checked, 50);
}

TEST(SceneRender, CastRaysProjectBackOntoTheirPixels) {
    const CameraParam cam = crSceneSampleCamera();
    int checked = 0;
    for (float v = 10.0f; v < 480.0f; v += 37.0f) {
        for (float u = 10.0f; u < 720.0f; u += 41.0f) {
            // Beyond 90 degrees the ray leaves behind the image plane, where
            // the forward projection mirrors it.
            float degrees;
            crGetFOV(&cam, u, v, &degrees);
            Point2f ground, back;
            if (degrees > 89.0f || !crSceneGroundPoint(cam, u, v, &ground)) continue;
            crWorldToImage2D(&cam, &ground, &back, 1);
            EXPECT_NEAR(back.x, u, 0.05f) << u << "," << v;
            EXPECT_NEAR(back.y, v, 0.05f) << u << "," << v;
            ++checked;
        }
    }
    EXPECT_GT(checked, 60);
}

TEST(SceneRender, SkyAndLensEdgeAreNotGround) {
    const CameraParam cam = crSceneSampleCamera();
    Point2f ground;
    // The top of the image circle looks 55 degrees above the horizon.
    EXPECT_FALSE(crSceneGroundPoint(cam, 360.0f, 5.0f, &ground));
    // The corners lie outside the 190 degree image circle.
    EXPECT_FALSE(crSceneGroundPoint(cam, 2.0f, 2.0f, &ground));
    const std::vector<unsigned char> frame = crSceneRender(cam);
    EXPECT_EQ(frame[0] + frame[1] + frame[2], 0);
}

}  // namespace
