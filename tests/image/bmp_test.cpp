// crImageToBmp: header fields, the grey palette and bottom-up padded rows.
#include <gtest/gtest.h>

#include <cstdlib>

#include "remap_support.h"

namespace {

uint32_t crLe32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t crLe16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

struct Bmp {
    int size = -1;
    unsigned char* bytes;
    explicit Bmp(const Image* img) : bytes(crImageToBmp(img, &size)) {}
    ~Bmp() { std::free(bytes); }
};

void crExpectHeader(const Bmp& bmp, int width, int height, int bits, int offset, int imageSize) {
    const unsigned char* b = bmp.bytes;
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(bmp.size, offset + imageSize);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(crLe32(b + 2), static_cast<uint32_t>(offset + imageSize));
    EXPECT_EQ(crLe32(b + 6), 0u);
    EXPECT_EQ(crLe32(b + 10), static_cast<uint32_t>(offset));
    EXPECT_EQ(crLe32(b + 14), 40u);
    EXPECT_EQ(crLe32(b + 18), static_cast<uint32_t>(width));
    EXPECT_EQ(crLe32(b + 22), static_cast<uint32_t>(height));
    EXPECT_EQ(crLe16(b + 26), 1);
    EXPECT_EQ(crLe16(b + 28), bits);
    EXPECT_EQ(crLe32(b + 30), 0u);
    EXPECT_EQ(crLe32(b + 34), static_cast<uint32_t>(imageSize));
    for (int i = 38; i < 54; ++i) EXPECT_EQ(b[i], 0) << i;
}

void crPaint(TestImage& img) {
    for (int r = 0; r < img->height; ++r)
        for (int i = 0; i < img->stride; ++i) img->data[r][i] = static_cast<unsigned char>(100 * r + i + 1);
}

TEST(ImageToBmp, ThreeChannelsStoreRowsBottomUpWithPadding) {
    TestImage img(3, 5, 2);
    crPaint(img);
    Bmp bmp(img);
    crExpectHeader(bmp, 5, 2, 24, 54, 32);
    const unsigned char* rows = bmp.bytes + 54;
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(rows[i], img->data[1][i]);
        EXPECT_EQ(rows[16 + i], img->data[0][i]);
    }
    EXPECT_EQ(rows[15], 0);  // padding, not the picture's padding byte
}

TEST(ImageToBmp, OneChannelGetsGreyPalette) {
    TestImage img(1, 3, 3);
    crPaint(img);
    Bmp bmp(img);
    crExpectHeader(bmp, 3, 3, 8, 1078, 12);
    const unsigned char* palette = bmp.bytes + 54;
    for (int i : {0, 1, 128, 255}) {
        EXPECT_EQ(palette[4 * i], i);
        EXPECT_EQ(palette[4 * i + 1], i);
        EXPECT_EQ(palette[4 * i + 2], i);
        EXPECT_EQ(palette[4 * i + 3], 0);
    }
    EXPECT_EQ(bmp.bytes[1078], img->data[2][0]);
    EXPECT_EQ(bmp.bytes[1078 + 8 + 2], img->data[0][2]);
}

TEST(ImageToBmp, FourChannelsKeepTheFourthByte) {
    TestImage img(4, 3, 2);
    crPaint(img);
    Bmp bmp(img);
    crExpectHeader(bmp, 3, 2, 32, 54, 24);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(bmp.bytes[54 + i], img->data[1][i]);
        EXPECT_EQ(bmp.bytes[66 + i], img->data[0][i]);
    }
}

}  // namespace
