// Picture records, row arrays, LUT rows and the packed-buffer copies.
#include <gtest/gtest.h>

#include <vector>

#include "image/image.h"

namespace {

TEST(CreateImage, FillsGeometryAndPadsStrideToFour) {
    Image* img = crCreateImage(3, 5, 2);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->size, 32);
    EXPECT_EQ(img->channels, 3);
    EXPECT_EQ(img->reserved, 0);
    EXPECT_EQ(img->width, 5);
    EXPECT_EQ(img->height, 2);
    EXPECT_EQ(img->stride, 16);
    EXPECT_EQ(img->imageSize, 32);
    crReleaseImage(&img);
    EXPECT_EQ(img, nullptr);

    Image* grey = crCreateImage(0, 5, 2);
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->channels, 1);
    EXPECT_EQ(grey->stride, 8);
    crReleaseImage(&grey);
}

TEST(CreateImage, RejectsNegativeSizesAndAcceptsEmptyOnes) {
    EXPECT_EQ(crCreateImage(3, -1, 2), nullptr);
    EXPECT_EQ(crCreateImage(3, 2, -1), nullptr);
    Image* empty = crCreateImage(4, 0, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->stride, 0);
    EXPECT_EQ(empty->imageSize, 0);
    crReleaseImage(&empty);
    crReleaseImage(&empty);  // already null: ignored
    crReleaseImage(nullptr);
}

TEST(Lut, RowsStartClearedAndHoldPairs) {
    float** lut = crAllocLut(3, 2);
    ASSERT_NE(lut, nullptr);
    for (int r = 0; r < 2; ++r)
        for (int i = 0; i < 6; ++i) EXPECT_EQ(lut[r][i], 0.0f);
    lut[1][5] = -1.0f;  // last y of the last row is addressable
    crFreeLut(lut, 2);
}

TEST(PackedCopies, InCopiesPixelsOnlyOutCopiesWholeRows) {
    Image* img = crCreateImage(3, 5, 2);  // 15 pixel bytes, stride 16
    ASSERT_NE(img, nullptr);
    crClearRows(img->data, img->height, img->stride);
    std::vector<unsigned char> packed(32);
    for (size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<unsigned char>(i + 1);
    crCopyPackedToImage(packed.data(), img);
    EXPECT_EQ(img->data[0][0], 1);
    EXPECT_EQ(img->data[0][14], 15);
    EXPECT_EQ(img->data[0][15], 0);  // padding is not part of the picture
    EXPECT_EQ(img->data[1][0], 17);
    EXPECT_EQ(img->data[1][14], 31);

    img->data[1][15] = 99;
    std::vector<unsigned char> out(32, 7);
    crCopyImageToPacked(img, out.data());
    EXPECT_EQ(out[15], 0);
    EXPECT_EQ(out[16], 17);
    EXPECT_EQ(out[31], 99);
    crReleaseImage(&img);
}

}  // namespace
