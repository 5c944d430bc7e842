// Single-view engine: table reuse, Apply, target LUT, field of view, overlay mask and its encoding; LUT text file.
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engines/lut_text.h"
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
};

TEST_F(SingleviewEngine, ApplyDoesNothingBeforeInitThenRemapsAndPaintsMissingSourcesRed) {
    int len = -5;
    TestPicture out(72, 48, 0xAB, 0xAB, 0xAB);
    EXPECT_TRUE(crSingleviewGetLUTLen(h, &len) == 0 && len == 0);
    EXPECT_EQ(crSingleviewApply(h, rig.frame.bytes.data(), out.bytes.data()), 0);
    EXPECT_EQ(out.bytes, std::vector<unsigned char>(size_t(72) * 48 * 3, 0xAB));
    ASSERT_EQ((rig.view.outWidth = 72, crSingleviewInit(h, &rig.view)), 0);  // eight columns beyond the camera picture
    EXPECT_EQ(crSingleviewApply(h, rig.frame.bytes.data(), out.bytes.data()), 0);
    for (int i = 0, c = 0, r = 0; i < 72 * 48; ++i, c = i % 72, r = i / 72)
        ASSERT_EQ(crPx(out.at(c, r)), (c < 64 ? crPx(rig.frame.at(c, r)) : Px{0, 0, 255})) << i;
}

TEST_F(SingleviewEngine, ReInitReusesTablesOfTheSameSizeAndKeepsTheOverlay) {
    rig.view.flags = CR_VIEW_OVERLAY;
    TestPicture first(8, 8), second(4, 4);
    first.at(5, 5)[1] = 255, second.at(2, 2)[0] = 9;  // stored as (1, 254, 1): opaque pixels avoid 0 and 255
    crSingleviewSetOverlay(h, 8, 8, first.bytes.data());
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    const std::vector<void*> tables = {state()->lut, state()->output, state()->overlay};
    const auto layer = [&](int c, int r) { return crPx(state()->overlay->data[r] + 3 * size_t(c)); };
    crSingleviewSetOverlay(h, 4, 4, second.bytes.data());  // replaces the first picture
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    EXPECT_EQ((std::vector<void*>{state()->lut, state()->output, state()->overlay}), tables);
    EXPECT_TRUE(layer(5, 5) == (Px{1, 254, 1}) && layer(2, 2) == (Px{9, 1, 1}));  // both pictures
    crSingleviewApply(h, rig.frame.bytes.data(), rig.out.bytes.data());
    EXPECT_EQ(crPx(rig.out.at(5, 5)), (Px{1, 254, 1}));
    ASSERT_EQ((rig.view.outWidth = 40, crSingleviewInit(h, &rig.view)), 0);  // a new size: a cleared overlay layer
    int len = 0;
    EXPECT_TRUE(crSingleviewGetLUTLen(h, &len) == 0 && len == 40 * 48 * 4 && state()->overlay->width == 40);
    EXPECT_TRUE(layer(5, 5) == (Px{0, 0, 0}) && layer(2, 2) == (Px{9, 1, 1}));
}

TEST_F(SingleviewEngine, GetLutWritesTheTargetTableForTheExactLengthOnly) {
    rig.view.flags = CR_VIEW_LENS | CR_VIEW_BILINEAR, rig.view.zoomX = 0.7f;
    ASSERT_EQ(crSingleviewInit(h, &rig.view), 0);
    const int len = 64 * 48 * 4;
    std::vector<unsigned char> dst(len, 0xCD), want(len, 0xCD);
    EXPECT_EQ(crSingleviewGetLUT(h, dst.data(), len - 1), 0);
    EXPECT_EQ(dst, want);
    EXPECT_EQ(crSingleviewGetLUT(h, dst.data(), len), 0);
    crMakeBinView(64, 48, crViewLut(rig.view).flat(), want.data(), nullptr, 1);
    EXPECT_EQ(dst, want);
}

// The field of view adds crGetFOV of the outermost pixels of the middle row and of the middle column.
TEST_F(SingleviewEngine, FieldOfViewSpansTheOutermostPixelsOfTheMiddleRowAndColumn) {
    rig.view.flags = CR_VIEW_LENS, rig.view.outWidth = 41, rig.view.outHeight = 31, rig.view.centerX = 20.0f;
    ASSERT_EQ((rig.view.centerY = 15.0f, crSingleviewInit(h, &rig.view)), 0);
    float across = 0.0f, down = 0.0f, a[4];
    EXPECT_EQ(crSingleviewGetFOV(h, &across, &down), 0);
    const TestLut lut = crViewLut(rig.view);
    const Point2f at[4] = {lut.at(0, 15), lut.at(40, 15), lut.at(20, 0), lut.at(20, 30)};
    for (int i = 0; i < 4; ++i) crGetFOV(&rig.cam, at[i].x, at[i].y, &a[i]);
    EXPECT_TRUE(across == a[0] + a[1] && down == a[2] + a[3]);
    EXPECT_NEAR(across, 2.0f * std::atan(20.0f / 40.0f) * 57.29578f, 0.01f);
}

int crDecodedLength(const unsigned char* mask, int length) {  // pixels that (value, repeats) pairs cover
    return length < 2 ? 0 : mask[1] + 1 + crDecodedLength(mask + 2, length - 2);
}

TEST_F(SingleviewEngine, MaskAndMaskPictureNeedTheOverlayFlag) {
    int len = -1;
    ASSERT_EQ((crSingleviewSetImage(h, 20, 10, rig.picture.bytes.data(), 0), crSingleviewInit(h, &rig.view)), 0);
    EXPECT_TRUE(crSingleviewGetMaskLen(h, &len, 800) == 0 && len == 0);
    EXPECT_TRUE(crSingleviewSaveImage(h, rig.path.c_str()) == 0 && !std::ifstream(rig.path).good());
    ASSERT_EQ((rig.view.flags = CR_VIEW_OVERLAY, rig.view.centerX = 30.0f, crSingleviewInit(h, &rig.view)), 0);
    EXPECT_EQ(crSingleviewGetMaskLen(h, &len, 720), 0);
    EXPECT_EQ(crDecodedLength(state()->mask, len), 64 * 48);  // full width at base 720; the view centred again
    EXPECT_TRUE(rig.view.outWidth == 64 && rig.view.zoomX == 1.0f && rig.view.overlayScale == 1.0f);
    EXPECT_EQ(rig.view.centerX, 32.0f);
    std::vector<unsigned char> dst(len, 0xCD);
    EXPECT_EQ(crSingleviewGetMask(h, dst.data(), len + 1), 0);
    EXPECT_EQ(dst, std::vector<unsigned char>(len, 0xCD));
    EXPECT_EQ(crSingleviewGetMask(h, dst.data(), len), 0);
    EXPECT_EQ(dst, std::vector<unsigned char>(state()->mask, state()->mask + len));
    crSingleviewGetMaskLen(h, &len, 1440);  // half the width
    EXPECT_EQ(crSingleviewSaveImage(h, rig.path.c_str()), 0);
    char header[22] = {};
    EXPECT_TRUE(std::ifstream(rig.path, std::ios::binary).read(header, 22).good());
    EXPECT_TRUE(header[0] == 'B' && header[1] == 'M' && header[18] == 32);  // the strip's width
    std::remove(rig.path.c_str());
}

// Palette: white 0, black 255, the darkest red 224; runs of at most 256 pixels, crossing rows, all or nothing.
TEST(SingleviewMask, PaletteIndicesAndRuns) {
    const int pal[][4] = {{255, 255, 255, 0}, {0, 0, 0, 255}, {0, 0, 17, 224}, {136, 136, 136, 249}, {0, 0, 255, 35}};
    for (const auto& p : pal) EXPECT_EQ(crMaskPaletteIndex(p[0], p[1], p[2]), p[3]) << p[0] << "," << p[2];
    Image* strip = crCreateImage(3, 150, 2);  // 300 white pixels
    unsigned char mask[8] = {}, runs[4] = {0, 255, 0, 43};
    for (int r = 0; r < 2; ++r) std::memset(strip->data[r], 255, 450);
    ASSERT_EQ(crEncodeMask(strip, mask, 8), 4);
    EXPECT_EQ(0, std::memcmp(mask, runs, 4));
    std::memset(strip->data[1] + 3 * size_t(149), 0, 3);  // a black last pixel needs a third pair: 6 bytes
    EXPECT_EQ(crEncodeMask(strip, mask, 5), 0);
    crReleaseImage(&strip);
}

std::string crSavedLut(float* const* lut, int width, int height) {
    const std::string path = ::testing::TempDir() + "camrig_lut_text_" + std::to_string(getpid());
    std::remove(path.c_str()), crSaveLutText(path.c_str(), lut, width, height);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes = in.good() ? std::string(std::istreambuf_iterator<char>(in), {}) : "(no file)";
    return std::remove(path.c_str()), bytes;
}

TEST(LutTextFile, WritesOneCrLfLinePerEntryRowByRowWithUnmappedAs36245) {
    float row0[] = {1.5f, 2.25f, -1.0f, -1.0f}, row1[] = {0.0f, -0.5f, 639.125f, 479.0f}, none[] = {-1.0f, -1.0f};
    float *lut[] = {row0, row1}, *single[] = {none};
    EXPECT_EQ(crSavedLut(lut, 2, 2),
              "0 0 1.500000 2.250000\r\n1 0 36245.000000 36245.000000\r\n"
              "0 1 0.000000 36245.000000\r\n1 1 639.125000 479.000000\r\n");
    EXPECT_EQ(crSavedLut(single, 1, 1), "0 0 36245.000000 36245.000000\r\n");
    EXPECT_EQ(crSavedLut(lut, 2, 0), "");  // created, empty
    crSaveLutText(nullptr, lut, 1, 1);
}

}  // namespace
