// Picture records, LUT rows and the packed-buffer copies.
#include <gtest/gtest.h>

#include <vector>

#include "remap_support.h"

namespace {

TEST(CreateImage, FillsGeometryAndRejectsNegativeSizes) {
    Image* img = crCreateImage(3, 5, 2);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ((std::vector<int>{img->size, img->channels, img->reserved, img->width, img->height, img->stride,
                                img->imageSize}),
              (std::vector<int>{32, 3, 0, 5, 2, 16, 32}));
    crReleaseImage(&img);
    EXPECT_EQ(img, nullptr);
    crReleaseImage(&img);  // a null picture and a null address are ignored
    crReleaseImage(nullptr);

    Image* grey = crCreateImage(0, 5, 2);
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->channels, 1);
    EXPECT_EQ(grey->stride, 8);
    crReleaseImage(&grey);
    EXPECT_EQ(crCreateImage(3, -1, 2), nullptr);
    EXPECT_EQ(crCreateImage(3, 2, -1), nullptr);
}

TEST(PackedCopies, InCopiesPixelBytesOutCopiesWholeRows) {
    TestImage img(3, 5, 2);  // 15 pixel bytes, stride 16
    std::vector<unsigned char> packed(32);
    for (size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<unsigned char>(i + 1);
    crCopyPackedToImage(packed.data(), img);
    EXPECT_EQ(img->data[0][14], 15);
    EXPECT_EQ(img->data[0][15], 0);  // padding is not part of the picture
    EXPECT_EQ(img->data[1][0], 17);

    img->data[1][15] = 99;
    std::vector<unsigned char> out(32, 7);
    crCopyImageToPacked(img, out.data());
    EXPECT_EQ(out[15], 0);
    EXPECT_EQ(out[16], 17);
    EXPECT_EQ(out[31], 99);
}

}  // namespace
