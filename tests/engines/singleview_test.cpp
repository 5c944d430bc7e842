// Single-view engine: lifecycle and table reuse, Apply, the target LUT, the
// field of view, the overlay mask and its encoding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "engines/singleview.h"
#include "image/image.h"
#include "singleview_support.h"

namespace {

class SingleviewEngine : public ::testing::Test {
protected:
    SingleviewRig rig;
    EngineHandle* h = crSingleviewCreate(0);
    SingleviewState* state() { return static_cast<SingleviewState*>(h->state); }
    void TearDown() override { EXPECT_EQ(crSingleviewRelease(&h), 0); }
    bool same(const unsigned char* pixel, unsigned char b, unsigned char g, unsigned char r) {
        return pixel[0] == b && pixel[1] == g && pixel[2] == r;
    }
};

TEST_F(SingleviewEngine, ApplyDoesNothingBeforeInitThenRemapsAndPaintsMissingSourcesRed) {
    int len = -5;
    EXPECT_EQ(crSingleviewGetLUTLen(h, &len), 0);
    EXPECT_EQ(len, 0);
    PackedPicture out(72, 48, 0xAB);
    const std::vector<unsigned char> untouched = out.bytes;
    EXPECT_EQ(crSingleviewApply(h, rig.frame.bytes.data(), out.bytes.data()), 0);
    EXPECT_EQ(out.bytes, untouched);

    rig.view.outWidth = 72;  // eight columns beyond the camera picture
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    EXPECT_EQ(crSingleviewApply(h, rig.frame.bytes.data(), out.bytes.data()), 0);
    for (int r = 0; r < 48; ++r)
        for (int c = 0; c < 72; ++c) {
            const unsigned char* want = c < 64 ? rig.frame.pixel(c, r) : nullptr;
            ASSERT_TRUE(want ? same(out.pixel(c, r), want[0], want[1], want[2]) : same(out.pixel(c, r), 0, 0, 255))
                << c << "," << r;
        }
}

TEST_F(SingleviewEngine, ReInitReusesTablesOfTheSameSizeAndKeepsTheOverlay) {
    rig.view.flags = CR_VIEW_OVERLAY;
    PackedPicture first(8, 8), second(4, 4);
    first.pixel(5, 5)[1] = 255;  // stored as (1, 254, 1): opaque pixels avoid 0 and 255
    second.pixel(2, 2)[0] = 9;
    crSingleviewSetOverlay(h, 8, 8, first.bytes.data());
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    float** const lut = state()->lut;
    Image* const output = state()->output;
    Image* const overlay = state()->overlay;

    crSingleviewSetOverlay(h, 4, 4, second.bytes.data());  // replaces the first picture
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    EXPECT_TRUE(state()->lut == lut && state()->output == output && state()->overlay == overlay);
    EXPECT_TRUE(same(overlay->data[5] + 15, 1, 254, 1));
    EXPECT_TRUE(same(overlay->data[2] + 6, 9, 1, 1));
    crSingleviewApply(h, rig.frame.bytes.data(), rig.out.bytes.data());
    EXPECT_TRUE(same(rig.out.pixel(5, 5), 1, 254, 1));

    rig.view.outWidth = 40;  // a new size starts from a cleared overlay layer
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    int len = 0;
    crSingleviewGetLUTLen(h, &len);
    EXPECT_EQ(len, 40 * 48 * 4);
    EXPECT_EQ(state()->overlay->width, 40);
    EXPECT_TRUE(same(state()->overlay->data[5] + 15, 0, 0, 0));
    EXPECT_TRUE(same(state()->overlay->data[2] + 6, 9, 1, 1));
}

TEST_F(SingleviewEngine, GetLutWritesTheTargetTableForTheExactLengthOnly) {
    rig.view.flags = CR_VIEW_LENS | CR_VIEW_BILINEAR;
    rig.view.zoomX = 0.7f;
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    const int len = 64 * 48 * 4;
    std::vector<unsigned char> dst(len, 0xCD), want(len, 0xCD);
    EXPECT_EQ(crSingleviewGetLUT(h, dst.data(), len - 1), 0);
    EXPECT_EQ(dst, want);
    EXPECT_EQ(crSingleviewGetLUT(h, dst.data(), len), 0);
    crMakeBinView(64, 48, crViewLut(rig.view).flat(), want.data(), nullptr, 1);
    EXPECT_EQ(dst, want);
}

TEST_F(SingleviewEngine, FieldOfViewSpansTheOutermostPixelsOfTheMiddleRowAndColumn) {
    rig.view.flags = CR_VIEW_LENS;
    rig.view.outWidth = 41;
    rig.view.outHeight = 31;
    rig.view.centerX = 20.0f;
    rig.view.centerY = 15.0f;
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    float across = 0.0f, down = 0.0f;
    EXPECT_EQ(crSingleviewGetFOV(h, &across, &down), 0);
    const TestLut lut = crViewLut(rig.view);
    const auto angle = [&](int c, int r) {
        float degrees = 0.0f;
        crGetFOV(&rig.cam, lut.at(c, r).x, lut.at(c, r).y, &degrees);
        return degrees;
    };
    EXPECT_EQ(across, angle(0, 15) + angle(40, 15));
    EXPECT_EQ(down, angle(20, 0) + angle(20, 30));
    EXPECT_NEAR(across, 2.0f * std::atan(20.0f / 40.0f) * 57.29578f, 0.01f);
}

// Number of pixels that (value, repeats) pairs cover.
int crDecodedLength(const unsigned char* mask, int length) {
    int pixels = 0;
    for (int i = 1; i < length; i += 2) pixels += mask[i] + 1;
    return pixels;
}

TEST_F(SingleviewEngine, MaskAndMaskPictureNeedTheOverlayFlag) {
    crSingleviewSetImage(h, 20, 10, rig.picture.bytes.data(), 0);
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    int len = -1;
    EXPECT_EQ(crSingleviewGetMaskLen(h, &len, 800), 0);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(crSingleviewSaveImage(h, rig.path.c_str()), 0);
    EXPECT_FALSE(std::ifstream(rig.path).good());

    rig.view.flags = CR_VIEW_OVERLAY;
    rig.view.centerX = 30.0f;
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    EXPECT_EQ(crSingleviewGetMaskLen(h, &len, 720), 0);
    EXPECT_EQ(crDecodedLength(state()->mask, len), 64 * 48);  // full width at base 720
    EXPECT_TRUE(rig.view.outWidth == 64 && rig.view.zoomX == 1.0f && rig.view.overlayScale == 1.0f);
    EXPECT_EQ(rig.view.centerX, 32.0f);  // left at the middle of the view

    std::vector<unsigned char> dst(len, 0xCD), want(len, 0xCD);
    EXPECT_EQ(crSingleviewGetMask(h, dst.data(), len + 1), 0);
    EXPECT_EQ(dst, want);
    EXPECT_EQ(crSingleviewGetMask(h, dst.data(), len), 0);
    EXPECT_EQ(0, std::memcmp(dst.data(), state()->mask, len));

    crSingleviewGetMaskLen(h, &len, 1440);  // half the width
    EXPECT_EQ(crDecodedLength(state()->mask, len), 32 * 48);
    EXPECT_EQ(crSingleviewSaveImage(h, rig.path.c_str()), 0);
    std::ifstream bmp(rig.path, std::ios::binary);
    unsigned char header[22] = {};
    EXPECT_TRUE(bmp.read(reinterpret_cast<char*>(header), 22).good());
    EXPECT_TRUE(header[0] == 'B' && header[1] == 'M' && header[18] == 32);  // the strip's width
    std::remove(rig.path.c_str());
}

TEST(SingleviewMask, PaletteQuantisationPicksTheNearestLowestEntry) {
    EXPECT_EQ(crMaskPaletteIndex(255, 255, 255), 0);  // arguments: blue, green, red
    EXPECT_EQ(crMaskPaletteIndex(0, 0, 0), 255);
    EXPECT_EQ(crMaskPaletteIndex(0, 0, 17), 224);  // the darkest red ramp
    EXPECT_EQ(crMaskPaletteIndex(136, 136, 136), 249);
    EXPECT_EQ(crMaskPaletteIndex(0, 0, 255), 35);  // pure red in the colour cube
}

TEST(SingleviewMask, RunsCoverAtMost256PixelsAndCrossRows) {
    Image* strip = crCreateImage(3, 150, 2);
    ASSERT_NE(strip, nullptr);
    for (int r = 0; r < 2; ++r) std::memset(strip->data[r], 255, 450);
    unsigned char mask[8] = {};
    ASSERT_EQ(crEncodeMask(strip, mask, 8), 4);  // 300 white pixels
    const unsigned char white[4] = {0, 255, 0, 43}, blackLast[6] = {0, 255, 0, 42, 255, 0};
    EXPECT_EQ(0, std::memcmp(mask, white, 4));
    std::memset(strip->data[1] + 3 * 149, 0, 3);
    ASSERT_EQ(crEncodeMask(strip, mask, 8), 6);
    EXPECT_EQ(0, std::memcmp(mask, blackLast, 6));
    EXPECT_EQ(crEncodeMask(strip, mask, 5), 0);  // does not fit: no partial mask
    crReleaseImage(&strip);
}

}  // namespace
