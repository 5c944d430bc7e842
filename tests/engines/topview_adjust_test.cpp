// Top-view camera pose adjustment: calibration image points cast onto the
// ground through a trial pose, and the LUTs rebuilt from the records.
#include <cmath>

#include "topview_fixture.h"

namespace {

const float kNoOffsets[6] = {};

class TopviewAdjustTest : public TopviewTest {
protected:
    void SetUp() override {
        TopviewTest::SetUp();
        crMultiviewInit(h, &param);
        // The right camera gets a lens whose angle grows linearly with the
        // radius (c0 = 0.01, one radian per sensor unit), tilted 60 degrees.
        CameraParam& c = cam();
        c.undistortion[0] = 0.01f;
        c.imageWidth = 321;
        c.imageHeight = 241;
        c.angleX = 60.0f;
    }
    CameraParam& cam() { return cams[CR_SLOT_RIGHT]; }

    // Ground point written for image point (u, v) under the given offsets.
    Point2f cast(float u, float v, const float* offsets = kNoOffsets) {
        cam().pointCount = 1;
        cam().imagePoints[0] = {u, v};
        crMultiviewAdjustCameraPose(h, &param, offsets, CR_SLOT_RIGHT);
        return cam().worldPoints[0];
    }
};

bool crSamePoint(Point2f a, Point2f b) { return a.x == b.x && a.y == b.y; }

TEST_F(TopviewAdjustTest, NoPointsWritesNothingButRebuildsFromTheRecords) {
    param.mode = 0;
    crMultiviewInit(h, &param);
    const std::vector<unsigned char> map = callerMap();
    cam().pointCount = 0;
    cam().worldPoints[0] = {123.0f, 456.0f};
    cams[CR_SLOT_LEFT].positionX += 30.0f;
    cams[CR_SLOT_LEFT].angleZ = 15.0f;

    EXPECT_EQ(crMultiviewAdjustCameraPose(h, &param, kNoOffsets, CR_SLOT_RIGHT), 0);
    EXPECT_TRUE(crSamePoint(cam().worldPoints[0], {123.0f, 456.0f}));
    EXPECT_EQ(callerMap(), map);  // the blend map stays as painted

    EngineHandle* fresh = crMultiviewCreate(0);
    crMultiviewInit(fresh, &param);
    const auto* expected = static_cast<TopviewState*>(fresh->state);
    for (int pos = 0; pos < 4; ++pos)
        for (int r = 0; r < 300; ++r) {
            ASSERT_EQ(0, std::memcmp(state()->luts[pos][r], expected->luts[pos][r], 200 * 8)) << pos << "," << r;
            for (int c = 0; c < 200; ++c) ASSERT_EQ(state()->weights[pos]->data[r][c], -1.0f);  // mode 0's weights are gone
        }
    crMultiviewRelease(&fresh);
}

TEST_F(TopviewAdjustTest, UsesAtMostFiftyPairs) {
    cam().pointCount = 60;
    for (int i = 0; i < 50; ++i) cam().imagePoints[i] = {170.0f, 130.0f};
    cam().spare3[0] = 0x5A5A5A5A;
    cam().spare3[1] = 0x5A5A5A5A;
    crMultiviewAdjustCameraPose(h, &param, kNoOffsets, CR_SLOT_RIGHT);
    EXPECT_EQ(cam().spare3[0], 0x5A5A5A5A);
    EXPECT_EQ(cam().spare3[1], 0x5A5A5A5A);
    EXPECT_TRUE(crSamePoint(cam().worldPoints[49], cam().worldPoints[0]));
}

TEST_F(TopviewAdjustTest, RayAboveTheHorizonLandsUnderTheTrialPosition) {
    // Constant 40-degree incidence; straight up in the image, the ray rises
    // 40 degrees from the axis while the camera is tilted only 30.
    cam().undistortion[0] = 0.7f;
    cam().undistortion[1] = 0.0f;
    cam().angleX = 30.0f;
    const float offsets[6] = {5.0f, -7.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    const Point2f missed = cast(160.0f, 100.0f, offsets);
    EXPECT_TRUE(crSamePoint(missed, {100.0f + 5.0f, -(0.0f - 7.0f)}));

    const float tilted[6] = {5.0f, -7.0f, 0.0f, 30.0f, 0.0f, 0.0f};  // 60 degrees: it meets the ground
    EXPECT_FALSE(crSamePoint(cast(160.0f, 100.0f, tilted), missed));
}

TEST_F(TopviewAdjustTest, EvenImageSizesShiftTheRadiusHalfAPixelButNotTheAzimuth) {
    const float px = cam().principalX, py = cam().principalY;
    // Odd sizes: no shift.
    const Point2f oddRight = cast(px + 2.0f, py);
    const Point2f oddLeft = cast(px - 0.25f, py);
    const Point2f oddRightNear = cast(px + 0.25f, py);
    const Point2f oddBelow = cast(px, py + 2.0f);
    ASSERT_FALSE(crSamePoint(oddLeft, oddRightNear));  // the azimuth matters

    cam().imageWidth = 320;
    EXPECT_TRUE(crSamePoint(cast(px + 1.5f, py), oddRight));  // radius from dx + 0.5
    EXPECT_TRUE(crSamePoint(cast(px - 0.25f, py), oddLeft));  // radius 0.25 either way, azimuth still left
    cam().imageWidth = 321;
    cam().imageHeight = 240;
    EXPECT_TRUE(crSamePoint(cast(px, py + 1.5f), oddBelow));  // rows count upward: dy - 0.5
}

TEST_F(TopviewAdjustTest, DegenerateLensTakesTheSentinelAngles) {
    cam().pixelScaleX = 0.0f;  // radius -1 and azimuth -2 pi for every point
    cam().undistortion[0] = 0.5f;
    const Point2f a = cast(10.0f, 20.0f);
    EXPECT_TRUE(crSamePoint(cast(300.0f, 200.0f), a));

    // Without c0 the incidence is -2 pi too: a ray straight along -z, which
    // meets the ground 100 / tan 60 deg behind the point below the camera.
    cam().undistortion[0] = 0.0f;
    const Point2f down = cast(10.0f, 20.0f);
    EXPECT_NEAR(down.x, 100.0f, 1e-3f);
    EXPECT_NEAR(down.y, -(0.0f - 100.0f / std::tan(1.0471976f)), 1e-3f);
}

TEST_F(TopviewAdjustTest, OffsetsMoveTheGroundPointsAsThePoseDoes) {
    const float u = 190.0f, v = 150.0f;
    const Point2f base = cast(u, v);
    const float shift[6] = {10.0f, 20.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    const Point2f shifted = cast(u, v, shift);
    EXPECT_NEAR(shifted.x, base.x + 10.0f, 1e-3f);
    EXPECT_NEAR(shifted.y, base.y - 20.0f, 1e-3f);  // stored with Y negated

    const float higher[6] = {0.0f, 0.0f, -100.0f, 0.0f, 0.0f, 0.0f};  // twice the height
    const Point2f far = cast(u, v, higher);
    EXPECT_NEAR(far.x - 100.0f, 2.0f * (base.x - 100.0f), 1e-3f);
    EXPECT_NEAR(far.y, 2.0f * base.y, 1e-3f);

    // A ray along -z: its ground offset (0, -100 / tan aX) turns with aZ and
    // shortens as the tilt grows.
    cam().undistortion[0] = 0.0f;
    const float turned[6] = {0.0f, 0.0f, 0.0f, 0.0f, 90.0f, 0.0f};
    const Point2f t = cast(u, v, turned);
    EXPECT_NEAR(t.x, 100.0f + 100.0f / std::tan(1.0471976f), 1e-3f);
    EXPECT_NEAR(t.y, 0.0f, 1e-3f);
    const float tilted[6] = {0.0f, 0.0f, 0.0f, 15.0f, 0.0f, 0.0f};
    const Point2f steep = cast(u, v, tilted);
    EXPECT_NEAR(steep.y, 100.0f / std::tan(1.3089969f), 1e-3f);
}

}  // namespace
