// Pixel-format converters: documented values, strides, pair layout and the
// early returns.
#include <gtest/gtest.h>

#include <vector>

#include "camrig.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(StudioYuv, WhiteBlackAndContinuousPairs) {
    // Width 3 reads one pair per row, rows back to back with no gap.
    const Bytes src = {255, 255, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0};
    Bytes dst(8, 0xEE);
    crRGB24toYUV_UY_VY(src.data(), dst.data(), 3, 2);
    EXPECT_EQ(dst[1], 235);  // 235.045
    EXPECT_EQ(dst[3], 16);
    // The second row's pair starts at byte 6: red then black.
    EXPECT_EQ(dst[4], 90);   // 128 - 0.148 x 255 = 90.26
    EXPECT_EQ(dst[5], 81);   // 0.257 x 255 + 16 = 81.535
    EXPECT_EQ(dst[6], 239);  // 0.439 x 255 + 128 = 239.945
    EXPECT_EQ(dst[7], 16);

    const Bytes black(6, 0);
    Bytes out(4);
    crRGB24toYUV_UY_VY(black.data(), out.data(), 2, 1);
    EXPECT_EQ(out, (Bytes{128, 16, 128, 16}));
}

TEST(AnalogYuv, LimitsToOneThrough254AndUsesPackedStride) {
    // Width 3: stride 12 (9 bytes of pixels, 3 of padding), two pairs per row.
    Bytes src(24, 0);
    for (int i = 0; i < 3; ++i) src[i] = 255;  // white first pixel of row 0
    src[12 + 2] = 255;                         // red first pixel of row 1
    Bytes dst(16, 0xEE);
    EXPECT_EQ(crRGB24toYUV422(src.data(), dst.data(), 3, 2), 12);
    EXPECT_EQ(dst[1], 254);  // 255 limited
    EXPECT_EQ(dst[3], 1);    // black: 0 limited to 1
    EXPECT_EQ(dst[4], 128);
    EXPECT_EQ(dst[5], 1);
    EXPECT_EQ(dst[6], 128);
    EXPECT_EQ(dst[7], 1);  // odd width: the last pair repeats its only pixel
    // Row 1 starts at byte 12: red.
    EXPECT_EQ(dst[8], 102);   // 128 - 0.09991 x 255 = 102.52
    EXPECT_EQ(dst[9], 54);    // 0.2126 x 255 = 54.21
    EXPECT_EQ(dst[10], 254);  // 128 + 0.615 x 255 = 284.8, limited

    const Bytes black(8, 0);
    Bytes out(4);
    crRGB24toYUV422(black.data(), out.data(), 2, 1);
    EXPECT_EQ(out, (Bytes{128, 1, 128, 1}));
}

TEST(Rgb32, SwapsToRedFirstAndMakesOnlyBlackTransparent) {
    // Width 1 has stride 4: row 1 starts at byte 4, after one padding byte.
    const Bytes src = {0, 0, 1, 0xEE, 7, 8, 9, 0xEE, 0, 0, 0};
    Bytes dst(12, 0xEE);
    EXPECT_EQ(crRGB24toRGB32(src.data(), dst.data(), 1, 3), 4);
    EXPECT_EQ(dst, (Bytes{1, 0, 0, 255, 9, 8, 7, 255, 0, 0, 0, 0}));
}

TEST(ColourConverters, NullBuffersAndNoRowsDoNothing) {
    Bytes src(16, 1), dst(16, 0xEE);
    crRGB24toYUV_UY_VY(nullptr, dst.data(), 2, 1);
    crRGB24toYUV_UY_VY(src.data(), dst.data(), 2, 0);
    EXPECT_EQ(crRGB24toYUV422(src.data(), nullptr, 5, 1), 16);
    EXPECT_EQ(crRGB24toYUV422(src.data(), dst.data(), 5, 0), 16);
    EXPECT_EQ(crRGB24toRGB32(nullptr, dst.data(), 5, 1), 16);
    EXPECT_EQ(crRGB24toRGB32(src.data(), dst.data(), 1, -1), 4);
    EXPECT_EQ(dst, Bytes(16, 0xEE));
}

}  // namespace
