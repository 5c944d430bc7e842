// Top-view zone blocks of the normal and the turned view, and the vehicle
// rectangle of crGetMaskCarPos.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "camrig.h"

namespace {

using Quad = std::array<int, 4>;
using Block = std::array<Quad, 9>;  // (x, y, width, height) per zone, halved

Block Read(void (*writer)(const MultiviewParam*, uint16_t*, int*), const MultiviewParam& p) {
    unsigned char out[72 + 1];
    out[72] = 0xEE;
    int len = 0;
    writer(&p, reinterpret_cast<uint16_t*>(out), &len);
    EXPECT_EQ(len, 72);
    EXPECT_EQ(out[72], 0xEE) << "wrote past 72 bytes";
    Block block;
    for (int i = 0; i < 36; ++i) block[i / 4][i % 4] = out[2 * i] | out[2 * i + 1] << 8;
    return block;
}

// 1800 x 4500 at scale 10 in a 400 x 600 view centred at (200, 300): the
// vehicle is 180 x 452 pixels at columns 112..292, rows 76..528.
MultiviewParam Example(int width = 400, int height = 600) {
    MultiviewParam p{};
    p.carWidth = 1800;
    p.carLength = 4500;
    p.scale = 10.0f;
    p.viewWidth = width;
    p.viewHeight = height;
    p.viewCenterX = width / 2.0f;
    p.viewCenterY = height / 2.0f;
    return p;
}

Quad CarPos(const MultiviewParam& p) {
    Quad q;  // top, left, right, bottom
    crGetMaskCarPos(&p, &q[0], &q[1], &q[2], &q[3]);
    return q;
}

TEST(TopviewZones, NormalAndTurnedViews) {
    // Front, front-left, left, rear-left, rear, rear-right, right, front-right, vehicle.
    EXPECT_EQ(Read(crMakeTopviewParam, Example()),
              (Block{{{56, 0, 90, 38}, {0, 0, 56, 38}, {0, 38, 56, 226}, {0, 264, 56, 36},
                      {56, 264, 90, 36}, {146, 264, 54, 36}, {146, 38, 54, 226}, {146, 0, 54, 38},
                      {56, 38, 90, 226}}}));
    // Turned 600 x 400 view: columns 76..528, rows 112..292 (290 aligned up);
    // the front band lies left of the vehicle, the left strip below it.
    EXPECT_EQ(Read(crMakeFullTopviewParam, Example(600, 400)),
              (Block{{{0, 56, 38, 90}, {0, 146, 38, 54}, {38, 146, 226, 54}, {264, 146, 36, 54},
                      {264, 56, 36, 90}, {264, 0, 36, 56}, {38, 0, 226, 56}, {0, 0, 38, 56}, {38, 56, 226, 90}}}));
}

TEST(TopviewZones, VehicleWiderThanTheView) {
    MultiviewParam p = Example();
    p.carWidth = 5000;  // 500 pixels in a 400-pixel view
    const Block block = Read(crMakeTopviewParam, p);
    for (int zone : {1, 2, 3, 5, 6, 7}) EXPECT_EQ(block[zone][2], 0) << zone;
    EXPECT_EQ(block[8], (Quad{0, 38, 200, 226}));
}

TEST(TopviewZones, QuotientInSinglePrecision) {
    // 3 units at scale 2/3: the single-precision quotient is exactly 4.5
    // (-> 5 -> 8 pixels); in double precision it lies just below (-> 4).
    MultiviewParam p = Example(40, 40);
    p.carWidth = 3;
    p.scale = 2.0f / 3.0f;
    uint16_t out[36];
    crMakeTopviewParam(&p, out, nullptr);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(out)[68], 4);  // vehicle width, halved
}

TEST(MaskCarPos, ClipsLeftAndTopBelowRightAndBottomAbove) {
    MultiviewParam p = Example();
    EXPECT_EQ(CarPos(p), (Quad{76, 112, 292, 528}));
    p.viewCenterY = 100.0f;  // top edge 100 - 226 = -126 aligns to -120
    p.viewCenterX = 380.0f;  // left edge 290 -> 292, right edge 472 beyond 400
    EXPECT_EQ(CarPos(p), (Quad{0, 292, 400, -120 + 452}));
    // Turned: the frame is 400 x 600 with the origin at (400 - 150, 300).
    p = Example(600, 400);
    p.flags = CR_MULTI_TURNED;
    p.viewCenterY = 150.0f;
    EXPECT_EQ(CarPos(p), (Quad{76, 160, 340, 528}));
}

}  // namespace
