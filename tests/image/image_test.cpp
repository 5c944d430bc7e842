// Remapping, weight tables, resizing, picture records, BMP encoding, colour conversion and line drawing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "image/remap_tables.h"
#include "remap_support.h"

namespace {

const unsigned char kFill[5] = {7, 8, 9, 10, 11};
int ramp(int c, int r, int k) { return 10 * c + 50 * r + k; }

// Sampler bounds (unsigned, last row and column rules), fraction-0 copies, null fill, flags; 1 to 5 channels.
TEST(Remap, SamplesFillsOrKeepsEachPosition) {
    const struct {
        bool alpha;
        int flags;
        float x, y;
        int v;
    } cases[] = {// v: channel 0 byte, -1 filled
                 {0, 0, -0.4f, 0, 0},     {0, 0, -0.5f, 0, -1},    {0, 0, 4.49f, 1.2f, 90}, {0, 0, 4.5f, 0, -1},
                 {0, 0, 1.5f, 0.5f, 70},  {0, 0, 0, 4.5f, -1},     {0, 0, 0, -0.6f, -1},    {0, 1, 4, 0, -1},
                 {0, 1, 3.999f, 0, 40},   {0, 1, 0, 4, -1},        {0, 1, 0, 3.999f, 200},  {0, 1, -0.0004f, 0, 0},
                 {0, 2, 0.9f, 2, -1},     {0, 2, 1, 2, 110},       {0, 2, 2.9996f, 2, -1},  {0, 2, 2, 0.5f, -1},
                 {0, 2, 1.5f, 2, 115},    {0, 2, 1.25f, 2, 113},   {0, 2, 1, 1.25f, 75},    {0, 3, 2, 2, 120},
                 {0, 3, 0.5f, 0, -1},     {0, 0, 0.5f, 0, 10},     {0, 1, 0.5f, 0, 5},      {0, 0x100, 0.5f, 0, 10},
                 {0, 0x101, 0.5f, 0, 5},  {0, 1, 1.25f, 1.5f, 88}, {1, 2, 0.5f, 0, 10},     {1, 3, 0.5f, 0, 5},
                 {1, 1, 1.25f, 1.5f, 88}, {1, 0, 4.5f, 0, -1},     {1, 1, 4, 0, -1},        {0, 1, 2, 3, 170},
                 {0, 2, 2, 1, 70}};
    for (int n = 1; n <= 5; ++n) {
        TestImage src(n, 5, 5), narrow(n, 3, 5);
        src.paint(ramp);
        for (const auto& t : cases) {
            SCOPED_TRACE(testing::Message() << n << "ch " << t.alpha << "/" << t.flags << " " << t.x << "," << t.y);
            TestImage dst(n, 1, 1);
            TestLut lut({{t.x, t.y}});
            const auto remap = t.alpha ? crRemapAlpha : crRemap;
            EXPECT_EQ(remap(src, dst, lut, t.flags, kFill), 0);
            if (!t.alpha || !(t.flags & 1)) remap(src, dst, lut, t.flags, nullptr);  // null fill keeps the bytes
            for (int k = 0; k < n; ++k) EXPECT_EQ(dst.px(0, 0)[k], t.v < 0 ? kFill[k] : t.v + k) << k;
            crRemap(narrow, dst, lut, 2, kFill);  // bicubic fills every pixel from a 3-pixel-wide source
            EXPECT_EQ(dst.pixel(0, 0), Bytes(kFill, kFill + n));
        }
    }
}

// Worked values: bilinear rows then columns, halves away from zero; bicubic overshoot clamped; keying per channel.
TEST(Remap, InterpolatesWorkedExamples) {
    TestImage src(1, 2, 2), dst(1, 3, 1), cubic(1, 4, 6), out(1, 3, 1), rgb(3, 2, 2), keyed(3, 3, 1);
    src.paint([](int c, int r, int) { return (Bytes{0, 100, 200, 255})[2 * r + c]; });
    TestLut lut({{0.5f, 0.75f}, {1, 0.5f}, {0.5f, 0}}), at({{1.5f, 1}, {1.5f, 2}, {1.5f, 3}});
    crRemap(src, dst, lut, 1, kFill);
    EXPECT_EQ(Bytes(dst->data[0], dst->data[0] + 3), (Bytes{183, 7, 50}));  // top 50, bottom 227.5, v 183.125
    src.px(1, 0)[0] = 1;
    crRemap(src, dst, lut, 1, kFill);
    EXPECT_EQ(dst.pixel(2, 0), Bytes{1});                                        // 0.5 rounds to 1, not to even
    const int rows[][4] = {{0, 0, 255, 255}, {255, 0, 0, 0}, {0, 255, 255, 0}};  // at x = 1.5: 127.5, -23.9, 302.8
    crRemap(cubic.paint([&](int c, int r, int) { return r && r < 4 ? rows[r - 1][c] : 99; }), out, at, 2, nullptr);
    EXPECT_EQ(Bytes(out->data[0], out->data[0] + 3), (Bytes{128, 0, 255}));  // fraction-0 rows weigh only their own
    const unsigned char key[3] = {10, 20, 30};
    const Bytes corners[] = {{10, 100, 100}, {50, 20, 200}, {50, 100, 30}, {50, 100, 100}};
    crRemapAlpha(rgb.paint([&](int c, int r, int k) { return corners[2 * r + c][k]; }), keyed, lut, 1, key);
    // Top-left equal to the key gives the key; keyed neighbours stand in as p00, so never tint; last column fills.
    EXPECT_EQ(Bytes(keyed->data[0], keyed->data[0] + 9), (Bytes{10, 100, 113, 10, 20, 30, 10, 100, 150}));
}

TEST(Remap, TablesHoldTheKernelValues) {
    const struct {
        TapWeights w;
        float first, second;
    } weights[] = {{kLinearWeights[256], 0.25f, 0.75f},
                   {kLinearWeights[1023], 1023 / 1024.0f, 1 / 1024.0f},
                   {kCubicWeights[0], 1, 0},
                   {kCubicWeights[1024], 0, 0},
                   {kCubicWeights[512], 0.59375f, -0.09375f}};  // K(0) = 1, K(1) = K(2) = 0, K(0.5), K(1.5)
    for (const auto& t : weights) EXPECT_EQ(std::make_pair(t.w.first, t.w.second), std::make_pair(t.first, t.second));
    EXPECT_EQ(kCubicWeights[1].first, float(1.25 / 1073741824.0 - 2.25 / 1048576.0 + 1.0));  // double rounded once
    const int clamp[][2] = {{-256, 0}, {-1, 0}, {200, 200}, {256, 255}, {512, 255}};
    for (const auto& c : clamp) EXPECT_EQ(kClampTable[c[0] + kClampOffset], c[1]) << c[0];
}

// Upscale by 2 leaves the last column and row black; downscale by 2 samples 2c; same size copies or does nothing.
TEST(ResizeImage, FollowsTheCentreAlignedMapping) {
    TestImage src(3, 4, 3), big(1, 8, 6), small(1, 4, 3), wide(3, 5, 2), same(3, 5, 2), grey(1, 5, 2);
    for (int flags : {0, 1, 2}) {
        TestImage dst(3, 8, 6);
        EXPECT_EQ(crResizeImage(src.paint(ramp), dst.paint([](int, int, int) { return 0xAA; }), flags), 0);
        for (int i = 0; i < 14; ++i) EXPECT_EQ(dst.pixel(i < 6 ? 7 : i - 6, i < 6 ? i : 5), Bytes(3, 0)) << flags;
        for (int c = 1; c < 3 && !flags; ++c) EXPECT_EQ(dst.pixel(c, 2), src.pixel(1, 1));  // x = c / 2, 0.5 to 1
        crResizeImage(big.paint(ramp), small, flags);
        for (int i = 0; i < 12 && flags < 2; ++i) EXPECT_EQ(small.px(i % 4, i / 4)[0], big.px(i % 4 * 2, i / 4 * 2)[0]);
    }
    wide.paint(ramp)->data[0][15] = 77;
    crResizeImage(wide, same, 2);  // flags ignored; padding not copied
    for (int i = 0; i < 32; ++i) EXPECT_EQ(same->data[i / 16][i % 16], i % 16 < 15 ? wide->data[i / 16][i % 16] : 0);
    crResizeImage(wide, grey, 0);  // imageSize 16 against 32: left alone
    EXPECT_EQ(Bytes(grey->data[0], grey->data[0] + 5), Bytes(5, 0));
}

TEST(CreateImage, FillsGeometryCopiesPackedRowsAndRejectsNegativeSizes) {
    TestImage img(3, 5, 2), grey(0, 5, 2);  // stride 16; 0 channels count as 1, stride 8
    EXPECT_EQ((std::vector<int>{img->size, img->channels, img->reserved, img->width, img->height, img->stride,
                                img->imageSize, grey->channels, grey->stride, grey->imageSize}),
              (std::vector<int>{int(sizeof(Image)), 3, 0, 5, 2, 16, 32, 1, 8, 16}));
    Image* gone = crCreateImage(1, 1, 1);
    crReleaseImage(&gone);
    crReleaseImage(&gone);  // the pointer was cleared: ignored, as is a null address
    crReleaseImage(nullptr);
    EXPECT_TRUE(!gone && !crCreateImage(3, -1, 2) && !crCreateImage(3, 2, -1));
    Bytes packed(32), out(32, 7);
    for (int i = 0; i < 32; ++i) packed[i] = static_cast<unsigned char>(i + 1);
    crCopyPackedToImage(packed.data(), img);  // pixel bytes in, padding skipped; whole rows out
    img->data[1][15] = 99;
    crCopyImageToPacked(img, out.data());
    EXPECT_EQ((Bytes{img->data[0][14], out[14], out[15], out[16], out[31]}), (Bytes{15, 15, 0, 17, 99}));
}

uint32_t crLe(const unsigned char* p, int bytes) { return bytes ? p[0] | crLe(p + 1, bytes - 1) << 8 : 0; }

// Header fields, grey palette, bottom-up rows and zero padding for each channel count.
TEST(ImageToBmp, WritesHeadersPaletteAndBottomUpRows) {
    const struct {
        int channels, width, height, offset, paddedRow;
    } cases[] = {{3, 5, 2, 54, 16}, {1, 3, 3, 1078, 4}, {4, 3, 2, 54, 12}, {1, 0, 0, 1078, 0}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.channels);
        TestImage img(t.channels, t.width, t.height);
        for (int i = 0; i < img->imageSize; ++i) img->data[i / img->stride][i % img->stride] = uint8_t(i + 1);
        int size = -1;
        const uint32_t imageSize = t.paddedRow * t.height;
        unsigned char* b = crImageToBmp(img, &size);
        ASSERT_TRUE(b && uint32_t(size) == t.offset + imageSize) << size;
        const uint32_t fields[][3] = {// offset, bytes, value
                                      {0, 2, 'B' | 'M' << 8},
                                      {2, 4, uint32_t(size)},
                                      {6, 4, 0},
                                      {10, 4, uint32_t(t.offset)},
                                      {14, 4, 40},
                                      {18, 4, uint32_t(t.width)},
                                      {22, 4, uint32_t(t.height)},
                                      {26, 2, 1},
                                      {28, 2, uint32_t(8 * t.channels)},
                                      {30, 4, 0},
                                      {34, 4, imageSize},
                                      {38, 4, 0},
                                      {42, 4, 0},
                                      {46, 4, 0},
                                      {50, 4, 0}};
        for (const auto& f : fields) EXPECT_EQ(crLe(b + f[0], int(f[1])), f[2]) << "offset " << f[0];
        for (int i = 0; t.channels == 1 && i < 256; ++i) EXPECT_EQ(crLe(b + 54 + 4 * size_t(i), 4), 0x10101u * i);
        for (int i = 0; i < int(imageSize); ++i) {  // last row first, zero padding
            const int r = t.height - 1 - i / t.paddedRow, c = i % t.paddedRow;
            EXPECT_EQ(b[t.offset + i], c < t.channels * t.width ? img->data[r][c] : 0) << i;
        }
        std::free(b);
    }
}

TEST(ColourConvert, ProduceTheDocumentedBytes) {
    Bytes src(24, 0), dst(16), kept(16, 0xEE);  // all black but pixel 3 white and pixel 4 red
    src[9] = src[10] = src[11] = src[14] = 255;
    crRGB24toYUV_UY_VY(src.data(), dst.data(), 3, 3);  // one pair per row, rows without gaps; red 90.3, 81.5, 239.9
    EXPECT_EQ(Bytes(dst.begin(), dst.begin() + 12), (Bytes{128, 16, 128, 16, 128, 16, 128, 235, 90, 81, 239, 16}));
    EXPECT_EQ(crRGB24toYUV422(src.data(), dst.data(), 4, 2), 12);  // red 102.5, 54.2, 284.8; white 255 limited
    EXPECT_EQ(dst, (Bytes{128, 1, 128, 1, 128, 1, 128, 254, 102, 54, 254, 1, 128, 1, 128, 1}));
    const Bytes rgb = {0, 0, 1, 0xEE, 7, 8, 9, 0xEE, 0, 0, 0};  // width 1: rows 4 bytes apart
    EXPECT_EQ(crRGB24toRGB32(rgb.data(), dst.data(), 1, 3), 4);
    EXPECT_EQ(Bytes(dst.begin(), dst.begin() + 12), (Bytes{1, 0, 0, 255, 9, 8, 7, 255, 0, 0, 0, 0}));
    crRGB24toYUV_UY_VY(nullptr, kept.data(), 2, 1);  // null buffers and no rows: nothing, S = 16 for width 5
    crRGB24toYUV_UY_VY(src.data(), kept.data(), 2, 0);
    EXPECT_EQ(crRGB24toYUV422(src.data(), nullptr, 5, 1) + crRGB24toYUV422(src.data(), kept.data(), 5, 0), 32);
    EXPECT_EQ(crRGB24toRGB32(nullptr, kept.data(), 5, 1) + crRGB24toRGB32(src.data(), kept.data(), 1, -1), 20);
    EXPECT_EQ(kept, Bytes(16, 0xEE));
    for (int v = 2; v <= 254; ++v) {  // the double weights sum to just under 1, which extended precision keeps
        const Bytes grey(8, static_cast<unsigned char>(v));
        crRGB24toYUV422(grey.data(), dst.data(), 2, 1);
        ASSERT_EQ(dst[1], v - 1);
        ASSERT_EQ(dst[3], v - 1);
    }
}

// Pixels painted by a line in a black 6 x 5 picture (blue 1, green 2, red 3); row padding shows as column 6.
std::set<std::pair<int, int>> crDraw(int x0, int y0, int x1, int y1, int thickness) {
    TestImage img(3, 6, 5);                                           // stride 20
    crDrawLineBresenham(img, x0, y0, x1, y1, 0xFF010203, thickness);  // bits 24..31 ignored
    std::set<std::pair<int, int>> out;
    for (int i = 0; i < 100; ++i)
        if (img->data[i / 20][i % 20]) out.insert({i % 20 / 3, i / 20});
    for (const auto& p : out) EXPECT_TRUE(p.first == 6 || img.pixel(p.first, p.second) == (Bytes{1, 2, 3}));
    return out;
}

TEST(DrawLine, StampsBresenhamPointsClipsTheBrushAndChecksEndPoints) {
    using P = std::set<std::pair<int, int>>;
    EXPECT_EQ(crDraw(0, 0, 3, 3, 1), (P{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(crDraw(0, 0, 4, 1, 1), (P{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}}));
    EXPECT_EQ(crDraw(4, 1, 0, 0, 1), (P{{4, 1}, {3, 1}, {2, 0}, {1, 0}, {0, 0}}));
    EXPECT_EQ(crDraw(1, 4, 0, 0, 1), (P{{1, 4}, {1, 3}, {0, 2}, {0, 1}, {0, 0}}));
    EXPECT_EQ(crDraw(4, 0, 5, 0, 3), (P{{4, 0}, {5, 0}, {4, 1}, {5, 1}, {4, 2}, {5, 2}}));  // 3 x 3 brush, clipped
    const int none[][5] = {{0, 0, 4, 3, 0}, {2, 2, 2, 2, 2}, {0, 0, 6, 0, 1}, {-1, 0, 3, 0, 1},
                           {0, 0, 0, 5, 1}, {0, -1, 0, 3, 1}};  // thickness 0, equal end points, end points outside
    for (const auto& t : none) EXPECT_TRUE(crDraw(t[0], t[1], t[2], t[3], t[4]).empty()) << t[0] << t[1] << t[2];
}

}  // namespace
