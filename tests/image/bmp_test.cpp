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

// The last picture row is stored first; padding bytes are zero, whatever the
// picture's own padding holds.
void crExpectRowsBottomUp(const Bmp& bmp, TestImage& img, int offset, int paddedRow) {
    const int rowBytes = img->channels * img->width;
    for (int r = 0; r < img->height; ++r) {
        const unsigned char* stored = bmp.bytes + offset + (img->height - 1 - r) * paddedRow;
        for (int i = 0; i < rowBytes; ++i) ASSERT_EQ(stored[i], img->data[r][i]) << "row " << r << " byte " << i;
        for (int i = rowBytes; i < paddedRow; ++i) ASSERT_EQ(stored[i], 0) << "row " << r << " byte " << i;
    }
}

TEST(ImageToBmp, ThreeChannelsStoreRowsBottomUpWithPadding) {
    TestImage img(3, 5, 2);
    crPaint(img);
    Bmp bmp(img);
    crExpectHeader(bmp, 5, 2, 24, 54, 32);
    crExpectRowsBottomUp(bmp, img, 54, 16);
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
    crExpectRowsBottomUp(bmp, img, 1078, 4);
}

TEST(ImageToBmp, FourChannelsKeepTheFourthByte) {
    TestImage img(4, 3, 2);
    crPaint(img);
    Bmp bmp(img);
    crExpectHeader(bmp, 3, 2, 32, 54, 24);
    crExpectRowsBottomUp(bmp, img, 54, 12);
}

}  // namespace
