// Top view: blend map of every mode, composition, turned frame, warped pictures, SetImage, outputs, pose adjustment.
#include <algorithm>
#include <cmath>

#include "image/image.h"
#include "topview_fixture.h"

namespace {

using Bytes = std::vector<unsigned char>;
const float kNone[6] = {}, kTan60 = std::tan(1.0471976f);
const int kReplace = CR_REPLACE_MAP;

TEST_F(TopviewTest, VehicleAndSideZonesAreTheSameInEveryMode) {
    for (int mode : {0, 1, 2, 3, 5}) {
        SCOPED_TRACE(mode);
        init(mode);
        const TopviewState* s = state();
        EXPECT_EQ((std::vector<int>{s->carWidthPx, s->carLengthPx, s->carLeft, s->carTop, s->carRight, s->carBottom}),
                  (std::vector<int>{40, 80, kLeft, kTop, kRight, kBottom}));
        expectMap({{100, 150, 0x11, 0x22, 0x33},
                   {kRight - 1, kBottom - 1, 0x11, 0x22, 0x33},
                   {kRight, 150, 0, 255, 0},
                   {kLeft - 1, 150, 255, 0, 0},
                   {100, kTop - 1, 0, 0, 0},
                   {100, kBottom, 255, 255, 0}});
    }
    param.carWidth = 500, init(3);  // 252 pixels: edges -20 and 232 clip to 0 and 200, leaving no side zone
    EXPECT_TRUE(state()->carLeft == 0 && state()->carRight == 200);
    for (int i = 0; i < 200 * 300; ++i) ASSERT_NE(mapAt(i % 200, i / 200)[0] ^ mapAt(i % 200, i / 200)[1], 255) << i;
}

// Mode 0 at image centres (tent 1): only the ramps decide, front 14/112, left 8/80, right 7/80.
TEST_F(TopviewTest, OverlapModeSharesByRampAndTentAndRaisesAnUnseenSideToOne) {
    init(0);
    for (int pos : {kPosFront, kPosLeft, kPosRight})
        for (size_t c : {72, 127}) state()->luts[pos][98][2 * c] = 160.0f, state()->luts[pos][98][2 * c + 1] = 120.0f;
    crTopviewPaintBlendMap(state(), &param);
    expectMap({{72, 98, 0, 0, 111}, {127, 98, 0, 255, 103}});  // 255 * 0.1 / (0.225 + 1/255) = 111.39; 103.10
    EXPECT_TRUE(state()->weights[kPosRear]->data[98][72] == 0 && state()->weights[kPosFront]->data[98][72] == 0.125f);
    cams[CR_SLOT_LEFT].positionX = -100000.0f, cams[CR_SLOT_LEFT].pixelScaleX = 300.0f, init(0);  // sees nothing
    EXPECT_EQ(state()->luts[kPosLeft][50][80], -1.0f);
    expectMap({{40, 50, 0, 0, 1}, {40, 250, 255, 0, 1}});
    EXPECT_TRUE(mapAt(160, 50)[1] == 255 && mapAt(160, 50)[2] > 1 && mapAt(160, 50)[2] < 255);  // right still shares
}

// Mode 1: cones of 45 (front) and 75 degrees; corners code the front or rear weight, clamped to 1..254.
TEST_F(TopviewTest, AngularModeWeightsFollowTheIncidenceConeAndCodeTheCorners) {
    init(1);
    float **front = state()->weights[kPosFront]->data, **rear = state()->weights[kPosRear]->data;
    float** right = state()->weights[kPosRight]->data;
    EXPECT_EQ((std::vector<float>{front[60][101], front[60][100], front[120][100], right[60][100], right[0][0]}),
              (std::vector<float>{1.0f, -1.0f, -1.0f, 1.0f, -1.0f}));  // the axis has no direction; 50, 64, 80 degrees
    EXPECT_NEAR(front[102][100], (0.7853982f - atanf(84.0f / 100.0f)) / 0.17453292f, 1e-4f);  // in the ramp
    EXPECT_GE(state()->luts[kPosRight][0][0], 0.0f);  // mapped: the cone decides
    front[10][10] = 1.0f, front[10][11] = 0.5f, front[10][190] = -1.0f, front[10][191] = 0.25f;
    rear[290][10] = 0.999f, rear[290][190] = 0.0f;
    crTopviewPaintBlendMap(state(), &param);
    expectMap({{10, 10, 0, 0, 0},
               {11, 10, 0, 0, 128},
               {190, 10, 0, 255, 0},
               {191, 10, 0, 255, 191},
               {10, 290, 255, 0, 1},
               {190, 290, 255, 255, 254}});
}

// Beside each 45-degree seam (side camera) and above or below it (longitudinal camera), modes 2, 3 and 5.
TEST_F(TopviewTest, SeamsPickTheCameraOnEachSide) {
    const int probes[8][5] = {{50, 92, 0, 0, 1},       {60, 82, 0, 0, 0},      {150, 92, 0, 255, 1},
                              {140, 82, 0, 255, 0},    {50, 212, 255, 0, 1},   {60, 222, 255, 0, 0},
                              {150, 212, 255, 255, 1}, {140, 222, 255, 255, 0}};  // {c, r, rear, right, side}
    init(2);  // pair codes (rear, right, side 255 or longitudinal 1); the front-right line starts at carRight - 1
    for (const auto& p : probes) EXPECT_PIXEL(mapAt(p[0], p[1]), p[2], p[3], p[4] ? 255 : 1) << p[0] << "," << p[1];
    expectMap({{60, 92, 0x11, 0x22, 0x33}, {60, 212, 0x11, 0x22, 0x33}, {kRight, kTop - 1, 0x11, 0x22, 0x33}});
    init(3);  // single-camera codes; the front-right line starts at carRight
    for (const auto& p : probes)
        EXPECT_PIXEL(mapAt(p[0], p[1]), p[4] ? 255 - p[3] : p[2], p[4] ? p[3] : p[2], 0) << p[0] << "," << p[1];
    expectMap({{60, 92, 0x11, 0x22, 0x33}, {kRight + 1, kTop - 1, 0x11, 0x22, 0x33}, {kRight, kTop - 1, 0, 0, 0}});
    param.frontFov = 180.0f, init(5);  // mode 5, front seams along the vehicle's front edge
    // v = 16.76 (d = 10.0538, a = 0.1035); 45 of 90 degrees; past the seam; a = acos(30 / 30.418); d carries 1/255
    expectMap({{kLeft - 1, kTop - 10, 0, 0, 16},
               {kLeft - 1, kTop - 1, 0, 0, 127},
               {50, 212, 255, 0, 255},
               {125, 222, 255, 255, 53},
               {kRight, kBottom + 5, 255, 255, 12}});
}

// Known warped pictures (front 100, left 200, right 50, rear 10) under a map coded pixel by pixel.
TEST_F(TopviewTest, CodesPickOrMixTheirCamerasTintMarksMixingAndNullFramesKeepTheirPictures) {
    init(7);  // all front
    const int warped[4][3] = {{100, 101, 100}, {200, 201, 200}, {50, 51, 52}, {10, 11, 12}};
    for (int pos = 0; pos < 4; ++pos)
        for (int i = 0; i < 200 * 300 * 3; ++i) state()->warped[pos]->data[i / 600][i % 600] = warped[pos][i % 3];
    // {code, output}: (255, 0, 0) is left though 255 starts rear pairs; mixes (a * (256 - w) + b * w) >> 8; pictures.
    const int cases[10][6] = {{0, 0, 0, 100, 101, 100},  {255, 0, 0, 200, 201, 200},  {0, 255, 0, 50, 51, 52},
                              {255, 255, 0, 10, 11, 12}, {0, 0, 128, 150, 151, 150},  {255, 0, 64, 57, 58, 59},
                              {0, 255, 200, 60, 61, 62}, {255, 255, 255, 49, 50, 51}, {10, 20, 30, 10, 20, 30},
                              {254, 0, 7, 254, 0, 7}};
    for (int i = 0; i < 10; ++i) setMap(i, 0, cases[i][0], cases[i][1], cases[i][2]);
    TestPicture out(200, 300);
    ASSERT_EQ(crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.bytes.data()), 0);
    for (int i = 0; i < 10; ++i) EXPECT_PIXEL(out.at(i, 0), cases[i][3], cases[i][4], cases[i][5]) << i;
    init(4, CR_MULTI_TINT);  // mode 4 keeps the map
    crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.bytes.data());
    EXPECT_TRUE(crPx(out.at(4, 0)) == (Px{150, 151, 139}) && crPx(out.at(7, 0)) == (Px{49, 50, 51}));  // 255: no tint
    const Bytes frame(size_t(crPackedStride(320)) * 240, 9);
    crMultiviewApply(h, frame.data(), nullptr, nullptr, nullptr, out.bytes.data());
    // Left keeps its earlier picture; the front camera sees (99, 40) but not (100, 299): the fill colour.
    EXPECT_EQ((std::vector<Px>{crPx(out.at(1, 0)), crPx(out.at(99, 40)), crPx(out.at(100, 299))}),
              (std::vector<Px>{{200, 201, 200}, {9, 9, 9}, {0, 0, 255}}));
}

// A 45 x 60 turned view: caller pixel (c, r) is frame pixel (59 - r, c); 136-byte caller rows, 180-byte frame rows.
TEST_F(TopviewTest, TurnedFrameHandsEveryOutputBackInTheCallersOrientation) {
    setView(45, 60, 20.0f, 30.0f, 2.0f), init(7, CR_MULTI_TURNED);
    for (int i = 0; i < 60 * 45; ++i) setMap(i % 60, i / 60, 1 + i % 60, 1 + i / 60, 7);
    const int stride = crPackedStride(45), bytes = stride * 60;
    Bytes out(bytes + 16, 0xAB), rgb32(45 * 60 * 4 + 8, 0xAB), want(size_t(45) * 60 * 4);
    crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.data());
    for (int i = 0; i < 45 * 60; ++i)
        ASSERT_EQ(crPx(&out[i / 45 * stride + i % 45 * 3]), (Px{60 - i / 45, 1 + i % 45, 7})) << i;
    EXPECT_EQ(std::count(out.begin() + bytes, out.end(), 0xAB), 16);
    const Bytes mask = callerMap();  // the same pixels
    for (size_t r = 0; r < 60; ++r) ASSERT_EQ(0, std::memcmp(&mask[r * stride], &out[r * stride], 135)) << r;
    int len = 0;
    crMultiviewGetMaskLen(h, &len, 1), crMultiviewGetMask(h, rgb32.data(), 0, 1);
    crMakeBinMaskRGB32(45, 60, mask.data(), want.data(), nullptr);
    EXPECT_TRUE(len == 45 * 60 * 4 && std::equal(want.begin(), want.end(), rgb32.begin()) && rgb32[len] == 0xAB);
    Bytes map(bytes, 7);  // unturned, replaceMap takes the caller's rows whole, padding included
    for (int r = 0; r < 60; ++r) map[r * stride + 135] = 0xCD;
    init(7), crMultiviewSetImage(h, 45, 60, map.data(), kReplace, 0, 0, 0, 0);
    EXPECT_EQ(callerMap(), map);
}

// GetLUT packs one slot's table in the caller's orientation; a wrong length, slot or mask format writes nothing.
TEST_F(TopviewTest, GetLutAndMaskLengthsInTheCallersOrientation) {
    for (bool turned : {false, true}) {
        int len = 0, slot = turned ? CR_SLOT_REAR : CR_SLOT_LEFT;
        std::vector<int> lengths(5, -1);
        init(2, turned ? CR_MULTI_TURNED | CR_MULTI_BILINEAR : 0u);  // turned: the vehicle at frame column 150, row 100
        EXPECT_TRUE(!turned || (state()->carLeft == crAlign4(150 - 20) && state()->carTop == crAlign4(100 - 40)));
        ASSERT_EQ((crMultiviewGetLUTLen(h, &len), len), 200 * 300 * 4);
        float** lut = state()->luts[crMultiviewPosition(slot)];
        std::vector<float> flat(size_t(200) * 300 * 2);
        for (int i = 0; i < 200 * 300 * 2; ++i)
            flat[i] = turned ? lut[i / 2 % 200][2 * (299 - i / 400) + i % 2] : lut[i / 400][i % 400];
        Bytes want(len), got(len, 0xAB);
        crMakeBinView(200, 300, flat.data(), want.data(), nullptr, turned);
        crMultiviewGetLUT(h, got.data(), len - 1, slot), crMultiviewGetLUT(h, got.data(), len, 4);
        crMultiviewGetLUT(h, got.data(), len, -1);
        EXPECT_EQ(std::count(got.begin(), got.end(), 0xAB), len) << turned;
        EXPECT_EQ(crMultiviewGetLUT(h, got.data(), len, slot), 0);
        crMultiviewGetMask(h, got.data(), 16, 4);  // an unknown format writes nothing either
        EXPECT_EQ(got, want) << turned;
        for (int format = 0; format <= 4; ++format) crMultiviewGetMaskLen(h, &lengths[format], format);
        EXPECT_EQ(lengths, (std::vector<int>{200 * 300 * 2, 200 * 300 * 4, 200 * 300 * 2, 600 * 300, 0}));
    }
}

// Cameras are warped only where the map takes from them, yet each must show a whole-view warp of its last frame.
class TopviewWarpTest : public TopviewTest {
protected:
    TopviewWarpTest() {
        for (int i = 0; i < 4 * 960 * 240; ++i) frames[i / 230400].push_back(i % 960 * (i / 230400 + 2) + i / 960 * 3);
    }
    void apply(bool withFrames) {
        const auto f = [&](int pos) { return withFrames ? frames[pos].data() : nullptr; };
        crMultiviewApply(h, f(0), f(1), f(2), f(3), out.data());
    }
    Bytes leftWarp(int flags) {  // the whole-view warp of the left frame through its current LUT
        Image *src = crCreateImage(3, 320, 240), *dst = crCreateImage(3, 200, 300);
        const unsigned char fill[3] = {0, 0, 255};
        Bytes pixels(size_t(600) * 300);
        crCopyPackedToImage(frames[kPosLeft].data(), src), crRemap(src, dst, state()->luts[kPosLeft], flags, fill);
        crCopyImageToPacked(dst, pixels.data()), crReleaseImage(&src), crReleaseImage(&dst);
        return pixels;
    }
    bool shows(const Bytes& w, int c, int r) { return !memcmp(&out[r * 600 + 3 * c], &w[r * 600 + 3 * c], 3); }
    void takeLeftAt(int r, int c0, int c1) {  // codes map pixels (c0..c1, r) as left, through replaceMap
        Bytes map = callerMap();
        for (int i = r * 600 + 3 * c0; i <= r * 600 + 3 * c1; i += 3) map[i] = 255, map[i + 1] = map[i + 2] = 0;
        crMultiviewSetImage(h, 200, 300, map.data(), CR_REPLACE_MAP, 0, 0, 0, 0);
    }
    Bytes frames[4], out = Bytes(size_t(600) * 300);
};

TEST_F(TopviewWarpTest, PixelsTakenLaterComeFromTheLastFrameThroughTheTablesItCameWith) {
    init(7), apply(true);  // front everywhere: the left picture is not needed yet
    const auto before = leftWarp(0);
    takeLeftAt(150, 0, 199), apply(false);
    for (int c = 0; c < 200; ++c) ASSERT_TRUE(shows(before, c, 150)) << c;
    cams[CR_SLOT_LEFT].positionX += 40.0f;  // new left table, new sampler, and a map that takes from the left
    init(3, CR_MULTI_BILINEAR), apply(false);
    const auto after = leftWarp(1);
    int differing = 0;
    for (int r = kTop; r < kBottom; r += 3) {  // the left strip
        ASSERT_TRUE(shows(before, 40, r)) << r;
        differing += std::memcmp(&before[r * 600 + 120], &after[r * 600 + 120], 3) != 0;
    }
    EXPECT_GT(differing, 10);  // the check can tell the two tables apart
    apply(true);
    EXPECT_TRUE(shows(after, 40, 150));
    cams[CR_SLOT_LEFT].positionY += 30.0f;  // a pose adjustment rebuilds the tables too
    crMultiviewAdjustCameraPose(h, &param, kNone, CR_SLOT_LEFT);
    takeLeftAt(20, 100, 199), apply(false);  // pixels the left camera did not feed before
    for (int c = 100; c < 200; ++c) ASSERT_TRUE(shows(after, c, 20)) << c;
}

// A span that grows within a row the camera fed already, after frames that were taken but composed nowhere; an
// unturned view reads zero in its rows' padding (45 pixels: 135 bytes of 136).
TEST_F(TopviewWarpTest, SpansGrowingWithinARowAndPaddingOfAnUnturnedView) {
    init(7), takeLeftAt(150, 0, 9);
    crMultiviewApply(h, frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data(), nullptr);
    takeLeftAt(150, 100, 199), apply(false);
    const auto warp = leftWarp(0);
    for (int c : {0, 9, 100, 150, 199}) EXPECT_TRUE(shows(warp, c, 150)) << c;
    setView(45, 60, 20.0f, 30.0f, 2.0f), init(7);
    Bytes view(size_t(136) * 60, 0xAB);
    crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, view.data());
    for (int r = 0; r < 60; ++r) ASSERT_EQ(view[r * 136 + 135], 0) << r;
}

// carPicture: margins L = R = 19 leave 62 body pixels for the vehicle's 40; first row skipped, black transparent.
TEST_F(TopviewTest, CarPictureFitsTheBodyBetweenItsBlackMargins) {
    TestPicture car(100, 20, 40, 50, 60);
    for (int i = 0; i < 20 * 20; ++i) car.set(i % 20, i / 20, 0, 0, 0), car.set(99 - i % 20, i / 20, 0, 0, 0);
    init(3), crMultiviewSetImage(h, 100, 20, car.bytes.data(), CR_CAR_PICTURE, 0, 0, 0, 0);
    const int overlay[5][3] = {{82, 150, 1}, {118, 150, 1}, {70, 150, 0}, {100, kTop, 0}, {100, kTop + 1, 1}};
    for (const auto& o : overlay)
        EXPECT_EQ(crPx(state()->overlay->data[o[1]] + 3 * size_t(o[0])), (o[2] ? Px{40, 50, 60} : Px{}))
            << o[0] << "," << o[1];
    expectMap({{100, 150, 40, 50, 60}, {70, 150, 255, 0, 0}});  // over the vehicle colour, not the margin
}

// A placed 10 x 6 gradient skips its outermost (or clipped) rows and columns; replaceMap needs the view size.
TEST_F(TopviewTest, PlacedPictureSkipsItsOutermostRowsAndColumnsReplaceMapNeedsTheViewSize) {
    TestPicture picture(10, 6), map(200, 300);
    for (int i = 0; i < 60; ++i) picture.set(i % 10, i / 10, 10 + i % 10, 20 + i / 10, 30);
    for (int i = 0; i < 200 * 300; ++i) map.set(i % 200, i / 200, i % 200, i / 200, 3);
    for (bool turned : {false, true}) {
        for (int x : {5, -3}) {
            crMultiviewSetImage(h, 0, 0, nullptr, CR_CLEAR_OVERLAY, 0, 0, 0, 0), init(3, turned ? CR_MULTI_TURNED : 0u);
            const auto before = callerMap();
            const auto after = (crMultiviewSetImage(h, 10, 6, picture.bytes.data(), 0, x, 7, 10, 6), callerMap());
            for (int r = 6; r <= 13; ++r)
                for (int c = std::max(x - 1, 0); c <= x + 10; ++c) {
                    const bool inner = c > std::max(x, 0) && c <= x + 8 && r >= 8 && r <= 11;
                    const Px want = inner ? Px{10 + c - x, 13 + r, 30} : crPx(&before[r * 600 + 3 * c]);
                    EXPECT_EQ(crPx(&after[r * 600 + 3 * c]), want) << turned << " " << c << "," << r;
                }
        }
        const auto before = callerMap();
        EXPECT_EQ((crMultiviewSetImage(h, 199, 300, map.bytes.data(), kReplace, 0, 0, 0, 0), callerMap()), before);
        EXPECT_EQ((crMultiviewSetImage(h, 200, 300, map.bytes.data(), kReplace, 0, 0, 0, 0), callerMap()), map.bytes);
    }
}

TEST_F(TopviewTest, ReInitKeepsTheOverlayOfTheSameSizeModeFourKeepsTheMapClearOverlayEmptiesIt) {
    TestPicture picture(10, 6, 40, 50, 60);
    init(2), crMultiviewSetImage(h, 10, 6, picture.bytes.data(), 0, 20, 20, 10, 6), init(2);
    setMap(150, 150, 1, 2, 3), init(4);
    expectMap({{22, 22, 40, 50, 60}, {150, 150, 1, 2, 3}});
    crMultiviewSetImage(h, 0, 0, nullptr, CR_CLEAR_OVERLAY, 0, 0, 0, 0), init(2);
    EXPECT_PIXEL(mapAt(22, 22), 0, 0, 1);
    crMultiviewSetImage(h, 10, 6, picture.bytes.data(), 0, 20, 20, 10, 6);  // an empty placed size clears it too
    crMultiviewSetImage(h, 10, 6, picture.bytes.data(), 0, 20, 20, 0, 6), init(2);
    EXPECT_PIXEL(mapAt(22, 22), 0, 0, 1);
    crMultiviewSetImage(h, 10, 6, picture.bytes.data(), 0, 20, 20, 10, 6), param.viewWidth = 204, init(2);  // new size
    EXPECT_PIXEL(mapAt(22, 22), 0, 0, 1);
}

bool crSame(Point2f a, Point2f b) { return a.x == b.x && a.y == b.y; }

// The right camera: angle linear in the radius (c0 = 0.01, one radian per sensor unit), odd size, tilted 60 degrees.
class TopviewAdjustTest : public TopviewTest {
protected:
    void SetUp() override {
        TopviewTest::SetUp(), init(0);
        cam().undistortion[0] = 0.01f, cam().imageWidth = 321, cam().imageHeight = 241, cam().angleX = 60.0f;
    }
    CameraParam& cam() { return cams[CR_SLOT_RIGHT]; }
    Point2f cast(float u, float v, const float* offsets = kNone) {  // the ground point written for (u, v)
        cam().pointCount = 1, cam().imagePoints[0] = {u, v};
        return crMultiviewAdjustCameraPose(h, &param, offsets, CR_SLOT_RIGHT), cam().worldPoints[0];
    }
};

// No points: nothing written, the map kept, LUTs rebuilt from records changed after Init, mode 0's weights gone.
TEST_F(TopviewAdjustTest, NoPointsWritesNothingButRebuildsTheLutsFromTheRecords) {
    const Bytes map = callerMap();
    cam().pointCount = 0, cam().worldPoints[0] = {123.0f, 456.0f};
    cams[CR_SLOT_LEFT].positionX += 30.0f, cams[CR_SLOT_LEFT].angleZ = 15.0f;
    EXPECT_EQ(crMultiviewAdjustCameraPose(h, &param, kNone, CR_SLOT_RIGHT), 0);
    EXPECT_TRUE(crSame(cam().worldPoints[0], {123.0f, 456.0f}) && callerMap() == map);
    EngineHandle* fresh = crMultiviewCreate(0);
    crMultiviewInit(fresh, &param);
    for (int i = 0; i < 4 * 300; ++i) {
        const int pos = i / 300, r = i % 300;
        // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): the rebuilt tables must match bit for bit
        ASSERT_EQ(0, memcmp(state()->luts[pos][r], crTopviewState(fresh)->luts[pos][r], 1600)) << i;
        for (int c = 0; c < 200; ++c) ASSERT_EQ(state()->weights[pos]->data[r][c], -1.0f);
    }
    crMultiviewRelease(&fresh);
}

TEST_F(TopviewAdjustTest, EvenSizesShiftTheRadiusHalfAPixelButNotTheAzimuthAndAtMostFiftyPairsCount) {
    const float px = cam().principalX, py = cam().principalY;
    const Point2f right = cast(px + 2.0f, py), left = cast(px - 0.25f, py), below = cast(px, py + 2.0f);
    ASSERT_FALSE(crSame(left, cast(px + 0.25f, py)));                           // the azimuth matters
    EXPECT_TRUE((cam().imageWidth = 320, crSame(cast(px + 1.5f, py), right)));  // radius from dx + 0.5
    EXPECT_TRUE(crSame(cast(px - 0.25f, py), left));  // radius 0.25 either way, azimuth still left
    EXPECT_TRUE((cam().imageWidth = 321, cam().imageHeight = 240, crSame(cast(px, py + 1.5f), below)));  // dy - 0.5: up
    cam().pointCount = 60, cam().spare3[0] = cam().spare3[1] = 0x5A5A5A5A;  // at most 50 pairs are used
    for (int i = 0; i < 50; ++i) cam().imagePoints[i] = {170.0f, 130.0f};
    EXPECT_EQ(crMultiviewAdjustCameraPose(h, &param, kNone, CR_SLOT_RIGHT), 0);
    EXPECT_TRUE(cam().spare3[0] == 0x5A5A5A5A && cam().spare3[1] == 0x5A5A5A5A);
    EXPECT_TRUE(crSame(cam().worldPoints[49], cam().worldPoints[0]));
}

// Offsets move the trial pose; sentinel angles give rays along -z, 100 / tan aX behind; a miss stores (PX, -PY).
TEST_F(TopviewAdjustTest, OffsetsSentinelAnglesAndMissedRays) {
    const float u = 190.0f, v = 150.0f, shift[6] = {10.0f, 20.0f}, higher[6] = {0.0f, 0.0f, -100.0f};
    const Point2f base = cast(u, v), shifted = cast(u, v, shift), far = cast(u, v, higher);
    const auto near = [](Point2f p, float x, float y) {
        EXPECT_NEAR(p.x, x, 1e-3f);
        EXPECT_NEAR(p.y, y, 1e-3f);
    };
    near(shifted, base.x + 10.0f, base.y - 20.0f);                // stored with Y negated
    near(far, 100.0f + 2.0f * (base.x - 100.0f), 2.0f * base.y);  // twice the height
    cam().pixelScaleX = 0.0f, cam().undistortion[0] = 0.5f;       // radius -1 and azimuth -2 pi for every point
    EXPECT_TRUE(crSame(cast(300.0f, 200.0f), cast(10.0f, 20.0f)));
    near((cam().undistortion[0] = 0.0f, cast(10.0f, 20.0f)), 100.0f, 100.0f / kTan60);  // no c0: -2 pi, a ray along -z
    const float turned[6] = {0.0f, 0.0f, 0.0f, 0.0f, 90.0f}, tilted[6] = {0.0f, 0.0f, 0.0f, 15.0f};
    cam().pixelScaleX = 100.0f;
    near(cast(u, v, turned), 100.0f + 100.0f / kTan60, 0.0f);
    near(cast(u, v, tilted), 100.0f, 100.0f / std::tan(1.3089969f));
    cam().undistortion[0] = 0.7f, cam().undistortion[1] = 0.0f, cam().angleX = 30.0f;  // 40 degrees up from 30 down
    const float trial[6] = {5.0f, -7.0f}, steeper[6] = {5.0f, -7.0f, 0.0f, 30.0f};
    EXPECT_TRUE(crSame(cast(160.0f, 100.0f, trial), {100.0f + 5.0f, -(0.0f - 7.0f)}));
    EXPECT_FALSE(crSame(cast(160.0f, 100.0f, steeper), {105.0f, 7.0f}));  // 60 degrees: it meets the ground
}

}  // namespace
