// Mask binaries: camera codes and colours in each format, YCbCr chroma
// sharing, field order, row padding and the length functions.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "camrig.h"

namespace {

using Rows = std::vector<std::vector<uint32_t>>;  // pixels as 0xb2b1b0
using Encoder = void (*)(int, int, const unsigned char*, unsigned char*, int*);

// Packs rows into a map of 4-byte-padded rows (fill bytes 0x5A) and returns
// the encoder's entries in output order.
std::vector<uint32_t> Encode(Encoder encoder, int entryBytes, const Rows& rows) {
    const int width = static_cast<int>(rows[0].size()), height = static_cast<int>(rows.size());
    const int stride = (3 * width + 3) & ~3;
    std::vector<unsigned char> map(stride * height, 0x5A), out(entryBytes * width * height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < 3 * width; ++c) map[r * stride + c] = rows[r][c / 3] >> (8 * (c % 3));
    int len = -1;
    encoder(width, height, map.data(), out.data(), &len);
    EXPECT_EQ(len, entryBytes * width * height);
    std::vector<uint32_t> entries(width * height, 0);
    for (size_t i = 0; i < out.size(); ++i)
        entries[i / entryBytes] |= uint32_t(out[i]) << (8 * (i % entryBytes));
    return entries;
}

TEST(BinMask, CameraCodesByZone) {
    const Rows codes = {{0x000000, 0x090000, 0x0000FF, 0x0900FF, 0x00FFFF, 0x09FFFF, 0x00FF00, 0x09FF00}};
    const std::vector<uint32_t> rgb = {0, 0x901, 2, 0x903, 4, 0x905, 6, 0x907};
    EXPECT_EQ(Encode(crMakeBinMaskRGB16, 2, codes), rgb);
    EXPECT_EQ(Encode(crMakeBinMaskRGB32, 4, codes), rgb);
    EXPECT_EQ(Encode(crMakeBinMaskYCbCr, 2, codes),
              (std::vector<uint32_t>{0, 0x901, 0xFF02, 0x903, 4, 0x905, 0xFF06, 0x907}));
    const unsigned char map[4] = {0, 0, 128, 0};
    unsigned char out[2];
    crMakeBinMaskRGB16(1, 1, map, out, nullptr);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0x80);
}

TEST(BinMask, Colours) {
    const Rows colours = {{0x010101, 0x563412, 0x000100, 0x07FFFE}};
    EXPECT_EQ(Encode(crMakeBinMaskRGB16, 2, colours), (std::vector<uint32_t>{0x0008, 0x5318, 0x0008, 0x0FF8}));
    EXPECT_EQ(Encode(crMakeBinMaskRGB32, 4, colours),
              (std::vector<uint32_t>{0x01010108, 0x56341208, 0x00010008, 0x07FFFE08}));
    // (10, 20, 30) twice: Y 34 with Cb 122, then Y 34 with the even pixel's
    // Cr 133. A different odd colour keeps that Cr with its own Y (234).
    EXPECT_EQ(Encode(crMakeBinMaskYCbCr, 2, {{0x1E140A, 0x1E140A, 0x1E140A, 0xFFFEFF}}),
              (std::vector<uint32_t>{0x7888, 0x8488, 0x7888, 0x8400 + 0xE8 * 4 + 8}));
}

TEST(BinMask, FieldsAndPaddedRows) {
    const Rows rows = {{0x010000, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF},
                       {0x020000, 0x00FF00, 0x00FF00, 0x00FF00, 0x07FF00},
                       {0x030000, 0x00FFFF, 0x00FFFF, 0x00FFFF, 0x00FFFF}};
    const std::vector<uint32_t> expected = {0x101, 2, 2, 2, 2, 0x301, 4, 4, 4, 4, 0x201, 6, 6, 6, 0x707};
    EXPECT_EQ(Encode(crMakeBinMaskRGB16, 2, rows), expected);
    EXPECT_EQ(Encode(crMakeBinMaskRGB32, 4, rows), expected);

    std::vector<unsigned char> map(48), out(49, 0);
    for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<unsigned char>(i);
    int len = 0;
    crMakeBinMaskRGB24(5, 3, map.data(), out.data(), &len);
    EXPECT_EQ(len, 48);
    EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.begin() + 48), map);
    EXPECT_EQ(out[48], 0);
}

TEST(BinMask, Lengths) {
    int rgb16 = 0, ycbcr = 0, rgb32 = 0, rgb24 = 0;
    crMakeBinMaskRGB16Len(5, 3, &rgb16);
    crMakeBinMaskYCbCrLen(5, 3, &ycbcr);
    crMakeBinMaskRGB32Len(5, 3, &rgb32);
    crMakeBinMaskRGB24Len(5, 3, &rgb24);
    EXPECT_EQ((std::vector<int>{rgb16, ycbcr, rgb32, rgb24}), (std::vector<int>{30, 30, 60, 48}));
    crMakeBinMaskRGB24Len(5, 3, nullptr);
    // One function under two names.
    EXPECT_EQ(reinterpret_cast<void (*)()>(&crMakeBinMaskRGB16Len),
              reinterpret_cast<void (*)()>(&crMakeBinMaskYCbCrLen));
}

}  // namespace
