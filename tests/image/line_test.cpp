// crDrawLineBresenham: stamped points, colour byte order, brush clipping and
// the end-point checks.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "remap_support.h"

namespace {

using Points = std::set<std::pair<int, int>>;

// Every pixel that differs from black.
Points crPainted(TestImage& img) {
    Points out;
    for (int r = 0; r < img->height; ++r)
        for (int c = 0; c < img->width; ++c) {
            const unsigned char* p = img.px(c, r);
            if (p[0] | p[1] | p[2]) out.insert({c, r});
        }
    return out;
}

TEST(DrawLine, DiagonalAndShallowLinesStampBresenhamPoints) {
    TestImage img(3, 6, 6);
    crDrawLineBresenham(img, 0, 0, 3, 3, 0x010203, 1);
    EXPECT_EQ(crPainted(img), (Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(img.px(2, 2)[0], 0x01);  // blue from bits 16..23
    EXPECT_EQ(img.px(2, 2)[1], 0x02);
    EXPECT_EQ(img.px(2, 2)[2], 0x03);

    TestImage shallow(3, 6, 6);
    crDrawLineBresenham(shallow, 0, 0, 4, 1, 0xFF00FFFF, 1);  // bits 24..31 ignored
    EXPECT_EQ(crPainted(shallow), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}}));
    EXPECT_EQ(shallow.px(4, 1)[0], 0);
}

TEST(DrawLine, ReversedAndSteepLinesStepTheOtherWay) {
    TestImage img(3, 6, 6);
    crDrawLineBresenham(img, 4, 1, 0, 0, 0xFFFFFF, 1);
    EXPECT_EQ(crPainted(img), (Points{{4, 1}, {3, 1}, {2, 0}, {1, 0}, {0, 0}}));
    TestImage steep(3, 6, 6);
    crDrawLineBresenham(steep, 1, 4, 0, 0, 0xFFFFFF, 1);
    EXPECT_EQ(crPainted(steep), (Points{{1, 4}, {1, 3}, {0, 2}, {0, 1}, {0, 0}}));
}

TEST(DrawLine, BrushIsClippedToThePicture) {
    TestImage img(3, 5, 4);
    crDrawLineBresenham(img, 3, 0, 4, 0, 0xFFFFFF, 3);
    // Stamps at (3, 0) and (4, 0), each 3 x 3 from its top-left pixel.
    EXPECT_EQ(crPainted(img), (Points{{3, 0}, {4, 0}, {3, 1}, {4, 1}, {3, 2}, {4, 2}}));
    TestImage none(3, 5, 4);
    crDrawLineBresenham(none, 0, 0, 4, 3, 0xFFFFFF, 0);
    EXPECT_TRUE(crPainted(none).empty());
}

TEST(DrawLine, EqualOrOutsideEndPointsDrawNothing) {
    TestImage img(3, 5, 4);
    crDrawLineBresenham(img, 2, 2, 2, 2, 0xFFFFFF, 2);
    crDrawLineBresenham(img, 0, 0, 5, 0, 0xFFFFFF, 1);
    crDrawLineBresenham(img, -1, 0, 3, 0, 0xFFFFFF, 1);
    crDrawLineBresenham(img, 0, 0, 0, 4, 0xFFFFFF, 1);
    crDrawLineBresenham(img, 0, -1, 0, 3, 0xFFFFFF, 1);
    EXPECT_TRUE(crPainted(img).empty());
}

}  // namespace
