// Single-view engine: lifecycle and table reuse, Apply, the target LUT, the
// field of view, the overlay mask and its encoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "engines/singleview.h"
#include "image/image.h"
#include "singleview_support.h"

namespace {

class SingleviewEngine : public ::testing::Test {
protected:
    SingleviewRig rig;
    EngineHandle* h = crSingleviewCreate(0);
    std::string path = ::testing::TempDir() + "camrig_singleview.out";

    SingleviewState* state() { return static_cast<SingleviewState*>(h->state); }
    void TearDown() override {
        EXPECT_EQ(crSingleviewRelease(&h), 0);
        std::remove(path.c_str());
    }
    std::string saved() {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(SingleviewEngine, DoesNothingBeforeInit) {
    int len = -5;
    EXPECT_EQ(crSingleviewGetLUTLen(h, &len), 0);
    EXPECT_EQ(len, 0);
    const PackedPicture frame = crTestFrame(rig.cam);
    PackedPicture out(rig.view.outWidth, rig.view.outHeight, 0xAB);
    EXPECT_EQ(crSingleviewApply(h, frame.bytes.data(), out.bytes.data()), 0);
    EXPECT_EQ(out.bytes, PackedPicture(rig.view.outWidth, rig.view.outHeight, 0xAB).bytes);
    EXPECT_EQ(crSingleviewSaveLUT(h, path.c_str()), 0);
    EXPECT_FALSE(std::ifstream(path).good());
}

TEST_F(SingleviewEngine, ApplyRemapsTheFrameAndPaintsMissingSourcesRed) {
    rig.view.outWidth = 72;  // eight columns beyond the camera picture
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    PackedPicture frame = crTestFrame(rig.cam);
    PackedPicture out(72, 48);
    EXPECT_EQ(crSingleviewApply(h, frame.bytes.data(), out.bytes.data()), 0);
    for (int r = 0; r < 48; ++r)
        for (int c = 0; c < 72; ++c) {
            const unsigned char red[3] = {0, 0, 255};
            ASSERT_EQ(0, std::memcmp(out.pixel(c, r), c < 64 ? frame.pixel(c, r) : red, 3)) << c << "," << r;
        }
    EXPECT_EQ(crSingleviewSaveLUT(h, path.c_str()), 0);
    const std::string text = saved();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 72 * 48);
    const std::string last = "71 47 36245.000000 36245.000000\r\n";
    ASSERT_GT(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST_F(SingleviewEngine, ReInitReusesTablesOfTheSameSizeAndKeepsTheOverlay) {
    rig.view.flags = CR_VIEW_OVERLAY;
    PackedPicture first(8, 8);
    first.set(5, 5, 0, 255, 7);  // opaque pixels keep clear of 0 and 255
    crSingleviewSetOverlay(h, 8, 8, first.bytes.data());
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    float** const lut = state()->lut;
    Image* const output = state()->output;
    Image* const overlay = state()->overlay;

    PackedPicture second(4, 4);
    second.set(2, 2, 9, 9, 9);
    crSingleviewSetOverlay(h, 4, 4, second.bytes.data());
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    EXPECT_EQ(state()->lut, lut);
    EXPECT_EQ(state()->output, output);
    EXPECT_EQ(state()->overlay, overlay);
    const unsigned char kept[3] = {1, 254, 7}, added[3] = {9, 9, 9};
    EXPECT_EQ(0, std::memcmp(state()->overlay->data[5] + 15, kept, 3));
    EXPECT_EQ(0, std::memcmp(state()->overlay->data[2] + 6, added, 3));

    const PackedPicture frame = crTestFrame(rig.cam);
    PackedPicture out(64, 48);
    crSingleviewApply(h, frame.bytes.data(), out.bytes.data());
    EXPECT_EQ(0, std::memcmp(out.pixel(5, 5), kept, 3));

    rig.view.outWidth = 40;  // a new size starts from a cleared overlay layer
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    int len = 0;
    crSingleviewGetLUTLen(h, &len);
    EXPECT_EQ(len, 40 * 48 * 4);
    EXPECT_EQ(state()->overlay->width, 40);
    const unsigned char clear[3] = {0, 0, 0};
    EXPECT_EQ(0, std::memcmp(state()->overlay->data[5] + 15, clear, 3));
    EXPECT_EQ(0, std::memcmp(state()->overlay->data[2] + 6, added, 3));
}

TEST_F(SingleviewEngine, GetLutWritesTheTargetTableForTheExactLengthOnly) {
    rig.view.flags = CR_VIEW_LENS | CR_VIEW_BILINEAR;
    rig.view.zoomX = 0.7f;
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    int len = 0;
    crSingleviewGetLUTLen(h, &len);
    ASSERT_EQ(len, 64 * 48 * 4);
    std::vector<unsigned char> dst(len, 0xCD), untouched(len, 0xCD), want(len);
    EXPECT_EQ(crSingleviewGetLUT(h, dst.data(), len - 1), 0);
    EXPECT_EQ(dst, untouched);
    EXPECT_EQ(crSingleviewGetLUT(h, dst.data(), len), 0);
    const TestLut lut = crViewLut(rig.view);
    crMakeBinView(64, 48, lut.flat(), want.data(), nullptr, 1);
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

// Sum of the pixels covered by (value, repeats) pairs.
int crDecodedLength(const unsigned char* mask, int length) {
    int pixels = 0;
    for (int i = 1; i < length; i += 2) pixels += mask[i] + 1;
    return pixels;
}

TEST_F(SingleviewEngine, MaskAndMaskPictureNeedTheOverlayFlag) {
    PackedPicture picture(20, 10, 200);
    crSingleviewSetImage(h, 20, 10, picture.bytes.data(), 0);
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    int len = -1;
    EXPECT_EQ(crSingleviewGetMaskLen(h, &len, 800), 0);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(crSingleviewSaveImage(h, path.c_str()), 0);
    EXPECT_FALSE(std::ifstream(path).good());

    rig.view.flags = CR_VIEW_OVERLAY;
    rig.view.centerX = 30.0f;
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    const ViewParam before = rig.view;
    EXPECT_EQ(crSingleviewGetMaskLen(h, &len, 720), 0);
    ASSERT_GT(len, 0);
    EXPECT_EQ(crDecodedLength(state()->mask, len), 64 * 48);  // full width at base 720
    EXPECT_EQ(rig.view.outWidth, before.outWidth);
    EXPECT_EQ(rig.view.zoomX, before.zoomX);
    EXPECT_EQ(rig.view.overlayScale, before.overlayScale);
    EXPECT_EQ(rig.view.centerX, 32.0f);  // left at the middle of the view

    std::vector<unsigned char> dst(len, 0xCD), untouched(len, 0xCD);
    EXPECT_EQ(crSingleviewGetMask(h, dst.data(), len + 1), 0);
    EXPECT_EQ(dst, untouched);
    EXPECT_EQ(crSingleviewGetMask(h, dst.data(), len), 0);
    EXPECT_EQ(0, std::memcmp(dst.data(), state()->mask, len));

    crSingleviewGetMaskLen(h, &len, 1440);  // half the width
    EXPECT_EQ(crDecodedLength(state()->mask, len), 32 * 48);
    EXPECT_EQ(crSingleviewSaveImage(h, path.c_str()), 0);
    const std::string bmp = saved();
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bmp[18]), 32);  // width of the strip
}

TEST(SingleviewMask, PaletteQuantisationPicksTheNearestLowestEntry) {
    EXPECT_EQ(crMaskPaletteIndex(255, 255, 255), 0);
    EXPECT_EQ(crMaskPaletteIndex(0, 0, 0), 255);
    EXPECT_EQ(crMaskPaletteIndex(0, 0, 17), 224);  // blue, green, red: the darkest red ramp
    EXPECT_EQ(crMaskPaletteIndex(136, 136, 136), 249);
    EXPECT_EQ(crMaskPaletteIndex(0, 0, 255), 35);  // pure red in the colour cube
}

TEST(SingleviewMask, RunsCoverAtMost256PixelsAndCrossRows) {
    Image* strip = crCreateImage(3, 150, 2);
    ASSERT_NE(strip, nullptr);
    for (int r = 0; r < 2; ++r) std::memset(strip->data[r], 255, 450);
    unsigned char mask[8] = {};
    ASSERT_EQ(crEncodeMask(strip, mask, 8), 4);  // 300 white pixels
    const unsigned char white[4] = {0, 255, 0, 43};
    EXPECT_EQ(0, std::memcmp(mask, white, 4));

    std::memset(strip->data[1] + 3 * 149, 0, 3);
    ASSERT_EQ(crEncodeMask(strip, mask, 8), 6);
    const unsigned char blackLast[6] = {0, 255, 0, 42, 255, 0};
    EXPECT_EQ(0, std::memcmp(mask, blackLast, 6));
    EXPECT_EQ(crEncodeMask(strip, mask, 5), 0);  // does not fit: no partial mask
    crReleaseImage(&strip);
}

}  // namespace
