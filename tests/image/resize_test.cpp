// crResizeImage: the centre-aligned mapping, black where no sample exists,
// and the same-size copy.
#include <gtest/gtest.h>

#include "remap_support.h"

namespace {

void crPaint(TestImage& img) {
    for (int r = 0; r < img->height; ++r)
        for (int i = 0; i < img->channels * img->width; ++i)
            img->data[r][i] = static_cast<unsigned char>(1 + 7 * i + 3 * r);
}

TEST(ResizeImage, UpscaleLeavesLastColumnAndRowBlackWithEverySampler) {
    TestImage src(3, 4, 3);
    crPaint(src);
    for (int flags : {0, 1, 2}) {
        TestImage dst(3, 8, 6);
        for (int r = 0; r < 6; ++r)
            for (int i = 0; i < 24; ++i) dst->data[r][i] = 0xAA;
        EXPECT_EQ(crResizeImage(src, dst, flags), 0);
        for (int r = 0; r < 6; ++r) EXPECT_EQ(dst.pixel(7, r), Bytes(3, 0)) << flags;
        for (int c = 0; c < 8; ++c) EXPECT_EQ(dst.pixel(c, 5), Bytes(3, 0)) << flags;
        if (flags == 0) {  // column c maps to x = c / 2; 0.5 rounds to 1
            EXPECT_EQ(dst.pixel(1, 0), src.pixel(1, 0));
            EXPECT_EQ(dst.pixel(2, 2), src.pixel(1, 1));
        }
    }
}

TEST(ResizeImage, DownscaleByTwoSamplesEvenColumnsExactly) {
    TestImage src(1, 8, 6), dst(1, 4, 3);
    crPaint(src);
    for (int flags : {0, 1}) {
        crResizeImage(src, dst, flags);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_EQ(dst.px(c, r)[0], src.px(2 * c, 2 * r)[0]) << flags;
    }
}

TEST(ResizeImage, SameSizeCopiesPixelBytesUnlessImageSizesDiffer) {
    TestImage src(3, 5, 2), dst(3, 5, 2), grey(1, 5, 2);
    crPaint(src);
    src->data[0][15] = 77;
    crResizeImage(src, dst, 2);  // flags ignored
    for (int r = 0; r < 2; ++r)
        EXPECT_EQ(Bytes(dst->data[r], dst->data[r] + 15), Bytes(src->data[r], src->data[r] + 15));
    EXPECT_EQ(dst->data[0][15], 0);  // padding not copied
    crResizeImage(src, grey, 0);     // imageSize 16 against 32: left alone
    EXPECT_EQ(grey.pixel(0, 0), Bytes{0});
}

}  // namespace
