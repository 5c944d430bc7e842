// crCCL against cv::connectedComponents (8-connectivity): the same partition into components and the same count.
#include <gtest/gtest.h>

#include <map>
#include <opencv2/imgproc.hpp>
#include <random>
#include <vector>

#include "camrig.h"

namespace {

// Labels `picture` (0 dark, 255 light) both ways and checks that the labels correspond one to one. OpenCV's
// foreground is our dark pixels less the picture's edge. Returns crCCL's count.
int crExpectSamePartition(const cv::Mat& picture) {
    std::vector<unsigned char*> rows(picture.rows);
    cv::Mat labels(picture.size(), CV_32S), contours(picture.size(), CV_32S), expected;
    std::vector<int32_t*> labelRows(picture.rows), contourRows(picture.rows);
    for (int r = 0; r < picture.rows; ++r) {
        rows[r] = const_cast<unsigned char*>(picture.ptr<unsigned char>(r));
        labelRows[r] = labels.ptr<int32_t>(r);
        contourRows[r] = contours.ptr<int32_t>(r);
    }
    int count = -1;
    const int n = crCCL(picture.cols, picture.rows, rows.data(), labelRows.data(), contourRows.data(), &count);
    EXPECT_EQ(n, count);

    cv::Mat dark = picture == 0;
    cv::rectangle(dark, cv::Rect(0, 0, dark.cols, dark.rows), cv::Scalar(0));
    EXPECT_EQ(cv::connectedComponents(dark, expected, 8, CV_32S) - 1, n);

    std::map<int32_t, int32_t> ours, theirs;  // label to label, both ways
    int mismatches = 0, outsideContours = 0;
    for (int r = 0; r < picture.rows; ++r)
        for (int c = 0; c < picture.cols; ++c) {
            const int32_t a = labels.at<int32_t>(r, c), b = expected.at<int32_t>(r, c), k = contours.at<int32_t>(r, c);
            if ((a > 0) != (b > 0) ||
                (a > 0 && (ours.emplace(a, b).first->second != b || theirs.emplace(b, a).first->second != a)))
                ++mismatches;
            if (k != 0 && k != a) ++outsideContours;
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(outsideContours, 0);  // the contour image holds labels of labelled pixels only
    EXPECT_EQ(int(ours.size()), n);
    return n;
}

TEST(CCLOracle, RandomPicturesOfSeveralDensities) {
    std::mt19937 rng(5);
    const struct {
        int width, height;
        double dark;
    } cases[] = {{97, 61, 0.1}, {64, 64, 0.3}, {131, 40, 0.45}, {50, 77, 0.55}, {96, 96, 0.7}, {33, 129, 0.9}};
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.width << "x" << t.height << " dark " << t.dark);
        std::bernoulli_distribution isDark(t.dark);
        cv::Mat picture(t.height, t.width, CV_8U);
        for (auto it = picture.begin<unsigned char>(); it != picture.end<unsigned char>(); ++it)
            *it = isDark(rng) ? 0 : 255;
        crExpectSamePartition(picture);
    }
}

// All dark but a grid of single-pixel holes: one component with many holes and an outer contour as long as the
// picture's edge.
TEST(CCLOracle, PictureSizedComponent) {
    cv::Mat picture(1000, 1500, CV_8U, cv::Scalar(0));
    for (int r = 2; r < picture.rows; r += 4)
        for (int c = 2; c < picture.cols; c += 4) picture.at<unsigned char>(r, c) = 255;
    EXPECT_EQ(crExpectSamePartition(picture), 1);
}

// A one-pixel-wide square spiral with one-pixel gaps: a single contour walked around half a million pixels.
TEST(CCLOracle, Spiral) {
    cv::Mat picture(1001, 1001, CV_8U, cv::Scalar(255));
    auto inside = [&](int r, int c) { return r >= 2 && c >= 2 && r <= picture.rows - 3 && c <= picture.cols - 3; };
    auto dark = [&](int r, int c) { return inside(r, c) && picture.at<unsigned char>(r, c) == 0; };
    const int dr[4] = {0, 1, 0, -1}, dc[4] = {1, 0, -1, 0};
    int r = 2, c = 2, d = 0, turns = 0, drawn = 1;
    picture.at<unsigned char>(r, c) = 0;
    while (turns < 2) {  // forward while the next cell is free and the one after is not drawn; else turn right
        const int nr = r + dr[d], nc = c + dc[d];
        if (inside(nr, nc) && !dark(nr, nc) && !dark(nr + dr[d], nc + dc[d])) {
            picture.at<unsigned char>(r = nr, c = nc) = 0;
            ++drawn;
            turns = 0;
        } else {
            d = (d + 1) % 4;
            ++turns;
        }
    }
    ASSERT_GT(drawn, 400000);
    EXPECT_EQ(crExpectSamePartition(picture), 1);
}

}  // namespace
