// crRemap and crRemapAlpha: sampler bounds, fill or keep, weights and
// rounding, keying per channel, flag decoding and the constant tables.
#include <gtest/gtest.h>

#include "image/remap_tables.h"
#include "remap_support.h"

namespace {

const unsigned char kFill[4] = {7, 8, 9, 6};
const Bytes kFilled = {7, 8, 9};

// Pixel (c, r) channel k holds 10c + 50r + k.
void crPaintRamp(TestImage& img) {
    for (int r = 0; r < img->height; ++r)
        for (int c = 0; c < img->width; ++c)
            for (int k = 0; k < img->channels; ++k) img.px(c, r)[k] = static_cast<unsigned char>(10 * c + 50 * r + k);
}

TEST(RemapNearest, RoundsHalfAwayAndFillsEveryOutsideIndex) {
    TestImage src(3, 4, 2), dst(3, 7, 1);
    crPaintRamp(src);
    TestLut lut({{-0.4f, 0}, {-0.5f, 0}, {3.49f, 1.2f}, {3.5f, 0}, {1.5f, 0.5f}, {0, 1.5f}, {0, -0.6f}});
    EXPECT_EQ(crRemap(src, dst, lut, 0, kFill), 0);
    const Bytes expected[] = {{0, 1, 2}, kFilled, {80, 81, 82}, kFilled, {70, 71, 72}, kFilled, kFilled};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(dst.pixel(c, 0), expected[c]) << c;

    TestLut keep({{-1, -1}});
    crRemap(src, dst, keep, 0, nullptr);  // no fill: the pixel keeps its bytes
    EXPECT_EQ(dst.pixel(0, 0), (Bytes{0, 1, 2}));
}

TEST(RemapBilinear, LastColumnAndRowNeverServeAsTopLeftTap) {
    TestImage src(3, 4, 3), dst(3, 5, 1);
    crPaintRamp(src);
    TestLut lut({{3, 0}, {2.999f, 0}, {0, 2}, {0, 1.999f}, {-0.0004f, 0}});
    crRemap(src, dst, lut, 1, kFill);
    // 2.999 is 1/1024 short of column 3; -0.41 / 1024 rounds to position 0.
    const Bytes expected[] = {kFilled, {30, 31, 32}, kFilled, {100, 101, 102}, {0, 1, 2}};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(dst.pixel(c, 0), expected[c]) << c;
}

TEST(RemapBilinear, MixesRowsThenColumnsAndRoundsHalfAway) {
    TestImage src(1, 2, 2), dst(1, 2, 1);
    const unsigned char corners[] = {0, 100, 200, 255};
    for (int i = 0; i < 4; ++i) src.px(i % 2, i / 2)[0] = corners[i];
    TestLut lut({{0.25f, 0.5f}, {0.5f, 0}});
    crRemap(src, dst, lut, 1, kFill);
    EXPECT_EQ(dst.px(0, 0)[0], 119);  // top 25, bottom 213.75, halfway 119.375
    EXPECT_EQ(dst.px(1, 0)[0], 50);
    src.px(1, 0)[0] = 1;
    crRemap(src, dst, lut, 1, kFill);
    EXPECT_EQ(dst.px(1, 0)[0], 1);  // 0.5 rounds away from zero, not to even
}

TEST(RemapBicubic, NeedsOneTapBeforeAndTwoAfterAndCopiesAtFractionZero) {
    TestImage src(3, 5, 5), dst(3, 6, 1);
    crPaintRamp(src);
    TestLut lut({{0.9f, 2}, {1, 2}, {2, 2}, {2.9996f, 2}, {2, 0.5f}, {2, 1}});
    crRemap(src, dst, lut, 2, kFill);
    const Bytes expected[] = {kFilled, {110, 111, 112}, {120, 121, 122}, kFilled, kFilled, {70, 71, 72}};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(dst.pixel(c, 0), expected[c]) << c;

    TestImage narrow(3, 3, 5);  // no column can serve as x0
    TestLut inside({{1, 2}});
    crRemap(narrow, dst, inside, 2, kFill + 1);
    EXPECT_EQ(dst.pixel(0, 0), (Bytes{8, 9, 6}));
}

TEST(RemapBicubic, OvershootIsClampedToBytes) {
    // Column values of a vertically constant picture, sampled at x = 1.5.
    const int columns[][4] = {{0, 0, 255, 255}, {255, 0, 0, 0}, {0, 255, 255, 0}};
    const int expected[] = {128, 0, 255};  // 127.5, -23.9, 302.8
    TestImage src(1, 4, 4), dst(1, 2, 1);
    for (int i = 0; i < 3; ++i) {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) src.px(c, r)[0] = static_cast<unsigned char>(columns[i][c]);
        TestLut lut({{1.5f, 1}, {1.5f, 1.37f}});
        crRemap(src, dst, lut, 2, nullptr);
        EXPECT_EQ(dst.px(0, 0)[0], expected[i]) << i;
        EXPECT_EQ(dst.px(1, 0)[0], expected[i]) << i;  // vertical weights sum to 1
    }
}

TEST(RemapFlags, OnlyTheLowTwoBitsChooseTheSampler) {
    TestImage src(1, 4, 4), dst(1, 1, 1);
    crPaintRamp(src);
    TestLut lut({{0.5f, 0}});  // nearest 10, bilinear 5, bicubic fills
    const unsigned char fill = 99;
    const int cases[][2] = {{0, 10}, {1, 5}, {2, 99}, {3, 99}, {0x100, 10}, {0x101, 5}};
    for (const auto& t : cases) {
        crRemap(src, dst, lut, t[0], &fill);
        EXPECT_EQ(dst.px(0, 0)[0], t[1]) << t[0];
    }
    crRemapAlpha(src, dst, lut, 2, &fill);
    EXPECT_EQ(dst.px(0, 0)[0], 10);
    crRemapAlpha(src, dst, lut, 3, &fill);
    EXPECT_EQ(dst.px(0, 0)[0], 5);
}

TEST(RemapAlpha, KeyIsJudgedPerChannel) {
    const unsigned char key[3] = {10, 20, 30};
    TestImage src(3, 2, 2), dst(3, 3, 1);
    const Bytes corners[] = {{10, 100, 100}, {50, 20, 200}, {50, 100, 30}, {50, 100, 100}};
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 3; ++k) src.px(i % 2, i / 2)[k] = corners[i][k];
    TestLut lut({{0.5f, 0.5f}, {1, 0.5f}, {0.5f, 0}});
    crRemapAlpha(src, dst, lut, 1, key);
    // Channel 0: top-left holds the key. Channel 1: the keyed right neighbour
    // stands in as 100. Channel 2: keyed lower-left, 100 x 3 / 4 + 200 / 4.
    EXPECT_EQ(dst.pixel(0, 0), (Bytes{10, 100, 125}));
    EXPECT_EQ(dst.pixel(1, 0), (Bytes{10, 20, 30}));  // x0 on the last column: the key fills
    EXPECT_EQ(dst.pixel(2, 0), (Bytes{10, 100, 150}));

    TestLut outside({{5, 0}});
    crRemapAlpha(src, dst, outside, 0, nullptr);  // nearest without key keeps
    EXPECT_EQ(dst.pixel(0, 0), (Bytes{10, 100, 125}));
}

// Channel k of an n-channel picture remaps exactly like a 1-channel picture
// of plane k, whichever loop (unrolled for 1, 3, 4 or generic) runs.
TEST(RemapChannels, EveryChannelCountMatchesItsPlanes) {
    const int w = 9, h = 7, ow = 11, oh = 5;
    auto plane = [](int c, int r, int k) { return static_cast<unsigned char>((c * 37 + r * 91 + k * 53) % 256); };
    TestLut lut(ow, oh);
    for (int r = 0; r < oh; ++r)
        for (int c = 0; c < ow; ++c) lut.set(c, r, c * 0.83f - 0.7f, r * 1.37f - 0.2f);
    const unsigned char fill[5] = {1, 2, 3, 4, 5};
    auto run = [&](int mode, TestImage& src, TestImage& dst, const unsigned char* f) {
        mode == 3 ? crRemapAlpha(src, dst, lut, 1, f) : crRemap(src, dst, lut, mode, f);
    };
    for (int n = 1; n <= 5; ++n) {
        TestImage src(n, w, h);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                for (int k = 0; k < n; ++k) src.px(c, r)[k] = plane(c, r, k);
        for (int mode = 0; mode < 4; ++mode) {
            TestImage dst(n, ow, oh);
            run(mode, src, dst, fill);
            for (int k = 0; k < n; ++k) {
                TestImage one(1, w, h), expected(1, ow, oh);
                for (int r = 0; r < h; ++r)
                    for (int c = 0; c < w; ++c) one.px(c, r)[0] = plane(c, r, k);
                run(mode, one, expected, fill + k);
                for (int r = 0; r < oh; ++r)
                    for (int c = 0; c < ow; ++c)
                        ASSERT_EQ(dst.px(c, r)[k], expected.px(c, r)[0]) << n << " channels, mode " << mode;
            }
        }
    }
}

TEST(RemapTables, HoldTheKernelValues) {
    EXPECT_EQ(kLinearWeights[256].first, 0.25f);
    EXPECT_EQ(kLinearWeights[256].second, 0.75f);
    EXPECT_EQ(kLinearWeights[1023].second, 1.0f / 1024.0f);
    const float cubic[][3] = {{0, 1, 0}, {512, 0.59375f, -0.09375f}, {1024, 0, 0}};  // f, K(t), K(t + 1)
    for (const auto& e : cubic) {
        EXPECT_EQ(kCubicWeights[static_cast<int>(e[0])].first, e[1]);
        EXPECT_EQ(kCubicWeights[static_cast<int>(e[0])].second, e[2]);
    }
    // K(1/1024) is not a float: the double value rounded once.
    EXPECT_EQ(kCubicWeights[1].first, static_cast<float>(1.25 / 1073741824.0 - 2.25 / 1048576.0 + 1.0));
    EXPECT_EQ(kByteToFloat[255], 255.0f);
    EXPECT_EQ(kClampTable[0], 0);
    EXPECT_EQ(kClampTable[kClampOffset - 1], 0);
    EXPECT_EQ(kClampTable[kClampOffset + 200], 200);
    EXPECT_EQ(kClampTable[768], 255);
}

}  // namespace
