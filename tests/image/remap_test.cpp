// crRemap and crRemapAlpha: sampler bounds, fill or keep, weights and
// rounding, keying per channel, flag decoding and the constant tables.
#include <gtest/gtest.h>

#include "image/remap_tables.h"
#include "remap_support.h"

namespace {

const unsigned char kFill[4] = {7, 8, 9, 6};

// A w x h picture whose pixel (c, r) channel k holds 10 * c + 50 * r + k.
void crPaintRamp(TestImage& img) {
    for (int r = 0; r < img->height; ++r)
        for (int c = 0; c < img->width; ++c)
            for (int k = 0; k < img->channels; ++k) img.px(c, r)[k] = static_cast<unsigned char>(10 * c + 50 * r + k);
}

void crExpectPixel(TestImage& img, int c, std::initializer_list<int> bytes) {
    int k = 0;
    for (int b : bytes) EXPECT_EQ(img.px(c, 0)[k++], b) << "column " << c << " channel " << k - 1;
}

TEST(RemapNearest, RoundsHalfAwayAndRejectsEveryOutsideIndex) {
    TestImage src(3, 4, 2), dst(3, 7, 1);
    crPaintRamp(src);
    TestLut lut({{-0.4f, 0.0f}, {-0.5f, 0.0f}, {3.49f, 1.2f}, {3.5f, 0.0f}, {1.5f, 0.5f}, {0.0f, 1.5f}, {0.0f, -0.6f}});
    EXPECT_EQ(crRemap(src, dst, lut, 0, kFill), 0);
    crExpectPixel(dst, 0, {0, 1, 2});
    crExpectPixel(dst, 1, {7, 8, 9});
    crExpectPixel(dst, 2, {80, 81, 82});
    crExpectPixel(dst, 3, {7, 8, 9});
    crExpectPixel(dst, 4, {70, 71, 72});  // (2, 1): halves round up
    crExpectPixel(dst, 5, {7, 8, 9});
    crExpectPixel(dst, 6, {7, 8, 9});
}

TEST(RemapNearest, NullFillKeepsThePreviousBytes) {
    TestImage src(3, 2, 2), dst(3, 2, 1);
    crPaintRamp(src);
    for (int i = 0; i < 6; ++i) dst->data[0][i] = 200;
    TestLut lut({{-1.0f, -1.0f}, {1.0f, 1.0f}});
    crRemap(src, dst, lut, 0, nullptr);
    crExpectPixel(dst, 0, {200, 200, 200});
    crExpectPixel(dst, 1, {60, 61, 62});
}

TEST(RemapBilinear, LastColumnAndRowNeverServeAsTopLeftTap) {
    TestImage src(3, 4, 3), dst(3, 5, 1);
    crPaintRamp(src);
    TestLut lut({{3.0f, 0.0f}, {2.999f, 0.0f}, {0.0f, 2.0f}, {0.0f, 1.999f}, {-0.0004f, 0.0f}});
    crRemap(src, dst, lut, 1, kFill);
    crExpectPixel(dst, 0, {7, 8, 9});
    crExpectPixel(dst, 1, {30, 31, 32});  // 1/1024 of column 2, rounds to column 3
    crExpectPixel(dst, 2, {7, 8, 9});
    crExpectPixel(dst, 3, {100, 101, 102});
    crExpectPixel(dst, 4, {0, 1, 2});  // -0.4096 / 1024 rounds to position 0
}

TEST(RemapBilinear, MixesRowsThenColumnsAndRoundsHalfAway) {
    TestImage src(1, 2, 2), dst(1, 3, 1);
    src.px(0, 0)[0] = 0;
    src.px(1, 0)[0] = 100;
    src.px(0, 1)[0] = 200;
    src.px(1, 1)[0] = 255;
    // Top 25, bottom 213.75, mixed halfway: 119.375.
    // Between 0 and 1 halfway: 0.5, rounds up to 1 (not to even).
    TestLut lut({{0.25f, 0.5f}, {0.0f, 0.0f}, {0.00048828125f, 0.0f}});
    crRemap(src, dst, lut, 1, kFill);
    EXPECT_EQ(dst.px(0, 0)[0], 119);
    EXPECT_EQ(dst.px(1, 0)[0], 0);
    src.px(1, 0)[0] = 1;
    TestLut half({{0.5f, 0.0f}});
    crRemap(src, dst, half, 1, kFill);
    EXPECT_EQ(dst.px(0, 0)[0], 1);
}

TEST(RemapBicubic, NeedsOneTapBeforeAndTwoAfterTheSample) {
    TestImage src(3, 5, 5), dst(3, 6, 1);
    crPaintRamp(src);
    TestLut lut({{0.9f, 2.0f}, {1.0f, 2.0f}, {2.0f, 2.0f}, {2.9996f, 2.0f}, {2.0f, 0.5f}, {2.0f, 1.0f}});
    crRemap(src, dst, lut, 2, kFill);
    crExpectPixel(dst, 0, {7, 8, 9});
    crExpectPixel(dst, 1, {110, 111, 112});  // fraction 0: weights 0, 1, 0, 0
    crExpectPixel(dst, 2, {120, 121, 122});
    crExpectPixel(dst, 3, {7, 8, 9});  // rounds to x0 = 3 = width - 2
    crExpectPixel(dst, 4, {7, 8, 9});
    crExpectPixel(dst, 5, {70, 71, 72});

    TestImage narrow(3, 3, 5);
    crPaintRamp(narrow);
    TestLut inside({{1.0f, 2.0f}, {1.5f, 2.0f}});
    crRemap(narrow, dst, inside, 2, nullptr);
    crExpectPixel(dst, 0, {7, 8, 9});  // kept from the first call
    crExpectPixel(dst, 1, {110, 111, 112});
}

TEST(RemapBicubic, OvershootIsClampedToBytes) {
    // Row values per column; sampled halfway between columns 1 and 2.
    const int rows[][4] = {{0, 0, 255, 255}, {255, 0, 0, 0}, {0, 255, 255, 0}};
    const int expected[] = {128, 0, 255};  // 127.5, -23.9, 302.8
    TestImage src(1, 4, 4), dst(1, 3, 1);
    for (int i = 0; i < 3; ++i) {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) src.px(c, r)[0] = static_cast<unsigned char>(rows[i][c]);
        TestLut lut({{1.5f, 1.0f}, {1.25f, 1.0f}, {1.5f, 1.5f}});
        crRemap(src, dst, lut, 2, nullptr);
        EXPECT_EQ(dst.px(0, 0)[0], expected[i]) << i;
        EXPECT_EQ(dst.px(2, 0)[0], expected[i]) << i;  // constant columns: vertical weights sum to 1
    }
    EXPECT_EQ(dst.px(1, 0)[0], 255);  // last pattern at t = 0.25: 255 x (K(0.25) + K(0.75))
}

TEST(RemapFlags, OnlyTheLowTwoBitsChooseTheSampler) {
    TestImage src(1, 4, 4), dst(1, 1, 1);
    crPaintRamp(src);
    TestLut lut({{0.5f, 0.0f}});  // bilinear gives 5, nearest 10, bicubic fills
    const struct {
        int flags;
        int value;
    } cases[] = {{0, 10}, {1, 5}, {2, 99}, {3, 99}, {0x100, 10}, {0x101, 5}, {0x7fffff00, 10}};
    const unsigned char fill = 99;
    for (const auto& t : cases) {
        crRemap(src, dst, lut, t.flags, &fill);
        EXPECT_EQ(dst.px(0, 0)[0], t.value) << t.flags;
    }
    crRemapAlpha(src, dst, lut, 2, &fill);
    EXPECT_EQ(dst.px(0, 0)[0], 10);
    crRemapAlpha(src, dst, lut, 3, &fill);
    EXPECT_EQ(dst.px(0, 0)[0], 5);
}

TEST(RemapAlpha, KeyIsJudgedPerChannel) {
    const unsigned char key[3] = {10, 20, 30};
    TestImage src(3, 2, 2), dst(3, 3, 1);
    const unsigned char p00[3] = {10, 100, 100}, p01[3] = {50, 20, 200}, p10[3] = {50, 100, 30},
                        p11[3] = {50, 100, 100};
    for (int k = 0; k < 3; ++k) {
        src.px(0, 0)[k] = p00[k];
        src.px(1, 0)[k] = p01[k];
        src.px(0, 1)[k] = p10[k];
        src.px(1, 1)[k] = p11[k];
    }
    TestLut lut({{0.5f, 0.5f}, {1.0f, 0.5f}, {0.5f, 0.0f}});
    crRemapAlpha(src, dst, lut, 1, key);
    // Channel 0: top-left is the key. Channel 1: right neighbour stands in
    // for 100. Channel 2: lower neighbour keyed, 100 x 3 / 4 + 200 / 4.
    crExpectPixel(dst, 0, {10, 100, 125});
    crExpectPixel(dst, 1, {10, 20, 30});  // x0 on the last column: filled with the key
    crExpectPixel(dst, 2, {10, 100, 150});
}

TEST(RemapAlpha, NearestUsesKeyAsFillOrKeepsWithoutIt) {
    TestImage src(3, 2, 1), dst(3, 2, 1);
    crPaintRamp(src);
    for (int i = 0; i < 6; ++i) dst->data[0][i] = 200;
    TestLut lut({{5.0f, 0.0f}, {1.0f, 0.0f}});
    crRemapAlpha(src, dst, lut, 0, nullptr);
    crExpectPixel(dst, 0, {200, 200, 200});
    crExpectPixel(dst, 1, {10, 11, 12});
    const unsigned char key[3] = {1, 2, 3};
    crRemapAlpha(src, dst, lut, 0, key);
    crExpectPixel(dst, 0, {1, 2, 3});
}

// Every channel count takes the same path per channel: a picture whose
// channel k is plane k remaps to the planes' own 1-channel results.
TEST(RemapChannels, EachChannelCountMatchesItsPlanes) {
    const int w = 9, h = 7;
    TestImage planes[5] = {{1, w, h}, {1, w, h}, {1, w, h}, {1, w, h}, {1, w, h}};
    for (int k = 0; k < 5; ++k)
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) planes[k].px(c, r)[0] = static_cast<unsigned char>((c * 37 + r * 91 + k * 53) % 256);
    TestLut lut(11, 5);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 11; ++c) lut.set(c, r, c * 0.83f - 0.7f, r * 1.37f - 0.2f);
    const unsigned char fill[5] = {1, 2, 3, 4, 5};
    for (int mode = 0; mode < 4; ++mode) {
        TestImage expected[5] = {{1, 11, 5}, {1, 11, 5}, {1, 11, 5}, {1, 11, 5}, {1, 11, 5}};
        for (int k = 0; k < 5; ++k) {
            if (mode == 3)
                crRemapAlpha(planes[k], expected[k], lut, 1, fill + k);
            else
                crRemap(planes[k], expected[k], lut, mode, fill + k);
        }
        for (int n = 1; n <= 5; ++n) {
            TestImage src(n, w, h), dst(n, 11, 5);
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c)
                    for (int k = 0; k < n; ++k) src.px(c, r)[k] = planes[k].px(c, r)[0];
            if (mode == 3)
                crRemapAlpha(src, dst, lut, 1, fill);
            else
                crRemap(src, dst, lut, mode, fill);
            for (int r = 0; r < 5; ++r)
                for (int c = 0; c < 11; ++c)
                    for (int k = 0; k < n; ++k)
                        ASSERT_EQ(dst.px(c, r)[k], expected[k].px(c, r)[0])
                            << "mode " << mode << " channels " << n << " at " << c << "," << r << " k " << k;
        }
    }
}

TEST(RemapTables, HoldTheKernelValues) {
    EXPECT_EQ(kLinearWeights[0].first, 0.0f);
    EXPECT_EQ(kLinearWeights[0].second, 1.0f);
    EXPECT_EQ(kLinearWeights[256].first, 0.25f);
    EXPECT_EQ(kLinearWeights[256].second, 0.75f);
    EXPECT_EQ(kLinearWeights[1023].second, 1.0f / 1024.0f);
    EXPECT_EQ(kLinearWeights[1024].first, 1.0f);

    EXPECT_EQ(kCubicWeights[0].first, 1.0f);  // K(0)
    EXPECT_EQ(kCubicWeights[0].second, 0.0f);  // K(1)
    EXPECT_EQ(kCubicWeights[512].first, 0.59375f);
    EXPECT_EQ(kCubicWeights[512].second, -0.09375f);
    EXPECT_EQ(kCubicWeights[1024].first, 0.0f);
    EXPECT_EQ(kCubicWeights[1024].second, 0.0f);  // K(2)
    // K(1/3072 steps) not representable exactly: the double value rounded once.
    EXPECT_EQ(kCubicWeights[1].first, static_cast<float>(1.25 / 1073741824.0 - 2.25 / 1048576.0 + 1.0));
    for (int f = 0; f <= 1024; f += 64) {
        const float sum = kCubicWeights[f].first + kCubicWeights[f].second + kCubicWeights[1024 - f].first +
                          kCubicWeights[1024 - f].second;
        EXPECT_NEAR(sum, 1.0f, 1e-6f) << f;
    }

    EXPECT_EQ(kByteToFloat[0], 0.0f);
    EXPECT_EQ(kByteToFloat[255], 255.0f);
    EXPECT_EQ(kClampTable[0], 0);
    EXPECT_EQ(kClampTable[kClampOffset - 1], 0);
    EXPECT_EQ(kClampTable[kClampOffset + 128], 128);
    EXPECT_EQ(kClampTable[kClampOffset + 256], 255);
    EXPECT_EQ(kClampTable[768], 255);
}

}  // namespace
