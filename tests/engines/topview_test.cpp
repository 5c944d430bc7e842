// Top view: the blend map of every mode, composition, the turned frame, warped pictures, SetImage, LUT and mask
// outputs, and pose adjustment.
#include <algorithm>
#include <cmath>

#include "image/image.h"
#include "topview_fixture.h"

namespace {

class TopviewBlendTest : public TopviewTest {
protected:
    void expectMap(std::initializer_list<std::array<int, 5>> probes) {  // {c, r, b0, b1, b2}
        for (const auto& p : probes) EXPECT_EQ(crPx(mapAt(p[0], p[1])), (Px{p[2], p[3], p[4]})) << p[0] << "," << p[1];
    }
};

TEST_F(TopviewBlendTest, VehicleAndSideZonesAreTheSameInEveryMode) {
    for (int mode : {0, 1, 2, 3, 5}) {
        SCOPED_TRACE(mode);
        init(mode);
        const TopviewState* s = state();
        EXPECT_EQ((std::vector<int>{s->carWidthPx, s->carLengthPx, s->carLeft, s->carTop, s->carRight, s->carBottom}),
                  (std::vector<int>{40, 80, kLeft, kTop, kRight, kBottom}));
        expectMap({{100, 150, 0x11, 0x22, 0x33}, {kRight - 1, kBottom - 1, 0x11, 0x22, 0x33}, {kLeft - 1, 150, 255, 0, 0},
                   {kRight, 150, 0, 255, 0}, {100, kTop - 1, 0, 0, 0}, {100, kBottom, 255, 255, 0}});
    }
    param.carWidth = 500;  // 252 pixels: edges -20 and 232 clip to 0 and 200, leaving no side zone
    init(3);
    EXPECT_TRUE(state()->carLeft == 0 && state()->carRight == 200);
    for (int i = 0; i < 200 * 300; ++i) {
        const unsigned char* p = mapAt(i % 200, i / 200);
        ASSERT_FALSE(p[0] != p[1] && p[0] % 255 == 0 && p[1] % 255 == 0) << "side camera at " << i;
    }
}

// Mode 0 at image centres (tent 1): only the ramps decide, front 14/112, left 8/80, right 7/80.
TEST_F(TopviewBlendTest, OverlapModeSharesByRampAndTentAndRaisesAnUnseenSideToOne) {
    init(0);
    for (int pos : {kPosFront, kPosLeft, kPosRight})
        for (int c : {72, 127}) state()->luts[pos][98][2 * c] = 160.0f, state()->luts[pos][98][2 * c + 1] = 120.0f;
    crTopviewPaintBlendMap(state(), &param);
    expectMap({{72, 98, 0, 0, 111}, {127, 98, 0, 255, 103}});  // 255 * 0.1 / (0.225 + 1/255) = 111.39; 103.10
    EXPECT_EQ(state()->weights[kPosRear]->data[98][72], 0.0f);
    EXPECT_EQ(state()->weights[kPosFront]->data[98][72], 0.125f);
    cams[CR_SLOT_LEFT].positionX = -100000.0f, cams[CR_SLOT_LEFT].pixelScaleX = 300.0f;  // sees none of the view
    init(0);
    EXPECT_EQ(state()->luts[kPosLeft][50][80], -1.0f);
    expectMap({{40, 50, 0, 0, 1}, {40, 250, 255, 0, 1}});
    EXPECT_TRUE(mapAt(160, 50)[1] == 255 && mapAt(160, 50)[2] > 1 && mapAt(160, 50)[2] < 255);  // right still shares
}

// Mode 1: front cone 45 degrees with a 10-degree ramp, side cones 75; corners code the longitudinal weight,
// rounded and clamped to 1..254, unmapped as the side camera.
TEST_F(TopviewBlendTest, AngularModeWeightsFollowTheIncidenceConeAndCodeTheCorners) {
    init(1);
    float **front = state()->weights[kPosFront]->data, **rear = state()->weights[kPosRear]->data;
    float** right = state()->weights[kPosRight]->data;
    EXPECT_EQ((std::vector<float>{front[60][101], front[60][100], front[120][100], right[60][100], right[0][0]}),
              (std::vector<float>{1.0f, -1.0f, -1.0f, 1.0f, -1.0f}));  // the axis has no direction; 50, 64, 80 degrees
    EXPECT_NEAR(front[102][100], (0.7853982f - atanf(84.0f / 100.0f)) / 0.17453292f, 1e-4f);
    EXPECT_GE(state()->luts[kPosRight][0][0], 0.0f);
    front[10][10] = 1.0f, front[10][11] = 0.5f, front[10][190] = -1.0f, front[10][191] = 0.25f;
    rear[290][10] = 0.999f, rear[290][190] = 0.0f;
    crTopviewPaintBlendMap(state(), &param);
    expectMap({{10, 10, 0, 0, 0}, {11, 10, 0, 0, 128}, {190, 10, 0, 255, 0}, {191, 10, 0, 255, 191},
               {10, 290, 255, 0, 1}, {190, 290, 255, 255, 254}});
}

// Beside each 45-degree seam (side camera) and above or below it (longitudinal camera), modes 2, 3 and 5.
TEST_F(TopviewBlendTest, SeamsPickTheCameraOnEachSide) {
    const int probes[8][5] = {{50, 92, 0, 0, 1},     {60, 82, 0, 0, 0},     {150, 92, 0, 255, 1},
                              {140, 82, 0, 255, 0},  {50, 212, 255, 0, 1},  {60, 222, 255, 0, 0},
                              {150, 212, 255, 255, 1}, {140, 222, 255, 255, 0}};  // {c, r, rear, right, side}
    init(2);  // pair codes (rear, right, side 255 or longitudinal 1); the front-right line starts at carRight - 1
    for (const auto& p : probes) EXPECT_PIXEL(mapAt(p[0], p[1]), p[2], p[3], p[4] ? 255 : 1) << p[0] << "," << p[1];
    expectMap({{60, 92, 0x11, 0x22, 0x33}, {60, 212, 0x11, 0x22, 0x33}, {kRight, kTop - 1, 0x11, 0x22, 0x33}});
    init(3);  // single-camera codes; the front-right line starts at carRight
    for (const auto& p : probes)
        EXPECT_PIXEL(mapAt(p[0], p[1]), p[4] ? 255 - p[3] : p[2], p[4] ? p[3] : p[2], 0) << p[0] << "," << p[1];
    expectMap({{60, 92, 0x11, 0x22, 0x33}, {kRight + 1, kTop - 1, 0x11, 0x22, 0x33}, {kRight, kTop - 1, 0, 0, 0}});
    param.frontFov = 180.0f;  // mode 5, front seams along the vehicle's front edge
    init(5);
    expectMap({{kLeft - 1, kTop - 10, 0, 0, 16},       // d = 10.0538, a = 0.1035, v = 16.76
               {kLeft - 1, kTop - 1, 0, 0, 127},       // 45 degrees of a 90-degree half field
               {50, 212, 255, 0, 255},                 // beyond the rear-left seam
               {125, 222, 255, 255, 53},               // a = acos(30 / 30.418), v = 53.6
               {kRight, kBottom + 5, 255, 255, 12}});  // on the vertical, yet d carries 1/255
}

using TopviewApplyTest = TopviewTest;

// Known warped pictures (front 100, left 200, right 50, rear 10) under a map coded pixel by pixel.
TEST_F(TopviewApplyTest, CodesPickOrMixTheirCamerasTintMarksMixingAndNullFramesKeepTheirPictures) {
    init(7);  // all front
    const int warped[4][3] = {{100, 101, 100}, {200, 201, 200}, {50, 51, 52}, {10, 11, 12}};
    for (int pos = 0; pos < 4; ++pos)
        for (int i = 0; i < 200 * 300 * 3; ++i) state()->warped[pos]->data[i / 600][i % 600] = warped[pos][i % 3];
    // {code, output}: (255, 0, 0) is left although 255 starts rear pairs; mixes are (a * (256 - w) + b * w) >> 8.
    const int cases[10][6] = {{0, 0, 0, 100, 101, 100}, {255, 0, 0, 200, 201, 200}, {0, 255, 0, 50, 51, 52},
                              {255, 255, 0, 10, 11, 12}, {0, 0, 128, 150, 151, 150}, {255, 0, 64, 57, 58, 59},
                              {0, 255, 200, 60, 61, 62}, {255, 255, 255, 49, 50, 51}, {10, 20, 30, 10, 20, 30},
                              {254, 0, 7, 254, 0, 7}};  // pictures show as they are
    for (int i = 0; i < 10; ++i) setMap(i, 0, cases[i][0], cases[i][1], cases[i][2]);
    TestPicture out(200, 300);
    ASSERT_EQ(crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.bytes.data()), 0);
    for (int i = 0; i < 10; ++i) EXPECT_PIXEL(out.at(i, 0), cases[i][3], cases[i][4], cases[i][5]) << i;
    init(4, CR_MULTI_TINT);  // mode 4 keeps the map
    crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.bytes.data());
    EXPECT_PIXEL(out.at(4, 0), 150, 151, 139);  // (150 + 128) / 2
    EXPECT_PIXEL(out.at(7, 0), 49, 50, 51);     // 255 is no mixing weight
    const std::vector<unsigned char> frame(size_t(crPackedStride(320)) * 240, 9);
    crMultiviewApply(h, frame.data(), nullptr, nullptr, nullptr, out.bytes.data());
    EXPECT_PIXEL(out.at(1, 0), 200, 201, 200);  // left keeps its earlier picture
    EXPECT_PIXEL(out.at(99, 40), 9, 9, 9);      // the front camera sees this pixel
    EXPECT_PIXEL(out.at(100, 299), 0, 0, 255);  // ... but not this one: the fill colour
}

// A 45 x 60 turned view: caller pixel (c, r) is frame pixel (59 - r, c); 136-byte caller rows, 180-byte frame rows.
TEST_F(TopviewApplyTest, TurnedFrameHandsEveryOutputBackInTheCallersOrientation) {
    setView(45, 60, 20.0f, 30.0f, 2.0f);
    init(7, CR_MULTI_TURNED);
    for (int i = 0; i < 60 * 45; ++i) setMap(i % 60, i / 60, 1 + i % 60, 1 + i / 60, 7);
    const int stride = crPackedStride(45), bytes = stride * 60;
    std::vector<unsigned char> out(bytes + 16, 0xAB), rgb32(45 * 60 * 4 + 8, 0xAB), want(45 * 60 * 4);
    crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.data());
    for (int i = 0; i < 45 * 60; ++i)
        ASSERT_EQ(crPx(&out[i / 45 * stride + i % 45 * 3]), (Px{60 - i / 45, 1 + i % 45, 7})) << i;
    EXPECT_EQ(std::count(out.begin() + bytes, out.end(), 0xAB), 16);
    const std::vector<unsigned char> mask = callerMap();  // the same pixels
    for (int r = 0; r < 60; ++r) ASSERT_EQ(0, std::memcmp(&mask[r * stride], &out[r * stride], 135)) << r;
    int len = 0;
    crMultiviewGetMaskLen(h, &len, 1), crMultiviewGetMask(h, rgb32.data(), 0, 1);
    crMakeBinMaskRGB32(45, 60, mask.data(), want.data(), nullptr);
    EXPECT_TRUE(len == 45 * 60 * 4 && std::equal(want.begin(), want.end(), rgb32.begin()) && rgb32[len] == 0xAB);
}

// GetLUT packs one slot's table in the caller's orientation; a wrong length or slot writes nothing.
TEST_F(TopviewApplyTest, GetLutPacksOneSlotInTheCallersOrientation) {
    for (bool turned : {false, true}) {
        int len = 0, slot = turned ? CR_SLOT_REAR : CR_SLOT_LEFT;
        init(2, turned ? CR_MULTI_TURNED | CR_MULTI_BILINEAR : 0u);  // turned: the vehicle at frame column 150, row 100
        EXPECT_TRUE(!turned || (state()->carLeft == crAlign4(150 - 20) && state()->carTop == crAlign4(100 - 40)));
        crMultiviewGetLUTLen(h, &len);
        ASSERT_EQ(len, 200 * 300 * 4);
        float** lut = state()->luts[crTopviewPosition(slot)];
        std::vector<float> flat(200 * 300 * 2);
        for (int i = 0; i < 200 * 300 * 2; ++i)
            flat[i] = turned ? lut[i / 2 % 200][2 * (299 - i / 400) + i % 2] : lut[i / 400][i % 400];
        std::vector<unsigned char> want(len), got(len, 0xAB);
        crMakeBinView(200, 300, flat.data(), want.data(), nullptr, turned);
        crMultiviewGetLUT(h, got.data(), len - 1, slot), crMultiviewGetLUT(h, got.data(), len, 4);
        crMultiviewGetLUT(h, got.data(), len, -1);
        EXPECT_EQ(std::count(got.begin(), got.end(), 0xAB), len) << turned;
        EXPECT_EQ(crMultiviewGetLUT(h, got.data(), len, slot), 0);
        EXPECT_EQ(got, want) << turned;
    }
}

TEST_F(TopviewApplyTest, MaskLengthsPerFormatAndNothingForAnUnknownFormat) {
    init(0);
    std::vector<int> lengths(5, -1);
    for (int format = 0; format <= 4; ++format) crMultiviewGetMaskLen(h, &lengths[format], format);
    EXPECT_EQ(lengths, (std::vector<int>{200 * 300 * 2, 200 * 300 * 4, 200 * 300 * 2, 600 * 300, 0}));
    std::vector<unsigned char> buffer(16, 0xAB);
    crMultiviewGetMask(h, buffer.data(), 16, 4);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xAB), 16);
}

// Each camera is warped only where the map takes from it, yet the caller must see a whole-view warp of its last
// frame through the tables and sampler in force when that frame came.
class TopviewWarpTest : public TopviewTest {
protected:
    void SetUp() override {
        TopviewTest::SetUp();
        for (int pos = 0; pos < 4; ++pos)
            for (int i = 0; i < 960 * 240; ++i) frames[pos].push_back((i % 960) * (pos + 2) + i / 960 * (pos + 5));
    }
    void apply(bool withFrames) {
        const auto f = [&](int pos) { return withFrames ? frames[pos].data() : nullptr; };
        crMultiviewApply(h, f(0), f(1), f(2), f(3), out.data());
    }
    std::vector<unsigned char> leftWarp(int flags) {  // the whole-view warp of the left frame through its current LUT
        Image *src = crCreateImage(3, 320, 240), *dst = crCreateImage(3, 200, 300);
        const unsigned char fill[3] = {0, 0, 255};
        std::vector<unsigned char> pixels(600 * 300);
        crCopyPackedToImage(frames[kPosLeft].data(), src), crRemap(src, dst, state()->luts[kPosLeft], flags, fill);
        crCopyImageToPacked(dst, pixels.data()), crReleaseImage(&src), crReleaseImage(&dst);
        return pixels;
    }
    bool shows(const std::vector<unsigned char>& warp, int c, int r) {
        return !std::memcmp(&out[r * 600 + 3 * c], &warp[r * 600 + 3 * c], 3);
    }
    void takeLeftAt(int r, int c0, int c1) {  // codes map pixels (c0..c1, r) as left, through replaceMap
        std::vector<unsigned char> map = callerMap();
        for (int c = c0; c <= c1; ++c) map[r * 600 + 3 * c] = 255, map[r * 600 + 3 * c + 1] = map[r * 600 + 3 * c + 2] = 0;
        crMultiviewSetImage(h, 200, 300, map.data(), CR_REPLACE_MAP, 0, 0, 0, 0);
    }
    std::vector<unsigned char> frames[4], out = std::vector<unsigned char>(600 * 300);
};

TEST_F(TopviewWarpTest, PixelsTakenAfterTheLastFrameComeFromIt) {
    init(7), apply(true);  // front everywhere: the left picture is not needed yet
    const auto left = leftWarp(0);
    takeLeftAt(150, 0, 199), apply(false);
    for (int c = 0; c < 200; ++c) ASSERT_TRUE(shows(left, c, 150)) << c;
}

TEST_F(TopviewWarpTest, NewTablesOrPoseKeepThePicturesOfTheOutgoingTables) {
    init(7), apply(true);
    const auto before = leftWarp(0);
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
    const float none[6] = {};
    crMultiviewAdjustCameraPose(h, &param, none, CR_SLOT_LEFT);
    takeLeftAt(20, 100, 199), apply(false);  // pixels the left camera did not feed before
    for (int c = 100; c < 200; ++c) ASSERT_TRUE(shows(after, c, 20)) << c;
}

// carPicture: black margins L = R = 19 leave 62 body pixels for the vehicle's 40, so the picture is 65 wide from
// 12 columns left of the vehicle; its first row is skipped, black is transparent.
TEST_F(TopviewApplyTest, CarPictureFitsTheBodyBetweenItsBlackMargins) {
    init(3);
    TestPicture car(100, 20);
    car.fill(40, 50, 60);
    for (int i = 0; i < 20 * 20; ++i) car.set(i % 20, i / 20, 0, 0, 0), car.set(99 - i % 20, i / 20, 0, 0, 0);
    crMultiviewSetImage(h, 100, 20, car.bytes.data(), CR_CAR_PICTURE, 0, 0, 0, 0);
    const int overlay[5][3] = {{82, 150, 1}, {118, 150, 1}, {70, 150, 0}, {100, kTop, 0}, {100, kTop + 1, 1}};
    for (const auto& o : overlay)
        EXPECT_EQ(crPx(state()->overlay->data[o[1]] + 3 * o[0]), (o[2] ? Px{40, 50, 60} : Px{})) << o[0] << "," << o[1];
    EXPECT_PIXEL(mapAt(100, 150), 40, 50, 60);  // over the vehicle colour
    EXPECT_PIXEL(mapAt(70, 150), 255, 0, 0);
}

// A placed 10 x 6 gradient at (x, 7) keeps its outermost rows and columns (and any clipped part) off the map.
TEST_F(TopviewApplyTest, PlacedPictureSkipsTheOutermostRowsAndColumns) {
    TestPicture picture(10, 6);
    for (int i = 0; i < 60; ++i) picture.set(i % 10, i / 10, 10 + i % 10, 20 + i / 10, 30);
    for (bool turned : {false, true})
        for (int x : {5, -3}) {
            crMultiviewSetImage(h, 0, 0, nullptr, CR_CLEAR_OVERLAY, 0, 0, 0, 0);
            init(3, turned ? CR_MULTI_TURNED : 0u);
            const std::vector<unsigned char> before = callerMap();
            crMultiviewSetImage(h, 10, 6, picture.bytes.data(), 0, x, 7, 10, 6);
            const std::vector<unsigned char> after = callerMap();
            for (int r = 6; r <= 13; ++r)
                for (int c = std::max(x - 1, 0); c <= x + 10; ++c) {
                    const bool inner = c > std::max(x, 0) && c <= x + 8 && r >= 8 && r <= 11;
                    const Px want = inner ? Px{10 + c - x, 13 + r, 30} : crPx(&before[r * 600 + 3 * c]);
                    EXPECT_EQ(crPx(&after[r * 600 + 3 * c]), want) << turned << " " << c << "," << r;
                }
        }
}

TEST_F(TopviewApplyTest, ReplaceMapTakesOnlyAPictureOfTheViewSize) {
    TestPicture picture(200, 300);
    for (int i = 0; i < 200 * 300; ++i) picture.set(i % 200, i / 200, i % 200, i / 200, 3);
    for (bool turned : {false, true}) {
        init(0, turned ? CR_MULTI_TURNED : 0u);
        const std::vector<unsigned char> before = callerMap();
        crMultiviewSetImage(h, 199, 300, picture.bytes.data(), CR_REPLACE_MAP, 0, 0, 0, 0);
        EXPECT_EQ(callerMap(), before);
        crMultiviewSetImage(h, 200, 300, picture.bytes.data(), CR_REPLACE_MAP, 0, 0, 0, 0);
        EXPECT_EQ(callerMap(), picture.bytes) << turned;
    }
}

TEST_F(TopviewApplyTest, ReInitKeepsTheOverlayOfTheSameSizeModeFourKeepsTheMapClearOverlayEmptiesIt) {
    TestPicture picture(10, 6);
    picture.fill(40, 50, 60);
    init(2), crMultiviewSetImage(h, 10, 6, picture.bytes.data(), 0, 20, 20, 10, 6), init(2);
    EXPECT_PIXEL(mapAt(22, 22), 40, 50, 60);
    setMap(150, 150, 1, 2, 3), init(4);
    EXPECT_PIXEL(mapAt(150, 150), 1, 2, 3);
    crMultiviewSetImage(h, 0, 0, nullptr, CR_CLEAR_OVERLAY, 0, 0, 0, 0), init(2);
    EXPECT_PIXEL(mapAt(22, 22), 0, 0, 1);
    crMultiviewSetImage(h, 10, 6, picture.bytes.data(), 0, 20, 20, 10, 6);
    param.viewWidth = 204, init(2);  // a new size: a new, empty overlay
    EXPECT_PIXEL(mapAt(22, 22), 0, 0, 1);
}

const float kNone[6] = {}, kTan60 = std::tan(1.0471976f);
bool crSame(Point2f a, Point2f b) { return a.x == b.x && a.y == b.y; }

// The right camera: angle linear in the radius (c0 = 0.01, one radian per sensor unit), odd size, tilted 60 degrees.
class TopviewAdjustTest : public TopviewTest {
protected:
    void SetUp() override {
        TopviewTest::SetUp();
        init(0);
        cam().undistortion[0] = 0.01f, cam().imageWidth = 321, cam().imageHeight = 241, cam().angleX = 60.0f;
    }
    CameraParam& cam() { return cams[CR_SLOT_RIGHT]; }
    Point2f cast(float u, float v, const float* offsets = kNone) {  // the ground point written for (u, v)
        cam().pointCount = 1, cam().imagePoints[0] = {u, v};
        crMultiviewAdjustCameraPose(h, &param, offsets, CR_SLOT_RIGHT);
        return cam().worldPoints[0];
    }
};

// No points: nothing written, the map stays as painted, LUTs rebuilt from records changed after Init, weights gone.
TEST_F(TopviewAdjustTest, NoPointsWritesNothingButRebuildsTheLutsFromTheRecords) {
    const std::vector<unsigned char> map = callerMap();
    cam().pointCount = 0, cam().worldPoints[0] = {123.0f, 456.0f};
    cams[CR_SLOT_LEFT].positionX += 30.0f, cams[CR_SLOT_LEFT].angleZ = 15.0f;
    EXPECT_EQ(crMultiviewAdjustCameraPose(h, &param, kNone, CR_SLOT_RIGHT), 0);
    EXPECT_TRUE(crSame(cam().worldPoints[0], {123.0f, 456.0f}) && callerMap() == map);
    EngineHandle* fresh = crMultiviewCreate(0);
    crMultiviewInit(fresh, &param);
    for (int i = 0; i < 4 * 300; ++i) {
        const int pos = i / 300, r = i % 300;
        ASSERT_EQ(0, memcmp(state()->luts[pos][r], static_cast<TopviewState*>(fresh->state)->luts[pos][r], 1600)) << i;
        for (int c = 0; c < 200; ++c) ASSERT_EQ(state()->weights[pos]->data[r][c], -1.0f);
    }
    crMultiviewRelease(&fresh);
}

TEST_F(TopviewAdjustTest, UsesAtMostFiftyPairs) {
    cam().pointCount = 60, cam().spare3[0] = cam().spare3[1] = 0x5A5A5A5A;
    for (int i = 0; i < 50; ++i) cam().imagePoints[i] = {170.0f, 130.0f};
    crMultiviewAdjustCameraPose(h, &param, kNone, CR_SLOT_RIGHT);
    EXPECT_TRUE(cam().spare3[0] == 0x5A5A5A5A && cam().spare3[1] == 0x5A5A5A5A);
    EXPECT_TRUE(crSame(cam().worldPoints[49], cam().worldPoints[0]));
}

TEST_F(TopviewAdjustTest, EvenImageSizesShiftTheRadiusHalfAPixelButNotTheAzimuth) {
    const float px = cam().principalX, py = cam().principalY;
    const Point2f right = cast(px + 2.0f, py), left = cast(px - 0.25f, py), below = cast(px, py + 2.0f);
    ASSERT_FALSE(crSame(left, cast(px + 0.25f, py)));  // the azimuth matters
    cam().imageWidth = 320;
    EXPECT_TRUE(crSame(cast(px + 1.5f, py), right));  // radius from dx + 0.5
    EXPECT_TRUE(crSame(cast(px - 0.25f, py), left));  // radius 0.25 either way, azimuth still left
    cam().imageWidth = 321, cam().imageHeight = 240;
    EXPECT_TRUE(crSame(cast(px, py + 1.5f), below));  // rows count upward: dy - 0.5
}

// Offsets move the trial pose: position shifts and heightens the ground point; a ray along -z (the sentinel
// incidence of a lens without c0) lands 100 / tan aX behind, turned by aZ; a ray above the horizon stores (PX, -PY).
TEST_F(TopviewAdjustTest, OffsetsSentinelAnglesAndMissedRays) {
    const float u = 190.0f, v = 150.0f, shift[6] = {10.0f, 20.0f}, higher[6] = {0.0f, 0.0f, -100.0f};
    const Point2f base = cast(u, v), shifted = cast(u, v, shift), far = cast(u, v, higher);
    EXPECT_NEAR(shifted.x, base.x + 10.0f, 1e-3f);
    EXPECT_NEAR(shifted.y, base.y - 20.0f, 1e-3f);                 // stored with Y negated
    EXPECT_NEAR(far.x - 100.0f, 2.0f * (base.x - 100.0f), 1e-3f);  // twice the height
    EXPECT_NEAR(far.y, 2.0f * base.y, 1e-3f);
    cam().pixelScaleX = 0.0f, cam().undistortion[0] = 0.5f;  // radius -1 and azimuth -2 pi for every point
    EXPECT_TRUE(crSame(cast(300.0f, 200.0f), cast(10.0f, 20.0f)));
    cam().undistortion[0] = 0.0f;  // without c0 the incidence is -2 pi too: a ray along -z
    const Point2f down = cast(10.0f, 20.0f);
    cam().pixelScaleX = 100.0f;
    const float turned[6] = {0.0f, 0.0f, 0.0f, 0.0f, 90.0f}, tilted[6] = {0.0f, 0.0f, 0.0f, 15.0f};
    const Point2f t = cast(u, v, turned), steep = cast(u, v, tilted);
    EXPECT_NEAR(down.x, 100.0f, 1e-3f);
    EXPECT_NEAR(down.y, 100.0f / kTan60, 1e-3f);
    EXPECT_NEAR(t.x, 100.0f + 100.0f / kTan60, 1e-3f);
    EXPECT_NEAR(t.y, 0.0f, 1e-3f);
    EXPECT_NEAR(steep.y, 100.0f / std::tan(1.3089969f), 1e-3f);
    cam().undistortion[0] = 0.7f, cam().undistortion[1] = 0.0f, cam().angleX = 30.0f;  // 40 degrees up from 30 down
    const float trial[6] = {5.0f, -7.0f}, steeper[6] = {5.0f, -7.0f, 0.0f, 30.0f};
    EXPECT_TRUE(crSame(cast(160.0f, 100.0f, trial), {100.0f + 5.0f, -(0.0f - 7.0f)}));
    EXPECT_FALSE(crSame(cast(160.0f, 100.0f, steeper), {105.0f, 7.0f}));  // 60 degrees: it meets the ground
}

}  // namespace
