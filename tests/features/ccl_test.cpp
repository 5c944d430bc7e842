// crCCL on small drawn pictures: labels, -1 marks and contour images pixel by pixel, thin pictures, null outputs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camrig.h"

namespace {

using Grid = std::vector<std::string>;

// A picture drawn with '#' for 0 and '.' for 255, with label and contour images pre-filled with 7.
struct CclPicture {
    int width, height;
    std::vector<unsigned char> pixels;
    std::vector<int32_t> labels, contours;
    std::vector<unsigned char*> pixelRows;
    std::vector<int32_t*> labelRows, contourRows;

    CclPicture(int w, int h)
        : width(w), height(h), pixels(size_t(w) * h, 255), labels(size_t(w) * h, 7), contours(size_t(w) * h, 7) {
        for (int r = 0; r < h; ++r) {
            const size_t row = size_t(r) * w;
            pixelRows.push_back(&pixels[row]);
            labelRows.push_back(&labels[row]);
            contourRows.push_back(&contours[row]);
        }
    }
    explicit CclPicture(const Grid& g) : CclPicture(int(g[0].size()), int(g.size())) {
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) pixels[r * width + c] = g[r][c] == '#' ? 0 : 255;
    }
    int run(bool withContours, int* count) {
        return crCCL(width, height, pixelRows.data(), labelRows.data(), withContours ? contourRows.data() : nullptr,
                     count);
    }
    // '.' for 0, '-' for -1, the digit of a label 1..9.
    Grid show(const std::vector<int32_t>& image) const {
        Grid g(height, std::string(width, '?'));
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) {
                const int32_t v = image[r * width + c];
                g[r][c] = v == 0 ? '.' : v == -1 ? '-' : v >= 1 && v <= 9 ? char('0' + v) : '?';
            }
        return g;
    }
};

// Each picture with and without a contour image: labels, -1 marks, contours and count.
TEST(CCL, LabelsMarksAndContoursOfDrawnPictures) {
    const struct {
        const char* name;
        Grid picture, labels, contours;
        int count;
    } cases[] = {
        {"all background", Grid(5, "......"), Grid(5, "......"), Grid(5, "......"), 0},
        // The first step tries every direction but north-east.
        {"single pixel",
         {".........", ".........", ".........", ".........", ".........", ".....#...", ".........", ".........",
          "........."},
         {".........", ".........", ".........", ".........", "....--...", "....-1-..", "....---..", ".........",
          "........."},
         {".........", ".........", ".........", ".........", ".........", ".....1...", ".........", ".........",
          "........."},
         1},
        // 0 on the edge is background; the walks still mark it -1 when they look at it.
        {"edge zeros",
         {"#######", "##....#", "......#", "....#.#", "......#", "#######"},
         {"--.....", "-1-....", "-----..", "...-2-.", "...---.", "......."},
         {".......", ".1.....", ".......", "....2..", ".......", "......."},
         2},
        // Outer and inner contours in the contour image (the inner walk cuts the ring's inner corners);
        // the hole's pixels next to the ring are -1, its middle is untouched.
        {"ring with a hole",
         {"............", "............", "..########..", "..########..", "..##....##..", "..##....##..",
          "..##....##..", "..##....##..", "..########..", "..########..", "............", "............"},
         {"............", ".----------.", ".-11111111-.", ".-11111111-.", ".-11----11-.", ".-11-..-11-.",
          ".-11-..-11-.", ".-11----11-.", ".-11111111-.", ".-11111111-.", ".----------.", "............"},
         {"............", "............", "..11111111..", "..1.1111.1..", "..11....11..", "..11....11..",
          "..11....11..", "..11....11..", "..1.1111.1..", "..11111111..", "............", "............"},
         1},
        {"diagonal pair",
         {".........", ".........", ".........", ".........", ".........", ".....#...", "......#..", ".........",
          "........."},
         {".........", ".........", ".........", ".........", "....---..", "....-1--.", "....--1-.", ".....---.",
          "........."},
         {".........", ".........", ".........", ".........", ".........", ".....1...", "......1..", ".........",
          "........."},
         1},
    };
    for (const auto& t : cases)
        for (bool withContours : {true, false}) {
            SCOPED_TRACE(testing::Message() << t.name << (withContours ? " with contours" : ""));
            CclPicture p(t.picture);
            int count = -1;
            EXPECT_EQ(p.run(withContours, &count), t.count);
            EXPECT_EQ(count, t.count);
            EXPECT_EQ(p.show(p.labels), t.labels);
            EXPECT_EQ(p.show(p.contours), withContours ? t.contours : Grid(p.height, std::string(p.width, '7')));
        }
}

// Below 3 there is no inner pixel: count 0, the images cleared; without a size or a label image nothing is written.
TEST(CCL, ThinPicturesAndMissingOutputs) {
    const struct {
        int width, height;
        bool cleared;
    } sizes[] = {{2, 5, true}, {5, 2, true}, {1, 1, true}, {0, 4, false}, {4, -3, false}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(testing::Message() << s.width << "x" << s.height);
        CclPicture p(5, 5);  // big enough for every size tried; zeros everywhere
        std::fill(p.pixels.begin(), p.pixels.end(), 0);
        int count = -1;
        EXPECT_EQ(crCCL(s.width, s.height, p.pixelRows.data(), p.labelRows.data(), p.contourRows.data(), &count), 0);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(crCCL(s.width, s.height, p.pixelRows.data(), p.labelRows.data(), p.contourRows.data(), nullptr), 0);
        const int n = s.cleared ? s.height * 5 : 0;  // rows of the picture are 5 wide; the tried ones at the start
        for (int i = 0; i < 25; ++i) {
            const bool inside = i < n && i % 5 < s.width;
            EXPECT_EQ(p.labels[i], inside ? 0 : 7) << i;
            EXPECT_EQ(p.contours[i], inside ? 0 : 7) << i;
        }
    }
    CclPicture p({".....", ".##..", ".....", "....."});
    int count = -1;
    EXPECT_EQ(crCCL(5, 4, p.pixelRows.data(), nullptr, p.contourRows.data(), &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(p.contours, std::vector<int32_t>(20, 7));
    EXPECT_EQ(p.run(true, nullptr), 1);
}

// The edge is overwritten only in the private copy; values other than 0 and 255 survive too.
TEST(CCL, LeavesTheInputUnchanged) {
    CclPicture p({"#.#.#", "#..##", "..##.", "#####"});
    p.pixels[13] = 7;
    const std::vector<unsigned char> before = p.pixels;
    int count = 0;
    EXPECT_EQ(p.run(true, &count), 1);
    EXPECT_EQ(p.pixels, before);
}

}  // namespace
