// crResizeImage: the centre-aligned mapping, black where no sample exists,
// and the same-size copy.
#include <gtest/gtest.h>

#include "remap_support.h"

namespace {

void crPaintDistinct(TestImage& img) {
    for (int r = 0; r < img->height; ++r)
        for (int c = 0; c < img->width; ++c)
            for (int k = 0; k < img->channels; ++k)
                img.px(c, r)[k] = static_cast<unsigned char>(1 + 20 * c + 3 * r + k);
}

TEST(ResizeImage, UpscaleLeavesLastColumnAndRowBlackWithEverySampler) {
    TestImage src(3, 4, 3);
    crPaintDistinct(src);
    for (int flags : {0, 1, 2}) {
        TestImage dst(3, 8, 6);
        for (int r = 0; r < 6; ++r)
            for (int i = 0; i < 24; ++i) dst->data[r][i] = 0xAA;
        EXPECT_EQ(crResizeImage(src, dst, flags), 0);
        for (int r = 0; r < 6; ++r)
            for (int k = 0; k < 3; ++k) EXPECT_EQ(dst.px(7, r)[k], 0) << flags;
        for (int c = 0; c < 8; ++c)
            for (int k = 0; k < 3; ++k) EXPECT_EQ(dst.px(c, 5)[k], 0) << flags;
    }
    TestImage nearest(3, 8, 6);
    crResizeImage(src, nearest, 0);
    // Destination column c maps to x = c / 2: 0, 0.5 (rounds to 1), 1, ...
    EXPECT_EQ(nearest.px(0, 0)[0], src.px(0, 0)[0]);
    EXPECT_EQ(nearest.px(1, 0)[0], src.px(1, 0)[0]);
    EXPECT_EQ(nearest.px(2, 2)[1], src.px(1, 1)[1]);
    TestImage bilinear(3, 8, 6);
    crResizeImage(src, bilinear, 1);
    EXPECT_EQ(bilinear.px(1, 0)[0], (src.px(0, 0)[0] + src.px(1, 0)[0] + 1) / 2);
}

TEST(ResizeImage, DownscaleByTwoSamplesEvenColumnsExactly) {
    TestImage src(1, 8, 6), dst(1, 4, 3);
    crPaintDistinct(src);
    for (int flags : {0, 1}) {
        crResizeImage(src, dst, flags);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_EQ(dst.px(c, r)[0], src.px(2 * c, 2 * r)[0]) << flags;
    }
}

TEST(ResizeImage, SameSizeCopiesIgnoringFlagsUnlessImageSizesDiffer) {
    TestImage src(3, 5, 2), dst(3, 5, 2);
    crPaintDistinct(src);
    src->data[0][15] = 77;  // padding is not copied
    crResizeImage(src, dst, 2);
    for (int r = 0; r < 2; ++r)
        for (int i = 0; i < 15; ++i) EXPECT_EQ(dst->data[r][i], src->data[r][i]);
    EXPECT_EQ(dst->data[0][15], 0);

    TestImage grey(1, 5, 2);  // imageSize 16 against 32: left alone
    crResizeImage(src, grey, 0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(grey->data[0][i], 0);
}

TEST(ResizeImage, ChannelCountComesFromTheDestination) {
    TestImage src(3, 4, 4), dst(1, 2, 2);
    crPaintDistinct(src);
    crResizeImage(src, dst, 0);
    // One byte per pixel, taken at byte (2c) of the 3-channel source row.
    EXPECT_EQ(dst.px(1, 1)[0], src->data[2][2]);
}

}  // namespace
