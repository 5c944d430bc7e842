// Top-view zone blocks of the normal and the turned view, and the vehicle
// rectangle of crGetMaskCarPos.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "camrig.h"

namespace {

using Rect = std::array<int, 4>;  // x, y, width, height (halved in the block)
using Block = std::array<Rect, 9>;

Block Read(void (*writer)(const MultiviewParam*, uint16_t*, int*), const MultiviewParam& p) {
    uint16_t out[36 + 1];
    out[36] = 0xBEEF;
    int len = 0;
    writer(&p, out, &len);
    EXPECT_EQ(len, 72);
    EXPECT_EQ(out[36], 0xBEEF) << "wrote past 72 bytes";
    const auto* bytes = reinterpret_cast<const unsigned char*>(out);
    Block block;
    for (int i = 0; i < 36; ++i) block[i / 4][i % 4] = bytes[2 * i] | bytes[2 * i + 1] << 8;
    return block;
}

// 1800 x 4500 at scale 10 in a 400 x 600 view centred at (200, 300): the
// vehicle occupies columns 112..292 and rows 76..528.
MultiviewParam Example() {
    MultiviewParam p{};
    p.carWidth = 1800;
    p.carLength = 4500;
    p.scale = 10.0f;
    p.viewWidth = 400;
    p.viewHeight = 600;
    p.viewCenterX = 200.0f;
    p.viewCenterY = 300.0f;
    return p;
}

TEST(TopviewZones, NormalViewAroundTheVehicle) {
    const Block expected = {{{56, 0, 90, 38},    // front
                             {0, 0, 56, 38},     // front-left
                             {0, 38, 56, 226},   // left
                             {0, 264, 56, 36},   // rear-left
                             {56, 264, 90, 36},  // rear
                             {146, 264, 54, 36}, // rear-right
                             {146, 38, 54, 226}, // right
                             {146, 0, 54, 38},   // front-right
                             {56, 38, 90, 226}}};
    EXPECT_EQ(Read(crMakeTopviewParam, Example()), expected);
}

TEST(TopviewZones, VehicleWiderThanTheViewLeavesNoSideZones) {
    MultiviewParam p = Example();
    p.carWidth = 5000;  // 500 pixels in a 400-pixel view
    const Block block = Read(crMakeTopviewParam, p);
    for (int zone : {1, 2, 3, 5, 6, 7}) EXPECT_EQ(block[zone][2], 0) << zone;
    EXPECT_EQ(block[8], (Rect{0, 38, 200, 226}));
    EXPECT_EQ(block[0], (Rect{0, 0, 200, 38}));
}

TEST(TopviewZones, TurnedViewLengthAlongColumns) {
    // 600 x 400 view centred at (300, 200): x0 = 300 - 226 = 74 -> 76,
    // y1 = 90 + 200 = 290 -> 292, y0 = 112, x1 = 528.
    MultiviewParam p = Example();
    p.viewWidth = 600;
    p.viewHeight = 400;
    p.viewCenterX = 300.0f;
    p.viewCenterY = 200.0f;
    const Block expected = {{{0, 56, 38, 90},    // front: left of the vehicle
                             {0, 146, 38, 54},
                             {38, 146, 226, 54}, // left: below it
                             {264, 146, 36, 54},
                             {264, 56, 36, 90},  // rear: right of it
                             {264, 0, 36, 56},
                             {38, 0, 226, 56},   // right: above it
                             {0, 0, 38, 56},
                             {38, 56, 226, 90}}};
    EXPECT_EQ(Read(crMakeFullTopviewParam, p), expected);
}

TEST(TopviewZones, QuotientInSinglePrecisionAndNullLen) {
    // 3 units at scale 2/3: the single-precision quotient is exactly 4.5
    // (-> 5 -> 8 pixels); in double precision it lies just below (-> 4).
    MultiviewParam p{};
    p.carWidth = 3;
    p.carLength = 3;
    p.scale = 2.0f / 3.0f;
    p.viewWidth = 40;
    p.viewHeight = 40;
    p.viewCenterX = 20.0f;
    p.viewCenterY = 20.0f;
    ASSERT_EQ(static_cast<float>(p.carWidth) / p.scale, 4.5f);
    uint16_t out[36];
    crMakeTopviewParam(&p, out, nullptr);
    const auto* bytes = reinterpret_cast<const unsigned char*>(out);
    EXPECT_EQ(bytes[68] | bytes[69] << 8, 4);  // vehicle width 8, halved
}

TEST(MaskCarPos, ClipsLeftAndTopBelowRightAndBottomAbove) {
    MultiviewParam p = Example();
    int top, left, right, bottom;
    crGetMaskCarPos(&p, &top, &left, &right, &bottom);
    EXPECT_EQ((Rect{top, left, right, bottom}), (Rect{76, 112, 292, 528}));

    p.viewCenterY = 100.0f;  // top edge 100 - 226 = -126 aligns to -120
    p.viewCenterX = 380.0f;  // left edge 290 -> 292, right edge 472 beyond 400
    crGetMaskCarPos(&p, &top, &left, &right, &bottom);
    EXPECT_EQ((Rect{top, left, right, bottom}), (Rect{0, 292, 400, -120 + 452}));
}

TEST(MaskCarPos, TurnedFrameSwapsTheAxes) {
    MultiviewParam p = Example();
    p.flags = CR_MULTI_TURNED;
    p.viewWidth = 600;
    p.viewHeight = 400;
    p.viewCenterX = 300.0f;
    p.viewCenterY = 150.0f;
    // Frame 400 x 600 with the origin at (400 - 150, 300).
    int top, left, right, bottom;
    crGetMaskCarPos(&p, &top, &left, &right, &bottom);
    EXPECT_EQ((Rect{top, left, right, bottom}), (Rect{76, 160, 340, 528}));
}

}  // namespace
