// Device writers given sizes no buffer can hold, row counts before the array and
// coordinates beyond 32 bits: nothing written, length 0, conversions saturated.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <vector>

#include "camrig.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr float kInf = std::numeric_limits<float>::infinity();

// Negative sizes, a map row or a table that does not fit an int.
const int kBadSizes[][2] = {{-2, -3}, {-2, 3}, {3, -2}, {INT_MAX, 1}, {1 << 16, 1 << 15}, {INT_MIN, INT_MIN}};

TEST(DeviceHostile, MaskAndViewWritersRefuseUnrepresentableSizes) {
    using Writer = void (*)(int, int, const unsigned char*, unsigned char*, int*);
    using Length = void (*)(int, int, int*);
    const Writer masks[] = {crMakeBinMaskRGB16, crMakeBinMaskRGB32, crMakeBinMaskYCbCr, crMakeBinMaskRGB24};
    const Length lengths[] = {crMakeBinMaskRGB16Len, crMakeBinMaskRGB32Len, crMakeBinMaskYCbCrLen,
                              crMakeBinMaskRGB24Len};
    const unsigned char map[64] = {1, 2, 3};
    const float lut[16] = {1.0f, 2.0f};
    for (const auto& s : kBadSizes) {
        SCOPED_TRACE(testing::Message() << s[0] << " x " << s[1]);
        for (int k = 0; k < 6; ++k) {
            Bytes out(64, 0xAB);
            int len = -7, reported = -7;
            if (k < 4)
                masks[k](s[0], s[1], map, out.data(), &len), lengths[k](s[0], s[1], &reported);
            else
                (k == 4 ? crMakeBinView : crMakeBinViewHalf)(s[0], s[1], lut, out.data(), &len, 1), reported = 0;
            EXPECT_EQ(std::make_pair(len, reported), std::make_pair(0, 0)) << k;
            EXPECT_EQ(out, Bytes(64, 0xAB)) << k;
        }
    }
}

int16_t Low16(const unsigned char* b) { return static_cast<int16_t>(b[0] | b[1] << 8); }

// Out-of-range coordinates store the lowest int's low 16 bits, 0, whatever their sign.
TEST(DeviceHostile, OutOfRangeViewAndPointCoordinatesStoreTheLowestInt) {
    const struct {
        bool half;
        int mode;
        float x, y;
        int16_t ex, ey;
    } views[] = {{false, 1, 1e10f, 0.0f, 0, 0},   {false, 1, -1e10f, 1.0f, 0, 32}, {false, 0, 1e10f, kInf, 0, 0},
                 {false, 0, -kInf, 4.0f, 0, 128}, {false, 1, 2.0f, 3e9f, 128, 0},  {false, 1, 2.0f, -kInf, 128, 0},
                 {true, 1, kInf, 1e12f, 0, 0},    {true, 0, -kInf, -1.0f, -1, -1}};
    for (const auto& v : views) {
        const float lut[2] = {v.x, v.y};
        unsigned char out[4];
        (v.half ? crMakeBinViewHalf : crMakeBinView)(1, 1, lut, out, nullptr, v.mode);
        EXPECT_EQ(std::make_pair(Low16(out), Low16(out + 2)), std::make_pair(v.ex, v.ey)) << v.x << ", " << v.y;
    }
    std::vector<CameraParam> cams(4);
    cams[2].pointCount = 3;
    cams[2].imagePoints[0] = {kInf, -kInf};
    cams[2].imagePoints[1] = {3e9f, -3e9f};
    cams[2].imagePoints[2] = {12.5f, -3.5f};
    unsigned char out[16];
    int len = 0;
    crMakeBinIPoint(cams.data(), out, &len);
    EXPECT_EQ(len, 12);
    EXPECT_EQ(
        (std::vector<int>{Low16(out), Low16(out + 2), Low16(out + 4), Low16(out + 6), Low16(out + 8), Low16(out + 10)}),
        (std::vector<int>{0, 0, 0, 0, 13, -4}));
}

// A negative row count has no rows; a selection whose size does not fit an int is not stored.
TEST(DeviceHostile, GuidePointsOutsideTheArrayAreNotRead) {
    Point2f points[4] = {{1, 2}, {3, 4}, {5, 6}, {7, 8}};
    const struct {
        int rows, perRow, all, len;
    } cases[] = {{-1, 2, 0, 0},       {-2, 2, 0, 0},      {INT_MIN, 2, 0, 0}, {-2, -2, 1, 0},
                 {INT_MIN, -1, 1, 0}, {3, INT_MAX, 1, 0}, {INT_MAX, 2, 1, 0}, {1, INT_MAX / 2, 0, 0},
                 {2, 2, 1, 16},       {0, 2, 0, 8},       {0, 2, 1, 0}};
    for (const auto& c : cases) {
        PgsParam g{};
        g.rowCount = c.rows, g.pointCount = c.perRow, g.points0 = points;
        Bytes out(32, 0xAB);
        int len = -7;
        crMakeBinPGS(&g, out.data(), &len, 0, c.all);
        EXPECT_EQ(len, c.len) << c.rows << " x " << c.perRow;
        EXPECT_EQ(Bytes(out.begin() + c.len, out.end()), Bytes(32 - c.len, 0xAB)) << c.rows << " x " << c.perRow;
    }
}

}  // namespace
