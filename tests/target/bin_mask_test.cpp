// Mask binaries: camera codes and colours in each format, YCbCr chroma
// sharing, field order, row padding and the length functions.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "camrig.h"

namespace {

struct Pixel {
    unsigned char b0, b1, b2;
};

// A packed map of rows of 3-byte pixels padded to 4 bytes, padding set to a
// byte no entry should ever show.
std::vector<unsigned char> Map(int width, const std::vector<std::vector<Pixel>>& rows) {
    const int stride = (3 * width + 3) & ~3;
    std::vector<unsigned char> map(stride * rows.size(), 0x5A);
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < width; ++c) {
            const Pixel& p = rows[r][c];
            unsigned char* px = &map[r * stride + 3 * c];
            px[0] = p.b0, px[1] = p.b1, px[2] = p.b2;
        }
    return map;
}

using Encoder = void (*)(int, int, const unsigned char*, unsigned char*, int*);

std::vector<uint32_t> Encode(Encoder encoder, int entryBytes, int width,
                             const std::vector<std::vector<Pixel>>& rows) {
    const std::vector<unsigned char> map = Map(width, rows);
    const int height = static_cast<int>(rows.size());
    std::vector<unsigned char> out(entryBytes * width * height);
    int len = -1;
    encoder(width, height, map.data(), out.data(), &len);
    EXPECT_EQ(len, entryBytes * width * height);
    std::vector<uint32_t> entries;
    for (size_t i = 0; i < out.size(); i += entryBytes) {
        uint32_t v = 0;
        for (int b = entryBytes - 1; b >= 0; --b) v = v << 8 | out[i + b];
        entries.push_back(v);
    }
    return entries;
}

std::vector<uint32_t> Row(Encoder encoder, int entryBytes, const std::vector<Pixel>& pixels) {
    return Encode(encoder, entryBytes, static_cast<int>(pixels.size()), {pixels});
}

const std::vector<Pixel> kCodes = {{0, 0, 0},   {0, 0, 9},       {255, 0, 0}, {255, 0, 9},
                                   {255, 255, 0}, {255, 255, 9}, {0, 255, 0}, {0, 255, 9}};

TEST(BinMaskCodes, ZonesAroundTheVehicle) {
    const std::vector<uint32_t> rgb = {0, 0x901, 2, 0x903, 4, 0x905, 6, 0x907};
    EXPECT_EQ(Row(crMakeBinMaskRGB16, 2, kCodes), rgb);
    EXPECT_EQ(Row(crMakeBinMaskRGB32, 4, kCodes), rgb);
    // Side cameras alone carry 0xFF in the high byte of the YCbCr entry.
    const std::vector<uint32_t> ycbcr = {0, 0x901, 0xFF02, 0x903, 4, 0x905, 0xFF06, 0x907};
    EXPECT_EQ(Row(crMakeBinMaskYCbCr, 2, kCodes), ycbcr);
}

TEST(BinMaskCodes, LittleEndianBytes) {
    const std::vector<unsigned char> map = Map(2, {{{0, 0, 128}, {255, 255, 0}}});
    unsigned char out[4];
    crMakeBinMaskRGB16(2, 1, map.data(), out, nullptr);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0x80);
    EXPECT_EQ(out[2], 0x04);
    EXPECT_EQ(out[3], 0x00);
}

TEST(BinMaskColours, RGBKeepsHighNibblesOrWholeBytes) {
    const std::vector<Pixel> colours = {{1, 1, 1}, {0x12, 0x34, 0x56}, {0, 1, 0}, {254, 255, 7}};
    EXPECT_EQ(Row(crMakeBinMaskRGB16, 2, colours), (std::vector<uint32_t>{0x0008, 0x5318, 0x0008, 0x0FF8}));
    EXPECT_EQ(Row(crMakeBinMaskRGB32, 4, colours),
              (std::vector<uint32_t>{0x01010108, 0x56341208, 0x00010008, 0x07FFFE08}));
}

TEST(BinMaskColours, YCbCrPairSharesTheEvenPixelsChroma) {
    // Even pixel: Y 34, Cb 122. Odd pixel: its own Y, the even pixel's Cr 133.
    EXPECT_EQ(Row(crMakeBinMaskYCbCr, 2, {{10, 20, 30}, {10, 20, 30}}), (std::vector<uint32_t>{0x7888, 0x8488}));
    // An odd pixel of another colour keeps the chroma of the pair's even pixel
    // (Cr 133 -> 0x84) with its own luma (near white: Y 234 -> 0xE8).
    EXPECT_EQ(Row(crMakeBinMaskYCbCr, 2, {{10, 20, 30}, {255, 254, 255}})[1], 0x8400u + 0xE8u * 4 + 8);
}

TEST(BinMaskLayout, ThreeRowsSplitIntoFields) {
    const std::vector<std::vector<Pixel>> rows = {{{0, 0, 1}}, {{0, 0, 2}}, {{0, 0, 3}}};
    EXPECT_EQ(Encode(crMakeBinMaskRGB16, 2, 1, rows), (std::vector<uint32_t>{0x101, 0x301, 0x201}));
    EXPECT_EQ(Encode(crMakeBinMaskRGB32, 4, 1, rows), (std::vector<uint32_t>{0x101, 0x301, 0x201}));
    EXPECT_EQ(Encode(crMakeBinMaskYCbCr, 2, 1, rows), (std::vector<uint32_t>{0x101, 0x301, 0x201}));
}

TEST(BinMaskLayout, PaddedRowsYieldWidthEntries) {
    // W = 5: 16-byte rows whose fill byte must not become an entry.
    std::vector<Pixel> row0(5, Pixel{255, 0, 0}), row1(5, Pixel{0, 255, 0});
    row1[4] = {0, 255, 7};
    const std::vector<uint32_t> entries = Encode(crMakeBinMaskRGB16, 2, 5, {row0, row1});
    const std::vector<uint32_t> expected = {2, 2, 2, 2, 2, 6, 6, 6, 6, 0x707};
    EXPECT_EQ(entries, expected);
}

TEST(BinMaskLayout, RGB24CopiesThePaddedMap) {
    const std::vector<unsigned char> map = Map(5, {std::vector<Pixel>(5, {1, 2, 3}), std::vector<Pixel>(5, {4, 5, 6})});
    std::vector<unsigned char> out(map.size() + 1, 0);
    int len = 0;
    crMakeBinMaskRGB24(5, 2, map.data(), out.data(), &len);
    EXPECT_EQ(len, 32);
    EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.end() - 1), map);
    EXPECT_EQ(out.back(), 0);
}

TEST(BinMaskLength, MatchesTheEncoders) {
    int rgb16 = 0, ycbcr = 0, rgb32 = 0, rgb24 = 0;
    crMakeBinMaskRGB16Len(5, 3, &rgb16);
    crMakeBinMaskYCbCrLen(5, 3, &ycbcr);
    crMakeBinMaskRGB32Len(5, 3, &rgb32);
    crMakeBinMaskRGB24Len(5, 3, &rgb24);
    EXPECT_EQ(rgb16, 30);
    EXPECT_EQ(ycbcr, 30);
    EXPECT_EQ(rgb32, 60);
    EXPECT_EQ(rgb24, 48);
    crMakeBinMaskRGB16Len(5, 3, nullptr);
    crMakeBinMaskRGB24Len(5, 3, nullptr);
}

TEST(BinMaskLength, RGB16AndYCbCrAreOneFunction) {
    EXPECT_EQ(reinterpret_cast<void (*)()>(&crMakeBinMaskRGB16Len),
              reinterpret_cast<void (*)()>(&crMakeBinMaskYCbCrLen));
}

}  // namespace
