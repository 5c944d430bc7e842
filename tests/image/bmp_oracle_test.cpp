// BMP files from crImageToBmp decoded by OpenCV give back the picture's
// pixels exactly, for grey, 24-bit and 32-bit pictures. OpenCV's decoder
// drops the fourth byte of uncompressed 32-bit files, so there it vouches for
// the colour bytes and the layout; the fourth byte is checked in bmp_test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "remap_support.h"

namespace {

void crExpectDecodedEqual(int channels, int width, int height, int decodedChannels) {
    TestImage img(channels, width, height);
    for (int r = 0; r < height; ++r)
        for (int i = 0; i < channels * width; ++i)
            img->data[r][i] = static_cast<unsigned char>((r * 31 + i * 7 + (i % channels) * 50) % 256);
    int size = 0;
    unsigned char* bytes = crImageToBmp(img, &size);
    ASSERT_NE(bytes, nullptr);
    const std::vector<unsigned char> file(bytes, bytes + size);
    std::free(bytes);

    const cv::Mat decoded = cv::imdecode(file, cv::IMREAD_UNCHANGED);
    ASSERT_FALSE(decoded.empty());
    ASSERT_EQ(decoded.cols, width);
    ASSERT_EQ(decoded.rows, height);
    ASSERT_EQ(decoded.channels(), decodedChannels);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            for (int k = 0; k < decodedChannels; ++k)
                ASSERT_EQ(decoded.ptr<unsigned char>(r)[c * decodedChannels + k], img.px(c, r)[k])
                    << "row " << r << " column " << c << " channel " << k;
}

TEST(BmpOracle, GreyPictureDecodesToItsPixels) { crExpectDecodedEqual(1, 7, 5, 1); }
TEST(BmpOracle, ColourPictureDecodesToItsPixels) { crExpectDecodedEqual(3, 5, 3, 3); }
TEST(BmpOracle, ColourWithFourthByteDecodesToItsPixels) { crExpectDecodedEqual(4, 6, 4, 3); }

}  // namespace
