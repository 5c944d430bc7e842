// Hostile sizes, coordinates and thicknesses: refused as failed allocations,
// saturated or clipped, never read or written outside the buffers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "remap_support.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(HostileSizes, RecordsThatCannotBeDescribedAreNotAllocated) {
    const int images[][3] = {
        {3, -1, 2},      {3, 2, -1},      {INT_MAX, 2, 1}, {3, INT_MAX / 3, 1}, {4, 1 << 20, 1 << 10},
        {1, 0, INT_MAX}, {-5, INT_MAX, 1}};
    for (const auto& s : images) EXPECT_EQ(crCreateImage(s[0], s[1], s[2]), nullptr) << s[0] << " " << s[1];
    EXPECT_EQ(crAllocRows(-1, 2), nullptr);
    EXPECT_EQ(crAllocRows(4, INT_MAX), nullptr);
    EXPECT_EQ(crAllocLut(-1, 2), nullptr);
    EXPECT_EQ(crAllocLut(INT_MAX / 4, 1), nullptr);
    TestLut lut(2, 2);
    EXPECT_EQ(crFlattenLut(lut, 2, -1), nullptr);
    EXPECT_EQ(crFlattenLut(lut, 1 << 16, 1 << 16), nullptr);
}

TEST(HostileSizes, BmpOfAnImpossibleRecordIsRefused) {
    // Field overrides of a 4 x 2 picture: huge or negative sizes, rows longer than the stride.
    const struct {
        int channels, width, height;
    } records[] = {{3, INT_MAX / 2, 2}, {3, 4, INT_MAX}, {3, -4, 2}, {3, 4, -2}, {-1, 4, 2}, {4, 1 << 14, 1 << 15}};
    TestImage img(3, 4, 2);
    for (const auto& r : records) {
        Image record = *img.img;
        record.channels = r.channels, record.width = r.width, record.height = r.height;
        int size = -7;
        EXPECT_EQ(crImageToBmp(&record, &size), nullptr) << r.channels << " " << r.width << " " << r.height;
        EXPECT_EQ(size, -7);
    }
}

TEST(HostileSizes, ConversionsOfUnrepresentableWidthsWriteNothing) {
    const unsigned char src[64] = {255};
    const struct {
        int width, height, stride;
    } cases[] = {{INT_MAX, 1, 0}, {(INT_MAX - 3) / 3 + 1, 2, 0}, {INT_MIN, 2, 0}, {-5, 2, -12}, {5, 0, 16}};
    for (const auto& c : cases) {
        Bytes dst(64, 0xAB);
        EXPECT_EQ(crRGB24toYUV422(src, dst.data(), c.width, c.height), c.stride) << c.width;
        EXPECT_EQ(crRGB24toRGB32(src, dst.data(), c.width, c.height), c.stride) << c.width;
        EXPECT_EQ(dst, Bytes(64, 0xAB)) << c.width;
    }
}

TEST(HostileSizes, ResizeLeavesAnImpossibleDestinationAlone) {
    TestImage src(3, 4, 4), dst(3, 2, 2);
    src.paint([](int, int, int) { return 9; });
    dst->channels = -3;  // row bytes negative
    EXPECT_EQ(crResizeImage(src, dst, 0), 0);
    dst->channels = 3, dst->width = 40;  // rows shorter than the width says
    EXPECT_EQ(crResizeImage(src, dst, 1), 0);
    EXPECT_EQ(dst.pixel(1, 1), Bytes(3, 0));
}

// Coordinates that no conversion to int can hold sample nothing: every sampler fills.
TEST(Saturation, RemapFillsNonFiniteAndHugeCoordinates) {
    const unsigned char fill[3] = {7, 8, 9};
    const float values[] = {kNaN, kInf, -kInf, 1e30f, -1e30f, 3e9f, -3e9f, 2097152.0f};
    TestImage src(3, 5, 5);
    src.paint([](int c, int r, int k) { return 10 * c + r + k; });
    for (float v : values)
        for (int mode = 0; mode < 4; ++mode) {
            TestImage dst(3, 2, 1);
            TestLut lut({{v, 1.0f}, {1.0f, v}});
            (mode < 3 ? crRemap : crRemapAlpha)(src, dst, lut, mode < 3 ? mode : 1, fill);
            EXPECT_EQ(dst.pixel(0, 0), Bytes(fill, fill + 3)) << v << " mode " << mode;
            EXPECT_EQ(dst.pixel(1, 0), Bytes(fill, fill + 3)) << v << " mode " << mode;
        }
}

// A negative source size is an empty source; a source with fewer channels than the destination is not read.
TEST(Saturation, RemapReadsNothingOutsideTheSource) {
    const unsigned char fill[3] = {7, 8, 9};
    TestImage src(3, 2, 2), dst(3, 1, 1), grey(1, 40, 40);
    TestLut lut({{1.0f, 1.0f}});
    src->width = -2;
    crRemap(src, dst, lut, 0, fill);
    EXPECT_EQ(dst.pixel(0, 0), Bytes(fill, fill + 3));
    TestLut far({{30.0f, 30.0f}});
    crRemap(grey, dst, far, 0, nullptr);
    EXPECT_EQ(dst.pixel(0, 0), Bytes(fill, fill + 3));
    // A width that the rows cannot hold, in the source or in the destination: nothing is read or written.
    TestLut inside({{30.0f, 1.0f}});
    for (Image* widened : {static_cast<Image*>(src), static_cast<Image*>(dst)}) {
        src->width = 2, dst->width = 1, widened->width = 100000;
        dst->data[0][0] = 5;
        for (int mode = 0; mode < 4; ++mode) (mode < 3 ? crRemap : crRemapAlpha)(src, dst, inside, mode % 3, fill);
        EXPECT_EQ(dst->data[0][0], 5);
    }
}

Bytes crLinePicture(int w, int h, int x0, int y0, int x1, int y1, int thickness) {
    TestImage img(3, w, h);
    crDrawLineBresenham(img, x0, y0, x1, y1, 0x00332211, thickness);
    Bytes all;
    for (int r = 0; r < h; ++r) all.insert(all.end(), img->data[r], img->data[r] + img->stride);
    return all;
}

// The brush is clipped to the picture before it is swept, so any thickness beyond
// the one that reaches the far edges costs and paints exactly as much.
TEST(DrawLineHostile, HugeThicknessPaintsWhatTheCoveringOneDoes) {
    const Bytes covering = crLinePicture(40, 30, 5, 3, 30, 20, 35);  // 35 reaches column 39 from column 5
    EXPECT_NE(crLinePicture(40, 30, 5, 3, 30, 20, 34), covering);
    for (int thickness : {36, 1 << 20, INT_MAX}) EXPECT_EQ(crLinePicture(40, 30, 5, 3, 30, 20, thickness), covering);
    EXPECT_EQ(crLinePicture(40, 30, 5, 3, 30, 20, INT_MIN), Bytes(size_t(30) * 120, 0));
}

TEST(DrawLineHostile, FarEndPointsDrawNothingAndNarrowRowsAreNotOverrun) {
    const int ends[][4] = {{INT_MIN, 0, 3, 3},
                           {0, INT_MIN, 3, 3},
                           {0, 0, INT_MAX, 0},
                           {0, 0, 0, INT_MAX},
                           {INT_MAX, INT_MAX, INT_MIN, INT_MIN},
                           {INT_MIN, INT_MIN, 0, 0}};
    for (const auto& e : ends)
        EXPECT_EQ(crLinePicture(6, 5, e[0], e[1], e[2], e[3], INT_MAX), Bytes(size_t(5) * 20, 0));
    TestImage grey(1, 8, 2);  // stride 8: only two 3-byte pixels fit a row
    crDrawLineBresenham(grey, 0, 0, 7, 1, 0x00010101, 2);
    EXPECT_EQ(Bytes(grey->data[1], grey->data[1] + 8), (Bytes{1, 1, 1, 1, 1, 1, 0, 0}));
}

}  // namespace
