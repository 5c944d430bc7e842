// Point binaries: calibration lists over four cameras, rounding to 16-bit
// pairs, and the parking-guide rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "camrig.h"
#include "target/pair16.h"

namespace {

using Pair = Pair16;

std::vector<Pair> Decode(const unsigned char* bytes, int len) { return crDecodePairs16(bytes, len); }

// Cameras whose image point i of camera k is (100k + i, -i) and whose ground
// point is (1000k + i, i + 0.5).
std::vector<CameraParam> Cameras(std::vector<int> counts) {
    std::vector<CameraParam> cams(4);
    for (int k = 0; k < 4; ++k) {
        cams[k] = CameraParam{};
        cams[k].pointCount = counts[k];
        for (int i = 0; i < 50; ++i) {
            cams[k].imagePoints[i] = {float(100 * k + i), float(-i)};
            cams[k].worldPoints[i] = {float(1000 * k + i), i + 0.5f};
        }
    }
    return cams;
}

TEST(BinCalibrationPoints, CamerasInTurnEachWithItsOwnCount) {
    const std::vector<CameraParam> cams = Cameras({4, 0, 6, 5});
    unsigned char out[50 * 4];
    int len = 0;
    crMakeBinIPoint(cams.data(), out, &len);
    ASSERT_EQ(len, 60);
    const std::vector<Pair> image = Decode(out, len);
    EXPECT_EQ(image[3], (Pair{3, -3}));
    EXPECT_EQ(image[4], (Pair{200, 0}));   // camera 1 adds nothing
    EXPECT_EQ(image[10], (Pair{300, 0}));
    EXPECT_EQ(image[14], (Pair{304, -4}));

    crMakeBinWPoint(cams.data(), out, &len);
    ASSERT_EQ(len, 60);
    const std::vector<Pair> world = Decode(out, len);
    EXPECT_EQ(world[4], (Pair{2000, 1}));
    EXPECT_EQ(world[14], (Pair{3004, 5}));
}

TEST(BinCalibrationPoints, NegativeCountsAddNothingAndLenIsOptional) {
    std::vector<CameraParam> cams = Cameras({-3, 2, 0, 0});
    unsigned char out[8];
    int len = 0;
    crMakeBinWPoint(cams.data(), out, &len);
    EXPECT_EQ(len, 8);
    crMakeBinIPoint(cams.data(), out, nullptr);
    EXPECT_EQ(Decode(out, 8)[1], (Pair{101, -1}));
}

TEST(BinCalibrationPoints, RoundsHalfAwayToLittleEndianBytes) {
    std::vector<CameraParam> cams = Cameras({1, 0, 0, 0});
    cams[0].imagePoints[0] = {12.5f, -3.5f};
    unsigned char out[4];
    crMakeBinIPoint(cams.data(), out, nullptr);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 4), (std::vector<unsigned char>{0x0D, 0x00, 0xFC, 0xFF}));
}

// A guide of `rows` rows of 3 points; point i of row r in set s is
// (10s + r, i).
struct Guide {
    std::vector<Point2f> sets[2];
    PgsParam param{};

    explicit Guide(int rows) {
        for (int s = 0; s < 2; ++s)
            for (int r = 0; r < rows; ++r)
                for (int i = 0; i < 3; ++i) sets[s].push_back({float(10 * s + r), float(i)});
        param.rowCount = rows;
        param.pointCount = 3;
        param.points0 = sets[0].data();
        param.points1 = sets[1].data();
    }

    std::vector<Pair> Write(int set, int all) {
        unsigned char out[64 * 4];
        int len = -1;
        crMakeBinPGS(&param, out, &len, set, all);
        EXPECT_EQ(len % 4, 0);
        return Decode(out, len);
    }
};

TEST(BinGuidePoints, MiddleRowOrEveryRowOfTheChosenSet) {
    Guide four(4);
    EXPECT_EQ(four.Write(0, 0), (std::vector<Pair>{{1, 0}, {1, 1}, {1, 2}}));
    EXPECT_EQ(four.Write(1, 0), (std::vector<Pair>{{11, 0}, {11, 1}, {11, 2}}));
    const std::vector<Pair> all = four.Write(7, 1);
    ASSERT_EQ(all.size(), 12u);
    EXPECT_EQ(all[0], (Pair{10, 0}));
    EXPECT_EQ(all[11], (Pair{13, 2}));

    Guide five(5);
    EXPECT_EQ(five.Write(0, 0)[0], (Pair{2, 0}));
}

TEST(BinGuidePoints, SeparatorsAndRounding) {
    Guide g(1);
    g.sets[0][0] = {-1.0f, -1.0f};
    g.sets[0][1] = {-1.0f, -0.5f};
    g.sets[0][2] = {2.5f, 40000.0f};  // wraps to its low 16 bits
    unsigned char out[12];
    crMakeBinPGS(&g.param, out, nullptr, 0, 0);
    for (int b = 0; b < 8; ++b) EXPECT_EQ(out[b], 0xFF) << b;
    EXPECT_EQ(Decode(out, 12)[2], (Pair{3, 40000 - 65536}));
}

TEST(BinGuidePoints, NoPointsPerRowWritesNothing) {
    Guide g(3);
    g.param.pointCount = 0;
    EXPECT_TRUE(g.Write(0, 0).empty());
    EXPECT_TRUE(g.Write(0, 1).empty());
}

}  // namespace
