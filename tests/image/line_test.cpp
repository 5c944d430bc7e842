// crDrawLineBresenham: stamped points, colour byte order, brush clipping and
// the end-point checks.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "remap_support.h"

namespace {

using Points = std::set<std::pair<int, int>>;

// Draws one white line into a black 6 x 5 picture; returns the painted pixels.
Points crDraw(int x0, int y0, int x1, int y1, int thickness) {
    TestImage img(3, 6, 5);
    crDrawLineBresenham(img, x0, y0, x1, y1, 0xFFFFFF, thickness);
    Points out;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 6; ++c)
            if (img.px(c, r)[0] | img.px(c, r)[1] | img.px(c, r)[2]) out.insert({c, r});
    return out;
}

TEST(DrawLine, StampsBresenhamPointsInEveryDirection) {
    EXPECT_EQ(crDraw(0, 0, 3, 3, 1), (Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(crDraw(0, 0, 4, 1, 1), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}}));
    EXPECT_EQ(crDraw(4, 1, 0, 0, 1), (Points{{4, 1}, {3, 1}, {2, 0}, {1, 0}, {0, 0}}));
    EXPECT_EQ(crDraw(1, 4, 0, 0, 1), (Points{{1, 4}, {1, 3}, {0, 2}, {0, 1}, {0, 0}}));
}

TEST(DrawLine, BrushIsClippedAndEndPointsAreChecked) {
    // Stamps at (4, 0) and (5, 0), each 3 x 3 from its top-left pixel.
    EXPECT_EQ(crDraw(4, 0, 5, 0, 3), (Points{{4, 0}, {5, 0}, {4, 1}, {5, 1}, {4, 2}, {5, 2}}));
    EXPECT_TRUE(crDraw(0, 0, 4, 3, 0).empty());
    EXPECT_TRUE(crDraw(2, 2, 2, 2, 2).empty());  // equal end points
    EXPECT_TRUE(crDraw(0, 0, 6, 0, 1).empty());
    EXPECT_TRUE(crDraw(-1, 0, 3, 0, 1).empty());
    EXPECT_TRUE(crDraw(0, 0, 0, 5, 1).empty());
    EXPECT_TRUE(crDraw(0, -1, 0, 3, 1).empty());
}

TEST(DrawLine, ColourIsBlueGreenRedFromBgrValue) {
    TestImage img(3, 3, 3);
    crDrawLineBresenham(img, 0, 0, 2, 2, 0xFF010203, 1);  // bits 24..31 ignored
    EXPECT_EQ(img.pixel(1, 1), (Bytes{0x01, 0x02, 0x03}));
}

}  // namespace
