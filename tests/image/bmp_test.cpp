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

TEST(ImageToBmp, HeaderAndBottomUpRowsForEachChannelCount) {
    const struct {
        int channels, width, height, bits, offset, paddedRow;
    } cases[] = {
        {3, 5, 2, 24, 54, 16},   // row size 15: one padding byte
        {1, 3, 3, 8, 1078, 4},   // grey: palette before the rows
        {4, 3, 2, 32, 54, 12},   // fourth byte kept as stored
        {1, 0, 0, 8, 1078, 0},   // empty picture: headers and palette only
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.channels);
        TestImage img(t.channels, t.width, t.height);
        crPaint(img);
        Bmp bmp(img);
        crExpectHeader(bmp, t.width, t.height, t.bits, t.offset, t.paddedRow * t.height);
        crExpectRowsBottomUp(bmp, img, t.offset, t.paddedRow);
    }
}

TEST(ImageToBmp, GreyPaletteRunsFromBlackToWhite) {
    TestImage img(1, 1, 1);
    Bmp bmp(img);
    const unsigned char* palette = bmp.bytes + 54;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(palette[4 * i], i);
        EXPECT_EQ(palette[4 * i + 1], i);
        EXPECT_EQ(palette[4 * i + 2], i);
        EXPECT_EQ(palette[4 * i + 3], 0);
    }
}

}  // namespace
