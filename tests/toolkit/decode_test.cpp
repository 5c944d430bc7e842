// Target binaries made by the library decode back: sources within each format's precision, zones and weights
// exactly, points exactly, the zone block around the vehicle the library places; wrong lengths are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "camrig_toolkit/decode.h"
#include "camrig_toolkit/rig.h"

namespace {

using camrig::BinaryKind;
using Bytes = std::vector<unsigned char>;

TEST(DecodeLut, SourcesComeBackWithinTheFormatsPrecision) {
    struct Case {
        bool half;
        int mode;
        float dx, dy;  // the format's precision in camera pixels
    };
    const Case cases[] = {{false, 0, 0.5f, 1.0f},
                          {false, 1, 1 / 128.0f, 1 / 64.0f},
                          {true, 0, 1.0f, 1.0f},
                          {true, 1, 1 / 64.0f, 1 / 64.0f}};
    const int w = 13, h = 7;
    const size_t n = size_t(w) * h;
    std::mt19937 random(5);
    std::uniform_real_distribution<float> x(0.0f, 719.9f), y(0.0f, 479.9f);
    std::vector<float> lut(2 * n);
    for (size_t i = 0; i < n; ++i) {
        const bool none = i % 5 == 0, topRow = i % 7 == 1;  // top rows: above the odd field's first line
        lut[2 * i] = none ? -1.0f : x(random);
        lut[2 * i + 1] = none ? -1.0f : topRow ? y(random) / 480.0f : y(random);
    }
    Bytes bin(4 * n);
    for (const Case& c : cases) {
        (c.half ? crMakeBinViewHalf : crMakeBinView)(w, h, lut.data(), bin.data(), nullptr, c.mode);
        const camrig::LutEntries got = camrig::decodeLut(bin.data(), bin.size(), w, h, c.half);
        EXPECT_EQ(got.mode, c.mode);
        for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(got.valid[i], lut[2 * i] >= 0.0f) << c.half << c.mode << " entry " << i;
            if (lut[2 * i] < 0.0f) continue;
            ASSERT_NEAR(got.source[i].x, lut[2 * i], c.dx + 1e-3f) << c.half << c.mode << " entry " << i;
            ASSERT_NEAR(got.source[i].y, lut[2 * i + 1], c.dy + 1e-3f) << c.half << c.mode << " entry " << i;
        }
    }
    crMakeBinView(w, h, lut.data(), bin.data(), nullptr, 1);
    const camrig::Picture picture = lutPicture(camrig::decodeLut(bin.data(), bin.size(), w, h), 720, 480);
    const unsigned char* none = picture.row(0);  // entry 0 has no source: magenta
    EXPECT_TRUE(none[0] == 255 && none[1] == 0 && none[2] == 255);
    // Over a smaller frame, the summary counts as sourced the pixels the picture draws so.
    const camrig::LutEntries entries = camrig::decodeLut(bin.data(), bin.size(), w, h);
    const camrig::Picture half = lutPicture(entries, 360, 240);
    size_t drawn = 0;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) drawn += half.row(r)[size_t(3) * size_t(c)] == 0;
    std::smatch inside;
    const std::string summary = camrig::summarise(camrig::BinaryKind::lut, bin.data(), bin.size(), w, h, 360, 240);
    ASSERT_TRUE(std::regex_search(summary, inside, std::regex("inside the frame (\\d+), outside (\\d+)"))) << summary;
    EXPECT_EQ(std::stoul(inside[1]), drawn);
    EXPECT_GT(std::stoul(inside[2]), 0u);
}

// A blend map with every code (zones with and without weights) and colours, in equal pairs of columns so that the
// chroma the YCbCr format shares within a pair belongs to one colour.
Bytes crBlendMap(int w, int h) {
    std::mt19937 random(3);
    const size_t stride = size_t(crImageStride(3, w));
    Bytes map(stride * size_t(h));
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; c += 2) {
            unsigned char px[3];
            const unsigned v = random();
            if (v % 3 == 0) {
                px[0] = 1 + v / 3 % 254, px[1] = v >> 8, px[2] = v >> 16;
            } else {
                px[0] = v & 4 ? 255 : 0, px[1] = v & 8 ? 255 : 0, px[2] = v & 16 ? v >> 8 : 0;
            }
            for (size_t k = 0; k < 6; ++k) map[size_t(r) * stride + 3 * size_t(c) + k] = px[k % 3];
        }
    return map;
}

TEST(DecodeMask, ZonesAndWeightsExactColoursAsTheFormatKeepsThem) {
    struct Case {
        BinaryKind kind;
        void (*encode)(int, int, const unsigned char*, unsigned char*, int*);
        void (*length)(int, int, int*);
        int tolerance;
    };
    const Case cases[] = {{BinaryKind::maskRgb16, crMakeBinMaskRGB16, crMakeBinMaskRGB16Len, 15},
                          {BinaryKind::maskRgb32, crMakeBinMaskRGB32, crMakeBinMaskRGB32Len, 0},
                          {BinaryKind::maskYcbcr, crMakeBinMaskYCbCr, crMakeBinMaskYCbCrLen, 10},
                          {BinaryKind::maskRgb24, crMakeBinMaskRGB24, crMakeBinMaskRGB24Len, 0}};
    const int w = 10, h = 5;
    const size_t stride = size_t(crImageStride(3, w));
    const Bytes map = crBlendMap(w, h);
    const int zoneOf[2][2] = {{0, 6}, {2, 4}};
    for (const Case& c : cases) {
        int length = 0;
        c.length(w, h, &length);
        Bytes bin(static_cast<size_t>(length));
        c.encode(w, h, map.data(), bin.data(), nullptr);
        const camrig::MaskEntries got = camrig::decodeMask(bin.data(), bin.size(), w, h, c.kind);
        for (size_t at = 0; at < size_t(w) * size_t(h); ++at) {
            const unsigned char* px = &map[at / w * stride + 3 * (at % w)];
            const bool code = (px[0] == 0 || px[0] == 255) && (px[1] == 0 || px[1] == 255);
            const char* kind = camrig::binaryKindName(c.kind);
            ASSERT_EQ(got.zone[at], code ? zoneOf[px[0] / 255][px[1] / 255] + (px[2] != 0) : -1) << kind << at;
            ASSERT_EQ(got.weight[at], code ? px[2] : 0) << kind << at;
            for (int k = 0; code == false && k < 3; ++k)
                ASSERT_NEAR(int(got.colour[at] >> (16 - 8 * k) & 0xFF), px[k], c.tolerance) << kind << at << k;
        }
        EXPECT_EQ(camrig::maskPicture(got).width, w);
    }
}

TEST(DecodeMask, PaletteRunsCoverTheStrip) {
    const Bytes runs = {0, 255, 255, 3, 224, 0};  // 256 white, 4 black, 1 dark red
    const camrig::MaskEntries got = camrig::decodeMask(runs.data(), runs.size(), 261, 1, BinaryKind::maskPalette);
    EXPECT_EQ(got.colour[255], 0x00FFFFFFu);
    EXPECT_EQ(got.colour[259], 0u);
    EXPECT_EQ(got.colour[260], 17u);
    EXPECT_THROW(camrig::decodeMask(runs.data(), runs.size(), 260, 1, BinaryKind::maskPalette), camrig::RigError);
}

TEST(DecodePoints, CalibrationAndGuidePointsComeBackExactly) {
    std::vector<CameraParam> cams(4);
    const int counts[4] = {4, 0, 6, 5};
    std::vector<Point2f> want;
    for (int k = 0; k < 4; ++k) {
        cams[size_t(k)].pointCount = counts[k];
        for (int i = 0; i < counts[k]; ++i) {
            const Point2f p = {12.5f * float(i) - 30.25f, 7.5f * float(k) - 3.5f};
            cams[size_t(k)].imagePoints[i] = p;
            want.push_back({std::round(p.x), std::round(p.y)});
        }
    }
    Bytes bin(200);  // room for 50 points
    int length = 0;
    crMakeBinIPoint(cams.data(), bin.data(), &length);
    const std::vector<Point2f> got = camrig::decodePoints(bin.data(), size_t(length));
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(got[i].x == want[i].x && got[i].y == want[i].y) << i;

    camrig::Picture picture(20, 10);
    camrig::drawPoints(&picture, {{0, 0}, {19, 9}, {-1, -1}, {100, 3}}, 0x00FFFFFF);
    EXPECT_EQ(picture.row(0)[0], 255);
    EXPECT_EQ(picture.row(9)[57], 255);
    EXPECT_EQ(picture.row(5)[30], 0);
}

TEST(DecodeZones, NineRectanglesTileTheViewAroundTheVehicle) {
    struct Case {
        int carWidth, carLength, width, height;
        float cx, cy, scale;
    };
    const Case cases[] = {{1800, 4500, 400, 600, 200, 300, 10},
                          {1700, 4300, 720, 480, 300, 260, 12},
                          {2000, 5000, 720, 480, 360, 240, 8}};
    for (const Case& c : cases) {
        MultiviewParam p{};
        p.carWidth = c.carWidth, p.carLength = c.carLength, p.viewWidth = c.width, p.viewHeight = c.height;
        p.viewCenterX = c.cx, p.viewCenterY = c.cy, p.scale = c.scale;
        uint16_t block[36];
        for (auto make : {crMakeTopviewParam, crMakeFullTopviewParam}) {
            make(&p, block, nullptr);
            const auto zones = camrig::decodeZones(reinterpret_cast<const unsigned char*>(block), sizeof block);
            long area = 0;
            for (const camrig::ZoneRect& z : zones) area += long(z.width) * z.height;
            EXPECT_EQ(area, long(c.width) * c.height) << c.width << "x" << c.height;
        }
        crMakeTopviewParam(&p, block, nullptr);
        const auto zones = camrig::decodeZones(reinterpret_cast<const unsigned char*>(block), sizeof block);
        int top, left, right, bottom;
        crGetMaskCarPos(&p, &top, &left, &right, &bottom);
        if (top > 0 && left > 0 && right < c.width && bottom < c.height) {
            const camrig::ZoneRect car = zones[8];
            EXPECT_TRUE(car.x == left && car.y == top && car.width == right - left && car.height == bottom - top);
        }
    }
}

TEST(Decode, WrongLengthsAndNamesAreRefused) {
    const Bytes bytes(1000);
    constexpr size_t n = 35;  // 7 x 5
    const struct {
        BinaryKind kind;
        size_t length;
        int w, h;
    } cases[] = {{BinaryKind::lut, 4 * n - 1, 7, 5},
                 {BinaryKind::lutHalf, 4 * n, 5, 5},
                 {BinaryKind::maskRgb16, 4 * n, 7, 5},
                 {BinaryKind::maskRgb32, 2 * n, 7, 5},
                 {BinaryKind::maskYcbcr, 2 * n + 2, 7, 5},
                 {BinaryKind::maskRgb24, 3 * n, 7, 5},
                 {BinaryKind::maskPalette, 7, 1, 4},
                 {BinaryKind::points, 6, 0, 0},
                 {BinaryKind::zones, 70, 0, 0},
                 {BinaryKind::lut, 0, 0, 0}};
    for (const auto& c : cases)
        EXPECT_THROW(camrig::summarise(c.kind, bytes.data(), c.length, c.w, c.h), camrig::RigError)
            << camrig::binaryKindName(c.kind);
    EXPECT_THROW(camrig::parseBinaryKind("mask"), camrig::RigError);
}

TEST(Decode, KindsByNameAndByFileName) {
    for (BinaryKind k :
         {BinaryKind::lut, BinaryKind::lutHalf, BinaryKind::maskRgb16, BinaryKind::maskRgb32, BinaryKind::maskYcbcr,
          BinaryKind::maskRgb24, BinaryKind::points, BinaryKind::zones, BinaryKind::maskPalette})
        EXPECT_EQ(camrig::parseBinaryKind(camrig::binaryKindName(k)), k);
    const struct {
        const char* name;
        bool known;
        BinaryKind kind;
    } cases[] = {{"out/top_lut_front.bin", true, BinaryKind::lut},
                 {"bowl_behind_mask_ycbcr.bin", true, BinaryKind::maskYcbcr},
                 {"single_mask.bin", true, BinaryKind::maskPalette},
                 {"single_lut.bin", true, BinaryKind::lut},
                 {"top_points_ground.bin", true, BinaryKind::points},
                 {"top_zones.bin", true, BinaryKind::zones},
                 {"top_lut.txt", false, BinaryKind::lut},
                 {"calib_front.png", false, BinaryKind::lut}};
    for (const auto& c : cases) {
        BinaryKind kind = BinaryKind::zones;
        EXPECT_EQ(camrig::binaryKindFromName(c.name, &kind), c.known) << c.name;
        if (c.known) {
            EXPECT_EQ(kind, c.kind) << c.name;
        }
    }
}

}  // namespace
