// Top-view blend map: the zones around the vehicle rectangle and the corner
// codes of every mode, at pixels whose expected code follows from the rules.
#include <cmath>

#include "topview_fixture.h"

namespace {

using TopviewBlendTest = TopviewTest;

TEST_F(TopviewBlendTest, VehicleRectangleAndZonesAreTheSameInEveryMode) {
    for (int mode : {0, 1, 2, 3, 5}) {
        param.mode = mode;
        ASSERT_EQ(crMultiviewInit(h, &param), 0);
        const TopviewState* s = state();
        EXPECT_EQ(s->carWidthPx, 40);
        EXPECT_EQ(s->carLengthPx, 80);
        EXPECT_EQ(s->carLeft, kLeft);
        EXPECT_EQ(s->carTop, kTop);
        EXPECT_EQ(s->carRight, kRight);
        EXPECT_EQ(s->carBottom, kBottom);
        EXPECT_PIXEL(mapAt(100, 150), 0x11, 0x22, 0x33) << mode;  // carColor 0x00112233
        EXPECT_PIXEL(mapAt(kRight - 1, kBottom - 1), 0x11, 0x22, 0x33);
        EXPECT_PIXEL(mapAt(kLeft - 1, 150), 255, 0, 0);
        EXPECT_PIXEL(mapAt(kRight, 150), 0, 255, 0);
        EXPECT_PIXEL(mapAt(100, kTop - 1), 0, 0, 0);
        EXPECT_PIXEL(mapAt(100, kBottom), 255, 255, 0);
    }
}

TEST_F(TopviewBlendTest, VehicleWiderThanTheViewLeavesNoSideZones) {
    param.carWidth = 500;  // 252 pixels: left edge -20 clips to 0, right edge 232 to 200
    param.mode = 3;
    crMultiviewInit(h, &param);
    EXPECT_EQ(state()->carLeft, 0);
    EXPECT_EQ(state()->carRight, 200);
    for (int r = 0; r < 300; ++r)
        for (int c = 0; c < 200; ++c) {
            const unsigned char* p = mapAt(c, r);
            ASSERT_FALSE(p[0] != p[1] && (p[0] == 0 || p[0] == 255) && (p[1] == 0 || p[1] == 255))
                << "side camera at " << c << "," << r;
        }
}

TEST_F(TopviewBlendTest, OverlapModeSharesByRampAndTent) {
    param.mode = 0;
    crMultiviewInit(h, &param);
    TopviewState* s = state();
    // Front and left see these corner pixels at their image centres (tent 1),
    // so only the ramps decide: front 14/112, left 8/80, right 7/80.
    for (int pos : {kPosFront, kPosLeft, kPosRight}) {
        for (int c : {72, 127}) {
            s->luts[pos][98][2 * c] = 160.0f;
            s->luts[pos][98][2 * c + 1] = 120.0f;
        }
    }
    crTopviewPaintBlendMap(s, &param);
    EXPECT_PIXEL(mapAt(72, 98), 0, 0, 111);    // 255 * 0.1 / (0.225 + 1/255) = 111.39
    EXPECT_PIXEL(mapAt(127, 98), 0, 255, 103);  // 255 * 0.0875 / (0.2125 + 1/255) = 103.10
    EXPECT_FLOAT_EQ(s->weights[kPosRear]->data[98][72], 0.0f);  // outside the rear region
    EXPECT_FLOAT_EQ(s->weights[kPosFront]->data[98][72], 0.125f);
}

TEST_F(TopviewBlendTest, OverlapModeRaisesAnUnseenSideToOne) {
    // Far off and with a narrower lens, the left camera sees none of the view.
    cams[CR_SLOT_LEFT].positionX = -100000.0f;
    cams[CR_SLOT_LEFT].pixelScaleX = 300.0f;
    param.mode = 0;
    crMultiviewInit(h, &param);
    EXPECT_FLOAT_EQ(state()->luts[kPosLeft][50][80], -1.0f);
    EXPECT_PIXEL(mapAt(40, 50), 0, 0, 1);
    EXPECT_PIXEL(mapAt(40, 250), 255, 0, 1);
    const unsigned char* right = mapAt(160, 50);  // the right camera still shares its corner
    EXPECT_EQ(right[1], 255);
    EXPECT_GT(right[2], 1);
    EXPECT_LT(right[2], 255);
}

TEST_F(TopviewBlendTest, AngularModeWeightsFollowTheIncidenceCone) {
    param.mode = 1;  // front cone 45 degrees, ramp 10 degrees
    crMultiviewInit(h, &param);
    float** w = state()->weights[kPosFront]->data;
    EXPECT_FLOAT_EQ(w[60][101], 1.0f);     // next to the point straight below the front camera
    EXPECT_FLOAT_EQ(w[60][100], -1.0f);    // the optical axis itself has no direction: unmapped
    EXPECT_FLOAT_EQ(w[120][100], -1.0f);   // 120 units off at 100 up: 50 degrees
    const float theta = atanf(84.0f / 100.0f);  // 42 rows off: inside the ramp
    EXPECT_NEAR(w[102][100], (0.7853982f - theta) / 0.17453292f, 1e-4f);
    // Side cones reach 75 degrees: 64 degrees off is inside, 80 degrees outside.
    EXPECT_FLOAT_EQ(state()->weights[kPosRight]->data[60][100], 1.0f);
    EXPECT_FLOAT_EQ(state()->weights[kPosRight]->data[0][0], -1.0f);
    EXPECT_GE(state()->luts[kPosRight][0][0], 0.0f);
}

TEST_F(TopviewBlendTest, AngularModeCodesCornersByTheLongitudinalWeight) {
    param.mode = 1;
    crMultiviewInit(h, &param);
    TopviewState* s = state();
    float** front = s->weights[kPosFront]->data;
    float** rear = s->weights[kPosRear]->data;
    front[10][10] = 1.0f;
    front[10][11] = 0.5f;
    front[10][190] = -1.0f;
    front[10][191] = 0.25f;
    rear[290][10] = 0.999f;
    rear[290][190] = 0.0f;
    crTopviewPaintBlendMap(s, &param);
    EXPECT_PIXEL(mapAt(10, 10), 0, 0, 0);
    EXPECT_PIXEL(mapAt(11, 10), 0, 0, 128);  // 127.5 rounds up
    EXPECT_PIXEL(mapAt(190, 10), 0, 255, 0);
    EXPECT_PIXEL(mapAt(191, 10), 0, 255, 191);
    EXPECT_PIXEL(mapAt(10, 290), 255, 0, 1);
    EXPECT_PIXEL(mapAt(190, 290), 255, 255, 254);
}

// Pixels beside (side camera) and above or below (longitudinal camera) each
// 45-degree seam, as (column, row, side).
struct SeamProbe {
    int c, r;
    bool side;
    unsigned char b0, b1;
};
const SeamProbe kSeamProbes[] = {
    {50, 92, true, 0, 0},      {60, 82, false, 0, 0},      {150, 92, true, 0, 255},  {140, 82, false, 0, 255},
    {50, 212, true, 255, 0},   {60, 222, false, 255, 0},   {150, 212, true, 255, 255}, {140, 222, false, 255, 255},
};

TEST_F(TopviewBlendTest, DrawnSeamsWithPairCodes) {
    param.mode = 2;
    crMultiviewInit(h, &param);
    for (const SeamProbe& p : kSeamProbes) {
        const unsigned char v = p.side ? 255 : 1;
        EXPECT_PIXEL(mapAt(p.c, p.r), p.b0, p.b1, v) << p.c << "," << p.r;
    }
    EXPECT_PIXEL(mapAt(60, 92), 0x11, 0x22, 0x33);   // on the front-left line
    EXPECT_PIXEL(mapAt(60, 212), 0x11, 0x22, 0x33);  // on the rear-left line
    EXPECT_PIXEL(mapAt(kRight, kTop - 1), 0x11, 0x22, 0x33);  // front-right line starts at carRight - 1
}

TEST_F(TopviewBlendTest, DrawnSeamsWithSingleCameraCodes) {
    param.mode = 3;
    crMultiviewInit(h, &param);
    for (const SeamProbe& p : kSeamProbes) {
        const bool rear = p.b0 == 255, right = p.b1 == 255;
        if (p.side)
            EXPECT_PIXEL(mapAt(p.c, p.r), right ? 0 : 255, right ? 255 : 0, 0) << p.c << "," << p.r;
        else
            EXPECT_PIXEL(mapAt(p.c, p.r), rear ? 255 : 0, rear ? 255 : 0, 0) << p.c << "," << p.r;
    }
    EXPECT_PIXEL(mapAt(60, 92), 0x11, 0x22, 0x33);
    EXPECT_PIXEL(mapAt(kRight + 1, kTop - 1), 0x11, 0x22, 0x33);  // starts at carRight
    EXPECT_PIXEL(mapAt(kRight, kTop - 1), 0, 0, 0);
}

TEST_F(TopviewBlendTest, AngularSeamsRampFromTheVertical) {
    param.mode = 5;
    param.frontFov = 180.0f;  // front seams lie along the vehicle's front edge
    crMultiviewInit(h, &param);
    EXPECT_PIXEL(mapAt(kLeft - 1, kTop - 10), 0, 0, 16);  // d = 10.0538, a = 0.1035, v = 16.76
    EXPECT_PIXEL(mapAt(kLeft - 1, kTop - 1), 0, 0, 127);  // 45 degrees of a 90-degree half field
    EXPECT_PIXEL(mapAt(50, 212), 255, 0, 255);            // beyond the rear-left seam
    EXPECT_PIXEL(mapAt(125, 222), 255, 255, 53);          // a = acos(30 / 30.418), v = 53.6
    EXPECT_PIXEL(mapAt(kRight, kBottom + 5), 255, 255, 12);  // on the vertical, yet d carries 1/255
}

TEST_F(TopviewBlendTest, UnknownModePaintsNothingButTheOverlay) {
    param.mode = 7;
    crMultiviewInit(h, &param);
    for (int r = 0; r < 300; r += 7)
        for (int c = 0; c < 200; c += 7) EXPECT_PIXEL(mapAt(c, r), 0, 0, 0);
}

}  // namespace
