// crImageToBmp: header fields, the grey palette and bottom-up padded rows.
#include <gtest/gtest.h>

#include <cstdlib>

#include "remap_support.h"

namespace {

uint32_t crLittleEndian(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

TEST(ImageToBmp, HeaderAndBottomUpRowsForEachChannelCount) {
    const struct {
        int channels, width, height, bits, offset, paddedRow;
    } cases[] = {
        {3, 5, 2, 24, 54, 16},  // row size 15: one padding byte
        {1, 3, 3, 8, 1078, 4},  // grey: palette before the rows
        {4, 3, 2, 32, 54, 12},  // fourth byte kept as stored
        {1, 0, 0, 8, 1078, 0},  // empty picture: headers and palette only
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.channels);
        TestImage img(t.channels, t.width, t.height);
        for (int r = 0; r < t.height; ++r)
            for (int i = 0; i < img->stride; ++i) img->data[r][i] = static_cast<unsigned char>(100 * r + i + 1);
        int size = -1;
        unsigned char* b = crImageToBmp(img, &size);
        ASSERT_NE(b, nullptr);
        const int imageSize = t.paddedRow * t.height;
        EXPECT_EQ(size, t.offset + imageSize);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        const uint32_t fields[][3] = {// offset, bytes, value
                                      {2, 4, uint32_t(size)},
                                      {6, 4, 0},
                                      {10, 4, uint32_t(t.offset)},
                                      {14, 4, 40},
                                      {18, 4, uint32_t(t.width)},
                                      {22, 4, uint32_t(t.height)},
                                      {26, 2, 1},
                                      {28, 2, uint32_t(t.bits)},
                                      {30, 4, 0},
                                      {34, 4, uint32_t(imageSize)},
                                      {38, 4, 0},
                                      {42, 4, 0},
                                      {46, 4, 0},
                                      {50, 4, 0}};
        for (const auto& f : fields) EXPECT_EQ(crLittleEndian(b + f[0], int(f[1])), f[2]) << "offset " << f[0];
        // The last picture row comes first; padding bytes are zero, whatever
        // the picture's own padding holds.
        const int rowBytes = t.channels * t.width;
        for (int r = 0; r < t.height; ++r) {
            const unsigned char* stored = b + t.offset + (t.height - 1 - r) * t.paddedRow;
            EXPECT_EQ(Bytes(stored, stored + rowBytes), Bytes(img->data[r], img->data[r] + rowBytes)) << r;
            EXPECT_EQ(Bytes(stored + rowBytes, stored + t.paddedRow), Bytes(t.paddedRow - rowBytes, 0)) << r;
        }
        std::free(b);
    }
}

TEST(ImageToBmp, GreyPaletteRunsFromBlackToWhite) {
    TestImage img(1, 1, 1);
    int size = 0;
    unsigned char* b = crImageToBmp(img, &size);
    ASSERT_NE(b, nullptr);
    for (int i = 0; i < 256; ++i) {
        const unsigned char g = static_cast<unsigned char>(i);
        EXPECT_EQ(Bytes(b + 54 + 4 * i, b + 58 + 4 * i), (Bytes{g, g, g, 0}));
    }
    std::free(b);
}

}  // namespace
