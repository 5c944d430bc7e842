// Point binaries: calibration lists over four cameras, rounding to 16-bit
// pairs, and the rows of a parking guide.
#include <gtest/gtest.h>

#include <vector>

#include "camrig.h"
#include "target/pair16.h"

namespace {

TEST(BinCalibrationPoints, CamerasInTurnEachWithItsOwnCount) {
    // Image point i of camera k is (100k + i, -i), ground point (1000k + i, i + 0.5).
    std::vector<CameraParam> cams(4, CameraParam{});
    const int counts[4] = {4, 0, 6, 5};
    for (int k = 0; k < 4; ++k) {
        cams[k].pointCount = counts[k];
        for (int i = 0; i < 50; ++i) {
            cams[k].imagePoints[i] = {float(100 * k + i), float(-i)};
            cams[k].worldPoints[i] = {float(1000 * k + i), i + 0.5f};
        }
    }
    unsigned char out[50 * 4];
    int len = 0;
    crMakeBinIPoint(cams.data(), out, &len);
    ASSERT_EQ(len, 60);
    const std::vector<Pair16> image = crDecodePairs16(out, len);
    EXPECT_EQ(image[3], (Pair16{3, -3}));
    EXPECT_EQ(image[4], (Pair16{200, 0}));  // camera 1 adds nothing
    EXPECT_EQ(image[14], (Pair16{304, -4}));
    crMakeBinWPoint(cams.data(), out, &len);
    ASSERT_EQ(len, 60);
    EXPECT_EQ(crDecodePairs16(out, len)[14], (Pair16{3004, 5}));

    cams[0].pointCount = -2;
    cams[2].pointCount = 1;
    cams[2].imagePoints[0] = {12.5f, -3.5f};
    cams[3].pointCount = 0;
    crMakeBinIPoint(cams.data(), out, &len);
    EXPECT_EQ(std::vector<unsigned char>(out, out + len), (std::vector<unsigned char>{0x0D, 0x00, 0xFC, 0xFF}));
}

TEST(BinGuidePoints, MiddleRowOrEveryRow) {
    // Point i of row r in set s is (10s + r, i), 3 points per row.
    std::vector<Point2f> sets[2];
    for (int s = 0; s < 2; ++s)
        for (int r = 0; r < 5; ++r)
            for (int i = 0; i < 3; ++i) sets[s].push_back({float(10 * s + r), float(i)});
    PgsParam g{};
    g.rowCount = 4;
    g.pointCount = 3;
    g.points0 = sets[0].data();
    g.points1 = sets[1].data();
    unsigned char out[15 * 4];
    int len = 0;
    crMakeBinPGS(&g, out, &len, 0, 0);
    EXPECT_EQ(crDecodePairs16(out, len), (std::vector<Pair16>{{1, 0}, {1, 1}, {1, 2}}));
    crMakeBinPGS(&g, out, &len, 5, 1);
    ASSERT_EQ(len, 48);
    EXPECT_EQ(crDecodePairs16(out, len)[11], (Pair16{13, 2}));
    g.rowCount = 5;
    crMakeBinPGS(&g, out, &len, 1, 0);
    EXPECT_EQ(crDecodePairs16(out, len)[0], (Pair16{12, 0}));

    // Separators, a point rounding to (-1, -1), a value wrapping to 16 bits.
    g.rowCount = 1;
    sets[0][0] = {-1.0f, -1.0f};
    sets[0][1] = {-1.0f, -0.5f};
    sets[0][2] = {2.5f, 40000.0f};
    crMakeBinPGS(&g, out, nullptr, 0, 0);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 8), std::vector<unsigned char>(8, 0xFF));
    EXPECT_EQ(crDecodePairs16(out, 12)[2], (Pair16{3, 40000 - 65536}));
    g.pointCount = 0;
    crMakeBinPGS(&g, out, &len, 0, 1);
    EXPECT_EQ(len, 0);
}

}  // namespace
