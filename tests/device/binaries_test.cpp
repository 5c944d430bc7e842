// Device binaries: view LUTs, masks, point lists and top-view zone blocks.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "camrig.h"

namespace {

using Pair = std::array<int, 2>;
using Pairs = std::vector<Pair>;
using Bytes = std::vector<unsigned char>;

Pairs Decode(const unsigned char* b, int len) {  // entries of i16 x then i16 y, little-endian
    Pairs pairs;
    for (int i = 0; i + 3 < len; i += 4)
        pairs.push_back({int16_t(b[i] | b[i + 1] << 8), int16_t(b[i + 2] | b[i + 3] << 8)});
    return pairs;
}

TEST(BinView, EvenRowsPrecedeOddRows) {
    for (int height : {1, 3}) {
        std::vector<float> lut;  // entry (c, r) holds source (c, 2r)
        for (int r = 0; r < height; ++r) lut.insert(lut.end(), {0.0f, 2.0f * r, 1.0f, 2.0f * r});
        Bytes out(8 * height + 1, 0xAB);
        int len = 0;
        crMakeBinView(2, height, lut.data(), out.data(), &len, 0);
        EXPECT_EQ(out.back(), 0xAB) << "wrote past W x H x 4 bytes";
        const Pairs all = {{0, 0}, {64, 0}, {0, 128}, {64, 128}, {0, 64}, {64, 64}};
        EXPECT_EQ(Decode(out.data(), len), Pairs(all.begin(), all.begin() + 2 * ptrdiff_t(height)));
    }
}

TEST(BinView, EntryEncoding) {
    const struct {
        bool half;
        float x, y;
        bool odd;
        int mode;
        Pair expected;
    } cases[] = {{false, 10.4f, 20.6f, false, 0, {640, 640}},  {false, -2.5f, -3.0f, false, 0, {-192, -128}},
                 {false, 10.25f, 20.5f, false, 1, {656, 656}}, {false, 10.25f, 21.5f, true, 1, {656, 656}},
                 {false, 10.25f, 21.5f, false, 1, {656, 688}}, {false, 0.0f, 20.5f, true, 1, {0, 624}},
                 {false, 0.0f, 0.5f, true, 1, {0, -48}},       {false, 600.0f, 0.0f, false, 1, {38400 - 65536, 0}},
                 {false, -1.0f, -1.0f, true, 1, {-1, -1}},     {false, -1.7f, -1.0f, false, 1, {-1, -1}},
                 {false, -1.0f, -0.5f, false, 0, {-64, 0}},    {true, -1.0f, -1.0f, false, 0, {-64, -64}},
                 {true, -2.0f, -0.25f, true, 1, {-1, -1}},     {true, 20.5f, 20.5f, false, 1, {656, 656}}};
    for (const auto& c : cases) {
        float lut[4] = {};
        const size_t row = c.odd;  // row 0 (even) or 1 (odd) of a 1 x 2 LUT
        lut[2 * row] = c.x, lut[2 * row + 1] = c.y;
        unsigned char out[8];
        (c.half ? crMakeBinViewHalf : crMakeBinView)(1, 2, lut, out, nullptr, c.mode);
        EXPECT_EQ(Decode(out, 8)[c.odd], c.expected)
            << (c.half ? "half" : "full") << " (" << c.x << ", " << c.y << ") odd " << c.odd << " mode " << c.mode;
    }
}

using Rows = std::vector<std::vector<uint32_t>>;  // pixels as 0xb2b1b0
using Entries = std::vector<uint32_t>;

// The encoder's entries, in output order, for rows packed with 4-byte padding (fill 0x5A).
Entries Encode(void (*encoder)(int, int, const unsigned char*, unsigned char*, int*), int size, const Rows& rows) {
    const int width = int(rows[0].size()), height = int(rows.size()), stride = (3 * width + 3) & ~3;
    const size_t pixels = size_t(width) * height;
    Bytes map(size_t(stride) * height, 0x5A), out(size * pixels);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < 3 * width; ++c) map[r * stride + c] = rows[r][c / 3] >> (8 * (c % 3));
    int len = -1;
    encoder(width, height, map.data(), out.data(), &len);
    EXPECT_EQ(len, size * width * height);
    Entries entries(pixels, 0);
    for (size_t i = 0; i < out.size(); ++i) entries[i / size] |= uint32_t(out[i]) << (8 * (i % size));
    return entries;
}

TEST(BinMask, CodesColoursAndChromaSharing) {
    const Rows codes = {{0x000000, 0x090000, 0x0000FF, 0x0900FF, 0x00FFFF, 0x09FFFF, 0x00FF00, 0x800000}};
    const Entries rgb = {0, 0x901, 2, 0x903, 4, 0x905, 6, 0x8001};  // 0x8001 is the bytes 01 80
    EXPECT_EQ(Encode(crMakeBinMaskRGB16, 2, codes), rgb);
    EXPECT_EQ(Encode(crMakeBinMaskRGB32, 4, codes), rgb);
    EXPECT_EQ(Encode(crMakeBinMaskYCbCr, 2, codes), (Entries{0, 0x901, 0xFF02, 0x903, 4, 0x905, 0xFF06, 0x8001}));
    const Rows colours = {{0x010101, 0x563412, 0x000100, 0x07FFFE}};
    EXPECT_EQ(Encode(crMakeBinMaskRGB16, 2, colours), (Entries{0x0008, 0x5318, 0x0008, 0x0FF8}));
    EXPECT_EQ(Encode(crMakeBinMaskRGB32, 4, colours), (Entries{0x01010108, 0x56341208, 0x00010008, 0x07FFFE08}));
    // (10, 20, 30) twice: Y 34 with Cb 122, then Y 34 with the even pixel's Cr 133; another odd colour keeps that Cr.
    EXPECT_EQ(Encode(crMakeBinMaskYCbCr, 2, {{0x1E140A, 0x1E140A, 0x1E140A, 0xFFFEFF}}),
              (Entries{0x7888, 0x8488, 0x7888, 0x8400 + 0xE8 * 4 + 8}));
}

TEST(BinMask, FieldsPaddingCopyAndLengths) {
    const Rows rows = {{0x010000, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF},  // W = 5 pads each row
                       {0x020000, 0x00FF00, 0x00FF00, 0x00FF00, 0x07FF00},
                       {0x030000, 0x00FFFF, 0x00FFFF, 0x00FFFF, 0x00FFFF}};
    const Entries expected = {0x101, 2, 2, 2, 2, 0x301, 4, 4, 4, 4, 0x201, 6, 6, 6, 0x707};  // rows 0, 2, 1
    EXPECT_EQ(Encode(crMakeBinMaskRGB16, 2, rows), expected);
    EXPECT_EQ(Encode(crMakeBinMaskRGB32, 4, rows), expected);
    Bytes map(49, 0), out(49, 0);  // 48 bytes are copied
    for (int i = 0; i < 48; ++i) map[i] = static_cast<unsigned char>(i);
    int len = 0;
    crMakeBinMaskRGB24(5, 3, map.data(), out.data(), &len);
    EXPECT_EQ(len, 48);
    EXPECT_EQ(out, map);
    void (*lengths[4])(int, int, int*) = {crMakeBinMaskRGB16Len, crMakeBinMaskYCbCrLen, crMakeBinMaskRGB32Len,
                                          crMakeBinMaskRGB24Len};
    const int sizes[4] = {30, 30, 60, 48};
    for (int i = 0; i < 4; ++i) {
        lengths[i](5, 3, &len);
        EXPECT_EQ(len, sizes[i]) << i;
    }
    EXPECT_EQ(lengths[0], lengths[1]);  // one function under two names
}

TEST(BinPoints, CalibrationListsCameraByCamera) {
    std::vector<CameraParam> cams(4, CameraParam{});  // point i of camera k: (100k + i, -i), ground (1000k + i, i + .5)
    const int counts[4] = {4, 0, 6, 5};
    for (int k = 0; k < 4; ++k) {
        cams[k].pointCount = counts[k];
        for (int i = 0; i < 50; ++i)
            cams[k].imagePoints[i] = {100.0f * k + i, -1.0f * i}, cams[k].worldPoints[i] = {1000.0f * k + i, i + 0.5f};
    }
    unsigned char out[50 * 4];
    int len = 0;
    crMakeBinIPoint(cams.data(), out, &len);
    ASSERT_EQ(len, 60);
    const Pairs image = Decode(out, len);
    EXPECT_EQ((Pairs{image[3], image[4], image[14]}), (Pairs{{3, -3}, {200, 0}, {304, -4}}));  // camera 1 adds nothing
    crMakeBinWPoint(cams.data(), out, &len);
    ASSERT_EQ(len, 60);
    EXPECT_EQ(Decode(out, len)[14], (Pair{3004, 5}));
    cams[0].pointCount = -2, cams[2].pointCount = 1, cams[2].imagePoints[0] = {12.5f, -3.5f}, cams[3].pointCount = 0;
    crMakeBinIPoint(cams.data(), out, &len);
    EXPECT_EQ(Bytes(out, out + len), (Bytes{0x0D, 0x00, 0xFC, 0xFF}));
}

TEST(BinPoints, GuideMiddleRowOrEveryRow) {
    std::vector<Point2f> sets[2];  // point i of row r in set s is (10s + r, i), 3 points per row
    for (int s = 0; s < 2; ++s)
        for (int r = 0; r < 5; ++r)
            for (int i = 0; i < 3; ++i) sets[s].push_back({float(10 * s + r), float(i)});
    PgsParam g{};
    g.rowCount = 4, g.pointCount = 3, g.points0 = sets[0].data(), g.points1 = sets[1].data();
    unsigned char out[15 * 4];
    int len = 0;
    crMakeBinPGS(&g, out, &len, 0, 0);
    EXPECT_EQ(Decode(out, len), (Pairs{{1, 0}, {1, 1}, {1, 2}}));
    crMakeBinPGS(&g, out, &len, 5, 1);
    ASSERT_EQ(len, 48);
    EXPECT_EQ(Decode(out, len)[11], (Pair{13, 2}));
    g.rowCount = 5;
    crMakeBinPGS(&g, out, &len, 1, 0);
    EXPECT_EQ(Decode(out, len)[0], (Pair{12, 0}));
    // A separator, a point rounding to (-1, -1), a value wrapping to 16 bits.
    g.rowCount = 1, sets[0][0] = {-1.0f, -1.0f}, sets[0][1] = {-1.0f, -0.5f}, sets[0][2] = {2.5f, 40000.0f};
    crMakeBinPGS(&g, out, nullptr, 0, 0);
    EXPECT_EQ(Decode(out, 12), (Pairs{{-1, -1}, {-1, -1}, {3, 40000 - 65536}}));
    g.pointCount = 0;
    crMakeBinPGS(&g, out, &len, 0, 1);
    EXPECT_EQ(len, 0);
}

using Quad = std::array<int, 4>;
using Block = std::array<Quad, 9>;  // (x, y, width, height) per zone, halved

Block Zones(void (*writer)(const MultiviewParam*, uint16_t*, int*), const MultiviewParam& p, bool withLen = true) {
    unsigned char out[72 + 1];
    out[72] = 0xEE;
    int len = 0;
    writer(&p, reinterpret_cast<uint16_t*>(out), withLen ? &len : nullptr);
    EXPECT_EQ(len, withLen ? 72 : 0);
    EXPECT_EQ(out[72], 0xEE) << "wrote past 72 bytes";
    Block block;
    for (size_t i = 0; i < 36; ++i) block[i / 4][i % 4] = out[2 * i] | out[2 * i + 1] << 8;
    return block;
}

// 1800 x 4500 at scale 10 in a centred 400 x 600 view: a 180 x 452 vehicle at columns 112..292, rows 76..528.
MultiviewParam Example(int width = 400, int height = 600) {
    MultiviewParam p{};
    p.carWidth = 1800, p.carLength = 4500, p.scale = 10.0f;
    p.viewWidth = width, p.viewHeight = height, p.viewCenterX = width / 2.0f, p.viewCenterY = height / 2.0f;
    return p;
}

TEST(TopviewZones, NormalTurnedTooWideAndSinglePrecision) {
    // Front, front-left, left, rear-left, rear, rear-right, right, front-right, vehicle.
    EXPECT_EQ(Zones(crMakeTopviewParam, Example()), (Block{{{56, 0, 90, 38},
                                                            {0, 0, 56, 38},
                                                            {0, 38, 56, 226},
                                                            {0, 264, 56, 36},
                                                            {56, 264, 90, 36},
                                                            {146, 264, 54, 36},
                                                            {146, 38, 54, 226},
                                                            {146, 0, 54, 38},
                                                            {56, 38, 90, 226}}}));
    // Turned 600 x 400: columns 76..528, rows 112..292 (290 aligned up); front band left, left strip below.
    EXPECT_EQ(Zones(crMakeFullTopviewParam, Example(600, 400)), (Block{{{0, 56, 38, 90},
                                                                        {0, 146, 38, 54},
                                                                        {38, 146, 226, 54},
                                                                        {264, 146, 36, 54},
                                                                        {264, 56, 36, 90},
                                                                        {264, 0, 36, 56},
                                                                        {38, 0, 226, 56},
                                                                        {0, 0, 38, 56},
                                                                        {38, 56, 226, 90}}}));
    MultiviewParam p = Example();
    p.carWidth = 5000;  // 500 pixels in a 400-pixel view
    const Block wide = Zones(crMakeTopviewParam, p);
    for (int zone : {1, 2, 3, 5, 6, 7}) EXPECT_EQ(wide[zone][2], 0) << zone;
    EXPECT_EQ(wide[8], (Quad{0, 38, 200, 226}));
    // 3 units at scale 2/3: exactly 4.5 in single precision (-> 5 -> 8 pixels), just below in double (-> 4).
    p = Example(40, 40);
    p.carWidth = 3, p.scale = 2.0f / 3.0f;
    EXPECT_EQ(Zones(crMakeTopviewParam, p, false)[8][2], 4);
}

TEST(MaskCarPos, ClipsLeftAndTopBelowRightAndBottomAbove) {
    const auto carPos = [](const MultiviewParam& p) {
        Quad q;  // top, left, right, bottom
        crGetMaskCarPos(&p, &q[0], &q[1], &q[2], &q[3]);
        return q;
    };
    MultiviewParam p = Example();
    EXPECT_EQ(carPos(p), (Quad{76, 112, 292, 528}));
    p.viewCenterY = 100.0f, p.viewCenterX = 380.0f;  // top -126 aligns to -120; left 290 -> 292, right 472 > 400
    EXPECT_EQ(carPos(p), (Quad{0, 292, 400, -120 + 452}));
    p = Example(600, 400);  // turned: a 400 x 600 frame with the origin at (400 - 150, 300)
    p.flags = CR_MULTI_TURNED, p.viewCenterY = 150.0f;
    EXPECT_EQ(carPos(p), (Quad{76, 160, 340, 528}));
}

}  // namespace
