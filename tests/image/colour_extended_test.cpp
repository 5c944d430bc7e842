// The 4:2:2 conversions' sums are specified in x87 extended precision. Where
// long double is that format, the conversions must give its bytes; elsewhere
// they give the same bytes by construction, which the 64-bit suite checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <vector>

#include "camrig.h"

namespace {

// Every third value of each channel and every grey, where exact sums land on
// whole numbers and a less precise sum falls to either side.
std::vector<unsigned char> crSweepPixels() {
    std::vector<unsigned char> bgr;
    for (int b = 0; b < 256; b += 3)
        for (int g = 0; g < 256; g += 3)
            for (int r = 0; r < 256; r += 3)
                bgr.insert(bgr.end(), {(unsigned char)b, (unsigned char)g, (unsigned char)r});
    for (int v = 0; v < 256; ++v) bgr.insert(bgr.end(), {(unsigned char)v, (unsigned char)v, (unsigned char)v});
    if (bgr.size() % 6) bgr.insert(bgr.end(), {0, 0, 0});
    return bgr;
}

unsigned char crByte(long double v) { return static_cast<unsigned char>(static_cast<int>(v)); }
unsigned char crLimited(long double v) { return crByte(std::min(std::max(v, 1.0L), 254.0L)); }

TEST(ColourExtended, PairsGiveTheExtendedPrecisionBytes) {
    if (LDBL_MANT_DIG != 64) GTEST_SKIP() << "long double is not the x87 extended format here";
    const std::vector<unsigned char> src = crSweepPixels();
    const int width = static_cast<int>(src.size() / 3);  // even, one row without padding (3 x width is a multiple of 6)
    std::vector<unsigned char> studio(2 * size_t(width)), analog(2 * size_t(width));
    crRGB24toYUV_UY_VY(src.data(), studio.data(), width, 1);
    ASSERT_EQ(crRGB24toYUV422(src.data(), analog.data(), width, 1), width * 3 + (4 - width * 3 % 4) % 4);
    int wrong = 0;
    for (int i = 0; i < width / 2 && wrong < 5; ++i) {
        const unsigned char* p = &src[6 * size_t(i)];
        const long double b = p[0], g = p[1], r = p[2], qb = p[3], qg = p[4], qr = p[5];
        const unsigned char want[8] = {crByte(0.439 * b - (0.148 * r + 0.291 * g) + 128.0),
                                       crByte(0.257 * r + 0.504 * g + 0.098 * b + 16.0),
                                       crByte(0.439 * r - 0.368 * g - 0.071 * b + 128.0),
                                       crByte(0.257 * qr + 0.504 * qg + 0.098 * qb + 16.0),
                                       crLimited(0.436 * b - (0.09991 * r + 0.33609 * g) + 128.0),
                                       crLimited(0.2126 * r + 0.7152 * g + 0.0722 * b),
                                       crLimited(0.615 * r - 0.55861 * g - 0.05639 * b + 128.0),
                                       crLimited(0.2126 * qr + 0.7152 * qg + 0.0722 * qb)};
        for (int k = 0; k < 8; ++k) {
            const unsigned char got = k < 4 ? studio[4 * size_t(i) + k] : analog[4 * size_t(i) + k - 4];
            if (got != want[k]) ++wrong;
            EXPECT_EQ(got, want[k]) << "pair " << i << " output " << k;
        }
    }
}

}  // namespace
