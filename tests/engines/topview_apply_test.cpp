// Top view: composition through the blend map, the turned frame, pictures
// placed by SetImage, and the LUT and mask outputs.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "image/image.h"
#include "numerics/numerics.h"
#include "topview_fixture.h"

namespace {

using TopviewApplyTest = TopviewTest;

struct Bgr {
    unsigned char b0, b1, b2;
};

void crFillImage(Image* img, Bgr colour) {
    for (int r = 0; r < img->height; ++r)
        for (int c = 0; c < img->width; ++c) {
            img->data[r][3 * c] = colour.b0;
            img->data[r][3 * c + 1] = colour.b1;
            img->data[r][3 * c + 2] = colour.b2;
        }
}

// Known warped pictures: front, left, right, rear.
constexpr Bgr kFront = {100, 101, 100}, kLeftCam = {200, 201, 200}, kRightCam = {50, 51, 52}, kRear = {10, 11, 12};

class TopviewComposeTest : public TopviewTest {
protected:
    void SetUp() override {
        TopviewTest::SetUp();
        param.mode = 7;  // an all-front map, overwritten pixel by pixel below
        crMultiviewInit(h, &param);
        crFillImage(state()->warped[kPosFront], kFront);
        crFillImage(state()->warped[kPosLeft], kLeftCam);
        crFillImage(state()->warped[kPosRight], kRightCam);
        crFillImage(state()->warped[kPosRear], kRear);
        out.assign(static_cast<size_t>(crPackedStride(200)) * 300, 0);
    }
    const unsigned char* outAt(int c, int r) const { return out.data() + r * crPackedStride(200) + 3 * c; }
    std::vector<unsigned char> out;
};

TEST_F(TopviewComposeTest, CodesPickOrMixTheirCameras) {
    setMap(0, 0, 0, 0, 0);
    setMap(1, 0, 255, 0, 0);  // left alone, although b0 = 255 starts the rear pairs
    setMap(2, 0, 0, 255, 0);
    setMap(3, 0, 255, 255, 0);
    setMap(4, 0, 0, 0, 128);
    setMap(5, 0, 255, 0, 64);
    setMap(6, 0, 0, 255, 200);
    setMap(7, 0, 255, 255, 255);
    setMap(8, 0, 10, 20, 30);
    setMap(9, 0, 254, 0, 7);
    ASSERT_EQ(crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.data()), 0);
    EXPECT_PIXEL(outAt(0, 0), 100, 101, 100);
    EXPECT_PIXEL(outAt(1, 0), 200, 201, 200);
    EXPECT_PIXEL(outAt(2, 0), 50, 51, 52);
    EXPECT_PIXEL(outAt(3, 0), 10, 11, 12);
    EXPECT_PIXEL(outAt(4, 0), 150, 151, 150);  // (100 * 256 + 100 * 128) >> 8
    EXPECT_PIXEL(outAt(5, 0), 57, 58, 59);     // rear and left, a quarter left
    EXPECT_PIXEL(outAt(6, 0), 60, 61, 62);     // front and right, 200/256 right
    EXPECT_PIXEL(outAt(7, 0), 49, 50, 51);
    EXPECT_PIXEL(outAt(8, 0), 10, 20, 30);
    EXPECT_PIXEL(outAt(9, 0), 254, 0, 7);
}

TEST_F(TopviewComposeTest, TintMarksOnlyTheMixedZones) {
    param.flags = CR_MULTI_TINT;
    param.mode = 4;  // keep the map while the flags change
    crMultiviewInit(h, &param);
    setMap(0, 0, 0, 0, 128);
    setMap(1, 0, 255, 255, 255);
    setMap(2, 0, 255, 0, 0);
    crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.data());
    EXPECT_PIXEL(outAt(0, 0), 150, 151, 139);  // (150 + 128) / 2
    EXPECT_PIXEL(outAt(1, 0), 49, 50, 51);     // 255 is no mixing weight
    EXPECT_PIXEL(outAt(2, 0), 200, 201, 200);
}

TEST_F(TopviewComposeTest, NullFramesKeepTheirWarpedPictures) {
    setMap(0, 0, 255, 0, 0);
    const std::vector<unsigned char> frame(static_cast<size_t>(crPackedStride(320)) * 240, 9);
    crMultiviewApply(h, frame.data(), nullptr, nullptr, nullptr, out.data());
    EXPECT_PIXEL(outAt(0, 0), 200, 201, 200);  // left keeps its earlier picture
    EXPECT_PIXEL(outAt(99, 40), 9, 9, 9);      // the front camera sees this pixel
    EXPECT_PIXEL(outAt(100, 299), 0, 0, 255);  // ... but not this one: the fill colour
}

TEST_F(TopviewApplyTest, ApplyBeforeInitLeavesTheOutputAlone) {
    std::vector<unsigned char> out(64, 0xAB);
    EXPECT_EQ(crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.data()), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xAB), 64);
    int len = -1;
    EXPECT_EQ(crMultiviewGetLUTLen(h, &len), 0);
    EXPECT_EQ(len, 0);
}

// The frame is 60 x 45 for a 45 x 60 view: caller pixel (c, r) is frame
// pixel (59 - r, c). Rows of 45 pixels pad to 136 bytes, frame rows of 60
// pixels need 180: neither buffer may be sized for the other.
TEST_F(TopviewApplyTest, TurnedFrameHandsEveryOutputBackInTheCallersOrientation) {
    param.flags = CR_MULTI_TURNED;
    setView(45, 60, 20.0f, 30.0f, 2.0f);
    param.mode = 7;
    crMultiviewInit(h, &param);
    ASSERT_EQ(state()->width, 60);
    ASSERT_EQ(state()->height, 45);
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 60; ++x) setMap(x, y, static_cast<unsigned char>(1 + x), static_cast<unsigned char>(1 + y), 7);

    const size_t bytes = static_cast<size_t>(crPackedStride(45)) * 60;
    std::vector<unsigned char> out(bytes + 16, 0xAB);
    crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.data());
    for (int r = 0; r < 60; ++r)
        for (int c = 0; c < 45; ++c)
            ASSERT_TRUE(crPixelIs(out.data() + r * crPackedStride(45) + 3 * c, 1 + (59 - r), 1 + c, 7)) << c << "," << r;
    EXPECT_EQ(std::count(out.begin() + bytes, out.end(), 0xAB), 16);

    const std::vector<unsigned char> mask = callerMap();
    ASSERT_EQ(mask.size(), bytes);
    for (int r = 0; r < 60; ++r)
        EXPECT_EQ(0, std::memcmp(mask.data() + r * crPackedStride(45), out.data() + r * crPackedStride(45), 3 * 45));

    int len = 0;
    crMultiviewGetMaskLen(h, &len, 1);
    EXPECT_EQ(len, 45 * 60 * 4);
    std::vector<unsigned char> rgb32(static_cast<size_t>(len) + 8, 0xAB), expected(static_cast<size_t>(len));
    crMultiviewGetMask(h, rgb32.data(), 0, 1);
    crMakeBinMaskRGB32(45, 60, mask.data(), expected.data(), nullptr);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), rgb32.begin()));
    EXPECT_EQ(rgb32[static_cast<size_t>(len)], 0xAB);
}

TEST_F(TopviewApplyTest, TurnedFramePutsTheWorldOriginWhereTheCallerSaysAndTurnsTheLut) {
    param.flags = CR_MULTI_TURNED | CR_MULTI_BILINEAR;
    param.mode = 2;
    crMultiviewInit(h, &param);
    const TopviewState* s = state();
    ASSERT_EQ(s->width, 300);
    ASSERT_EQ(s->height, 200);
    // The vehicle's rectangle is centred on frame column 300 - 150, row 100.
    EXPECT_EQ(s->carLeft, crAlign4(150 - 20));
    EXPECT_EQ(s->carTop, crAlign4(100 - 40));

    int len = 0;
    crMultiviewGetLUTLen(h, &len);
    ASSERT_EQ(len, 200 * 300 * 4);
    std::vector<float> flat(200 * 300 * 2);
    for (int r = 0; r < 300; ++r)
        for (int c = 0; c < 200; ++c) {
            flat[2 * (r * 200 + c)] = s->luts[kPosRear][c][2 * (299 - r)];
            flat[2 * (r * 200 + c) + 1] = s->luts[kPosRear][c][2 * (299 - r) + 1];
        }
    std::vector<unsigned char> expected(static_cast<size_t>(len)), got(static_cast<size_t>(len));
    crMakeBinView(200, 300, flat.data(), expected.data(), nullptr, 1);
    crMultiviewGetLUT(h, got.data(), len, CR_SLOT_REAR);
    EXPECT_EQ(got, expected);
}

TEST_F(TopviewApplyTest, GetLutRejectsWrongLengthsAndSlots) {
    crMultiviewInit(h, &param);
    const int len = 200 * 300 * 4;
    std::vector<unsigned char> got(static_cast<size_t>(len), 0xAB);
    crMultiviewGetLUT(h, got.data(), len - 1, CR_SLOT_LEFT);
    crMultiviewGetLUT(h, got.data(), len, 4);
    crMultiviewGetLUT(h, got.data(), len, -1);
    EXPECT_EQ(std::count(got.begin(), got.end(), 0xAB), len);

    std::vector<float> flat;
    for (int r = 0; r < 300; ++r) flat.insert(flat.end(), state()->luts[kPosLeft][r], state()->luts[kPosLeft][r] + 400);
    std::vector<unsigned char> expected(static_cast<size_t>(len));
    crMakeBinView(200, 300, flat.data(), expected.data(), nullptr, 0);
    EXPECT_EQ(crMultiviewGetLUT(h, got.data(), len, CR_SLOT_LEFT), 0);
    EXPECT_EQ(got, expected);
}

TEST_F(TopviewApplyTest, MaskLengthsPerFormat) {
    crMultiviewInit(h, &param);
    const int expected[] = {200 * 300 * 2, 200 * 300 * 4, 200 * 300 * 2, 600 * 300, 0};
    for (int format = 0; format <= 4; ++format) {
        int len = -1;
        crMultiviewGetMaskLen(h, &len, format);
        EXPECT_EQ(len, expected[format]) << format;
    }
    std::vector<unsigned char> buffer(16, 0xAB);
    crMultiviewGetMask(h, buffer.data(), 16, 4);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xAB), 16);
}

// The plain matrix formulation, q = M (X, Y, 0, 1) through crMultiplyMat and the
// lens steps one by one, gives the LUT's values to the bit.
TEST_F(TopviewApplyTest, LutsMatchTheMatrixFormulationBitForBit) {
    CameraParam& cam = cams[CR_SLOT_REAR];
    cam.angleX = 17.0f;
    cam.angleZ = 183.0f;
    cam.angleY = -4.5f;
    cam.originX = 55.0f;  // not applied by the top view
    const float k[5] = {1.02f, -0.031f, 0.0042f, -0.0003f, 0.00001f};
    std::copy(k, k + 5, cam.distortion);
    crMultiviewInit(h, &param);

    CameraParam centred = cam;
    centred.originX = 0.0f;
    Matrix* m = crCreateMatrix(3, 4);
    Matrix* point = crCreateMatrix(4, 1);
    Matrix* q = crCreateMatrix(3, 1);
    crGetProjection3x4(m, &centred);
    int mapped = 0;
    for (int r = 0; r < 300; r += 7)
        for (int c = 0; c < 200; c += 5) {
            point->data[0][0] = (c - 100.0f) * 2.0f;
            point->data[1][0] = 2.0f * (r - 150.0f);
            point->data[2][0] = 0.0f;
            point->data[3][0] = 1.0f;
            crMultiplyMat(m, point, q);
            const float z = q->data[2][0] == 0.0f ? 1.0f : q->data[2][0];
            const float xn = q->data[0][0] / z, yn = q->data[1][0] / z;
            const float rr = sqrtf(xn * xn + yn * yn), theta = atanf(rr);
            const float t3 = theta * theta * theta, t5 = theta * ((theta * theta) * (theta * theta));
            const float t7 = theta * (theta * theta) * ((theta * theta) * (theta * theta));
            const float t9 = theta * (((theta * theta) * (theta * theta)) * ((theta * theta) * (theta * theta)));
            const float rho = k[0] * theta + k[1] * t3 + k[2] * t5 + k[3] * t7 + k[4] * t9;
            const float u = cam.pixelScaleX * (rho * xn / rr) + cam.principalX;
            const float v = yn * rho / rr * cam.pixelScaleY + cam.principalY;
            const float* entry = &state()->luts[kPosRear][r][2 * c];
            if (u >= 0.0f && u < 320.0f && v >= 0.0f && v < 240.0f) {
                EXPECT_EQ(entry[0], u) << c << "," << r;
                EXPECT_EQ(entry[1], v) << c << "," << r;
                ++mapped;
            } else {
                EXPECT_EQ(entry[0], -1.0f);
            }
        }
    EXPECT_GT(mapped, 100);
    crFreeMatrix(&m);
    crFreeMatrix(&point);
    crFreeMatrix(&q);
}

// ---- Warped pictures ----------------------------------------------------------
// Apply warps each camera only where the blend map takes from it; what the
// caller sees must still be a warp of each camera's last frame over the whole
// view, through the tables and sampler in force when that frame came.

std::vector<unsigned char> crTexturedFrame(int seed) {
    std::vector<unsigned char> frame(static_cast<size_t>(crPackedStride(320)) * 240);
    for (int r = 0; r < 240; ++r)
        for (int i = 0; i < 960; ++i) frame[r * 960 + i] = static_cast<unsigned char>(i * (seed + 2) + r * (seed + 5));
    return frame;
}

// A camera's whole-view warp of `frame` through a copy of its LUT.
class ReferenceWarp {
public:
    ReferenceWarp(const std::vector<unsigned char>& frame, float** lut, int flags) {
        Image* src = crCreateImage(3, 320, 240);
        Image* dst = crCreateImage(3, 200, 300);
        crCopyPackedToImage(frame.data(), src);
        const unsigned char fill[3] = {0, 0, 255};
        crRemap(src, dst, lut, flags, fill);
        pixels_.resize(static_cast<size_t>(dst->stride) * 300);
        crCopyImageToPacked(dst, pixels_.data());
        crReleaseImage(&src);
        crReleaseImage(&dst);
    }
    const unsigned char* at(int c, int r) const { return pixels_.data() + r * 600 + 3 * c; }

private:
    std::vector<unsigned char> pixels_;
};

class TopviewWarpTest : public TopviewTest {
protected:
    void SetUp() override {
        TopviewTest::SetUp();
        for (int pos = 0; pos < 4; ++pos) frames[pos] = crTexturedFrame(pos);
    }
    void applyFrames() {
        crMultiviewApply(h, frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data(), out.data());
    }
    void applyNone() { crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, out.data()); }
    const unsigned char* outAt(int c, int r) const { return out.data() + r * 600 + 3 * c; }
    ::testing::AssertionResult outShows(const ReferenceWarp& warp, int c, int r) const {
        return crPixelIs(outAt(c, r), warp.at(c, r)[0], warp.at(c, r)[1], warp.at(c, r)[2]);
    }
    // Init in `mode`, Apply with every frame; the left camera's whole-view warp.
    ReferenceWarp startWithFrames(int mode) {
        param.mode = mode;
        crMultiviewInit(h, &param);
        applyFrames();
        return ReferenceWarp(frames[kPosLeft], state()->luts[kPosLeft], static_cast<int>(param.flags & 3u));
    }
    // Codes the map's pixels (c0..c1, r) as the left camera, through replaceMap.
    void takeLeftAt(int r, int c0, int c1) {
        std::vector<unsigned char> map = callerMap();
        for (int c = c0; c <= c1; ++c) {
            unsigned char* p = map.data() + r * 600 + 3 * c;
            p[0] = 255;
            p[1] = 0;
            p[2] = 0;
        }
        crMultiviewSetImage(h, 200, 300, map.data(), CR_REPLACE_MAP, 0, 0, 0, 0);
    }

    std::vector<unsigned char> frames[4];
    std::vector<unsigned char> out = std::vector<unsigned char>(600 * 300);
};

TEST_F(TopviewWarpTest, PixelsTakenAfterTheLastFrameComeFromIt) {
    const ReferenceWarp left = startWithFrames(7);  // front everywhere: the left picture is not needed yet
    takeLeftAt(150, 0, 199);
    applyNone();
    for (int c = 0; c < 200; ++c) ASSERT_TRUE(outShows(left, c, 150)) << c;
}

TEST_F(TopviewWarpTest, NewTablesKeepThePicturesOfTheOutgoingOnes) {
    const ReferenceWarp before = startWithFrames(7);
    cams[CR_SLOT_LEFT].positionX += 40.0f;  // new left table, new sampler, and a map that takes from the left
    param.flags = CR_MULTI_BILINEAR;
    param.mode = 3;
    crMultiviewInit(h, &param);
    applyNone();
    const ReferenceWarp after(frames[kPosLeft], state()->luts[kPosLeft], 1);
    int differing = 0;
    for (int r = kTop; r < kBottom; r += 3) {  // the left strip
        ASSERT_TRUE(outShows(before, 40, r)) << r;
        differing += std::memcmp(before.at(40, r), after.at(40, r), 3) != 0;
    }
    EXPECT_GT(differing, 10);  // the check can tell the two tables apart

    applyFrames();
    EXPECT_TRUE(outShows(after, 40, 150));
}

TEST_F(TopviewWarpTest, PoseAdjustmentKeepsThePicturesOfTheOutgoingTables) {
    const ReferenceWarp before = startWithFrames(3);
    cams[CR_SLOT_LEFT].positionY += 30.0f;
    const float none[6] = {};
    crMultiviewAdjustCameraPose(h, &param, none, CR_SLOT_LEFT);
    takeLeftAt(20, 100, 199);  // pixels the left camera did not feed before
    applyNone();
    for (int c = 100; c < 200; ++c)
        ASSERT_TRUE(outShows(before, c, 20)) << c;
}

// ---- Pictures --------------------------------------------------------------

TEST_F(TopviewApplyTest, CarPictureFitsTheBodyBetweenItsBlackMargins) {
    param.mode = 3;
    crMultiviewInit(h, &param);
    TestPicture car(100, 20);
    car.fill(40, 50, 60);
    for (int r = 0; r < 20; ++r)
        for (int i = 0; i < 20; ++i) {
            car.set(i, r, 0, 0, 0);
            car.set(99 - i, r, 0, 0, 0);
        }
    crMultiviewSetImage(h, 100, 20, car.bytes.data(), CR_CAR_PICTURE, 0, 0, 0, 0);
    // L = R = 19: the 62 body-wide pixels span the 40 of the vehicle, k = 40/62;
    // the picture is 65 wide and starts 12 columns left of the vehicle.
    const Image* overlay = state()->overlay;
    EXPECT_PIXEL(overlay->data[150] + 3 * 82, 40, 50, 60);
    EXPECT_PIXEL(overlay->data[150] + 3 * 118, 40, 50, 60);
    EXPECT_PIXEL(overlay->data[150] + 3 * 70, 0, 0, 0);   // black margin: transparent
    EXPECT_PIXEL(overlay->data[kTop] + 3 * 100, 0, 0, 0);  // first pasted row is skipped
    EXPECT_PIXEL(overlay->data[kTop + 1] + 3 * 100, 40, 50, 60);
    EXPECT_PIXEL(mapAt(100, 150), 40, 50, 60);  // transferred over the vehicle colour
    EXPECT_PIXEL(mapAt(70, 150), 255, 0, 0);
}

// Pastes a 10 x 6 gradient at (x, y) and checks the caller's map around it.
void crCheckPlacedPicture(int x, int y, const std::vector<unsigned char>& before,
                          const std::vector<unsigned char>& after, int viewWidth) {
    const int stride = crPackedStride(viewWidth);
    for (int r = y - 1; r <= y + 6; ++r)
        for (int c = x - 1; c <= x + 10; ++c) {
            if (c < 0 || r < 0) continue;
            const unsigned char* got = after.data() + r * stride + 3 * c;
            const bool inner = c >= std::max(x, 0) + 1 && c <= x + 10 - 2 && r >= y + 1 && r <= y + 6 - 2;
            if (inner)
                EXPECT_TRUE(crPixelIs(got, 10 + (c - x), 20 + (r - y), 30)) << c << "," << r;
            else
                EXPECT_EQ(0, std::memcmp(got, before.data() + r * stride + 3 * c, 3)) << c << "," << r;
        }
}

TEST_F(TopviewApplyTest, PlacedPictureSkipsTheOutermostRowsAndColumns) {
    for (bool turned : {false, true}) {
        param.flags = turned ? CR_MULTI_TURNED : 0u;
        param.mode = 3;
        crMultiviewInit(h, &param);
        TestPicture picture(10, 6);
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 10; ++c) picture.set(c, r, static_cast<unsigned char>(10 + c), static_cast<unsigned char>(20 + r), 30);
        for (int x : {5, -3}) {
            crMultiviewSetImage(h, 0, 0, nullptr, CR_CLEAR_OVERLAY, 0, 0, 0, 0);
            crMultiviewInit(h, &param);
            const std::vector<unsigned char> before = callerMap();
            crMultiviewSetImage(h, 10, 6, picture.bytes.data(), 0, x, 7, 10, 6);
            SCOPED_TRACE(turned ? "turned" : "normal");
            crCheckPlacedPicture(x, 7, before, callerMap(), 200);
        }
    }
}

TEST_F(TopviewApplyTest, ReplaceMapTakesOnlyAPictureOfTheViewSize) {
    for (bool turned : {false, true}) {
        param.flags = turned ? CR_MULTI_TURNED : 0u;
        crMultiviewInit(h, &param);
        TestPicture picture(200, 300);
        for (int r = 0; r < 300; ++r)
            for (int c = 0; c < 200; ++c) picture.set(c, r, static_cast<unsigned char>(c), static_cast<unsigned char>(r), 3);
        const std::vector<unsigned char> before = callerMap();
        crMultiviewSetImage(h, 199, 300, picture.bytes.data(), CR_REPLACE_MAP, 0, 0, 0, 0);
        EXPECT_EQ(callerMap(), before);
        crMultiviewSetImage(h, 200, 300, picture.bytes.data(), CR_REPLACE_MAP, 0, 0, 0, 0);
        const std::vector<unsigned char> after = callerMap();
        for (int r = 0; r < 300; ++r)
            ASSERT_EQ(0, std::memcmp(after.data() + r * 600, picture.at(0, r), 600)) << r << (turned ? " turned" : "");
    }
}

TEST_F(TopviewApplyTest, ModeFourKeepsTheMapAndReInitKeepsTheOverlay) {
    param.mode = 2;
    crMultiviewInit(h, &param);
    TestPicture picture(10, 6);
    picture.fill(40, 50, 60);
    crMultiviewSetImage(h, 10, 6, picture.bytes.data(), 0, 20, 20, 10, 6);
    EXPECT_PIXEL(mapAt(22, 22), 40, 50, 60);

    crMultiviewInit(h, &param);  // same size: the overlay comes back
    EXPECT_PIXEL(mapAt(22, 22), 40, 50, 60);

    setMap(150, 150, 1, 2, 3);
    param.mode = 4;
    crMultiviewInit(h, &param);
    EXPECT_PIXEL(mapAt(150, 150), 1, 2, 3);

    param.mode = 2;
    param.viewWidth = 204;  // new size: a new, empty overlay
    crMultiviewInit(h, &param);
    EXPECT_PIXEL(mapAt(22, 22), 0, 0, 1);
}

TEST_F(TopviewApplyTest, SaveImageWritesTheBlendMapAsBmp) {
    param.flags = CR_MULTI_TURNED;
    param.mode = 5;
    crMultiviewInit(h, &param);
    const std::string path = crTempPath("topview_map.bmp");
    std::remove(path.c_str());
    crMultiviewSaveImage(h, path.c_str());
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> saved((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

    Image* img = crCreateImage(3, 200, 300);
    crCopyPackedToImage(callerMap().data(), img);
    int size = 0;
    unsigned char* bmp = crImageToBmp(img, &size);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(saved, std::vector<unsigned char>(bmp, bmp + size));
    std::free(bmp);
    crReleaseImage(&img);
    std::remove(path.c_str());
}

TEST_F(TopviewApplyTest, SaveLutWritesTheFrameTableOfOneSlot) {
    setView(8, 5, 4.0f, 2.0f, 50.0f);
    crMultiviewInit(h, &param);
    const std::string path = crTempPath("topview_lut.txt");
    std::remove(path.c_str());
    crMultiviewSaveLUT(h, path.c_str(), 4);
    EXPECT_FALSE(std::ifstream(path).good());
    crMultiviewSaveLUT(h, path.c_str(), CR_SLOT_FRONT);
    std::ifstream file(path);
    std::string line;
    int lines = 0;
    while (std::getline(file, line)) ++lines;
    EXPECT_EQ(lines, 8 * 5);
    std::remove(path.c_str());
}

}  // namespace
