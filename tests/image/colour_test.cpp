// Pixel-format converters: documented values, strides, pair layout and the
// early returns.
#include <gtest/gtest.h>

#include "remap_support.h"

namespace {

TEST(ColourConvert, StudioYuvReadsContinuousPairs) {
    // Width 3: one pair per row, the second row's pair right after the first.
    const Bytes src = {255, 255, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0};
    Bytes dst(8);
    crRGB24toYUV_UY_VY(src.data(), dst.data(), 3, 2);
    EXPECT_EQ(dst[1], 235);  // white: 235.045
    EXPECT_EQ(dst[3], 16);
    EXPECT_EQ(Bytes(dst.begin() + 4, dst.end()), (Bytes{90, 81, 239, 16}));  // red: 90.26, 81.54, 239.95
    crRGB24toYUV_UY_VY(Bytes(6, 0).data(), dst.data(), 2, 1);
    EXPECT_EQ(Bytes(dst.begin(), dst.begin() + 4), (Bytes{128, 16, 128, 16}));
}

TEST(ColourConvert, AnalogYuvLimitsTo1Through254AndUsesPackedRows) {
    // Width 3: rows 12 bytes apart, two pairs per row.
    Bytes src(24, 0);
    src[0] = src[1] = src[2] = 255;  // white first pixel of row 0
    src[12 + 2] = 255;               // red first pixel of row 1
    Bytes dst(16);
    EXPECT_EQ(crRGB24toYUV422(src.data(), dst.data(), 3, 2), 12);
    EXPECT_EQ(dst[1], 254);                                                         // 255 limited
    EXPECT_EQ(Bytes(dst.begin() + 4, dst.begin() + 8), (Bytes{128, 1, 128, 1}));    // black, odd width
    EXPECT_EQ(Bytes(dst.begin() + 8, dst.begin() + 12), (Bytes{102, 54, 254, 1}));  // red: 102.5, 54.2, 284.8
}

TEST(ColourConvert, Rgb32PutsRedFirstAndOnlyBlackIsTransparent) {
    // Width 1 has rows 4 bytes apart.
    const Bytes src = {0, 0, 1, 0xEE, 7, 8, 9, 0xEE, 0, 0, 0};
    Bytes dst(12);
    EXPECT_EQ(crRGB24toRGB32(src.data(), dst.data(), 1, 3), 4);
    EXPECT_EQ(dst, (Bytes{1, 0, 0, 255, 9, 8, 7, 255, 0, 0, 0, 0}));
}

TEST(ColourConvert, NullBuffersAndNoRowsDoNothing) {
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
