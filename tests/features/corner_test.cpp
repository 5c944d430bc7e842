// The corner detector's steps on hand-made pictures, and the record it fills.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "features/features.h"
#include "image/image.h"
#include "scene/scene.h"

namespace {

// A plane with its own storage, filled with one value.
struct TestPlane {
    std::vector<unsigned char> px;
    Plane plane;
    TestPlane(int w, int h, unsigned char fill) : px(static_cast<size_t>(w) * h, fill), plane{w, h, px.data()} {}
};

TEST(CornerGray, StudioRangeLuma) {
    const struct {
        unsigned char bgr[3];
        int gray;
    } cases[] = {{{255, 255, 255}, 235}, {{0, 0, 0}, 16}, {{0, 0, 255}, 81}, {{0, 255, 0}, 145}, {{255, 0, 0}, 41}};
    for (const auto& k : cases) {
        Image* gray = crCreateImage(1, 1, 1);
        crGrayFromBgr(k.bgr, gray);
        EXPECT_EQ(gray->data[0][0], k.gray) << int(k.bgr[0]) << "," << int(k.bgr[1]) << "," << int(k.bgr[2]);
        crReleaseImage(&gray);
    }
}

// The radius is 0.3 x the shorter side, truncated: 19 in a 100 x 64 window (pixel (50, 30) averages rows 12..49,
// columns 32..69), 30 in a 130 x 100 one (pixel (65, 50): rows 21..80). A grey pixel turns light only when one
// dark pixel inside that square pulls the mean below it; fixed thresholds win.
TEST(CornerBinarise, MeanSquareAndFixedThresholds) {
    const struct {
        int width, height, centre, darkDc, darkDr;  // centre value; offset of one 0 pixel (0, 0: none)
        unsigned char expected;
    } cases[] = {
        {100, 64, 100, 0, 0, 0},     {100, 64, 100, 0, 19, 255},   {100, 64, 100, 0, 20, 0},
        {100, 64, 100, 0, -18, 255}, {100, 64, 100, 0, -19, 0},    {100, 64, 100, 19, 0, 255},
        {100, 64, 100, 20, 0, 0},    {100, 64, 100, -18, 0, 255},  {100, 64, 100, -19, 0, 0},
        {100, 64, 141, 0, 0, 255},   {100, 64, 69, 0, 19, 0},      {130, 100, 100, 0, 30, 255},
        {130, 100, 100, 0, 31, 0},   {130, 100, 100, -29, 0, 255}, {130, 100, 100, -30, 0, 0},
    };
    for (const auto& k : cases) {
        const int c = k.width / 2, r = k.height / 2 - (k.height == 64 ? 2 : 0);
        TestPlane u(k.width, k.height, k.centre == 141 || k.centre == 69 ? 200 : 100), a(k.width, k.height, 7);
        u.plane.at(c, r) = static_cast<unsigned char>(k.centre);
        if (k.darkDc || k.darkDr) u.plane.at(c + k.darkDc, r + k.darkDr) = 0;
        std::vector<float> integral(size_t(k.width + 1) * (k.height + 1));
        crBinarise(u.plane, &a.plane, integral.data());
        EXPECT_EQ(a.plane.at(c, r), k.expected)
            << k.width << "x" << k.height << " " << k.centre << " dark at " << k.darkDc << "," << k.darkDr;
    }
}

// The sampler reads around the nearest pixel, extrapolating by up to half a pixel, keeps the low 8 bits of what
// leaves 0..255, and repeats the last column rather than reading past it.
TEST(CornerSample, ExtrapolatesWrapsAndRepeatsTheEdge) {
    const struct {
        unsigned char row[3];
        float u;
        int expected;
    } cases[] = {
        {{0, 255, 40}, 1.0f, 255},  {{0, 255, 40}, 0.49f, 125},  // 255 x 0.49, from pixel 0
        {{0, 255, 40}, 0.5f, 107},                               // from pixel 1: 255 x 1.5 - 40 x 0.5 = 362.5, wrapped
        {{255, 0, 255}, 0.5f, 129},                              // -127.5, wrapped
        {{0, 255, 40}, 1.5f, 40},                                // from the last pixel, its own value repeated
    };
    for (const auto& k : cases) {
        Image* gray = crCreateImage(1, 3, 2);
        for (int r = 0; r < 2; ++r) std::copy(k.row, k.row + 3, gray->data[r]);
        EXPECT_EQ(crSampleNearestBilinear(gray, k.u, 0.25f), k.expected) << k.u;
        crReleaseImage(&gray);
    }
}

// Dark pixels reached from the border through 4-neighbours turn light, diagonal contact does not count, and
// enclosed dark areas stay; then the most populous enclosed blob is kept, the first in raster order on a tie.
TEST(CornerBlob, BorderAreasGoAndTheLargestEnclosedBlobStays) {
    const char* rows[] = {
        "##########",  // '#' light, '.' dark
        "#..#######",  //
        "#..##.####",  // touches the border on the left below
        "####..####",  //
        "..######..",  //
        "#.#..####.",  //
        "###..##..#",  // diagonal to the right-hand border area
        "#######..#",  //
        "##########",
    };
    const int w = 10, h = 9;
    TestPlane a(w, h, 255), scratch(w, h, 0), b(w, h, 0);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) a.plane.at(c, r) = rows[r][c] == '.' ? 0 : 255;
    crClearBorderDark(&a.plane, &scratch.plane);
    EXPECT_EQ(a.plane.at(0, 4), 255);
    EXPECT_EQ(a.plane.at(1, 5), 255);
    EXPECT_EQ(a.plane.at(9, 5), 255);
    EXPECT_EQ(a.plane.at(7, 6), 0);  // touches the border area only diagonally
    std::vector<float> labels(size_t(w) * h);
    const int largest = crLabelDark(a.plane, labels.data());
    std::vector<int> counts(largest + 1);
    crKeepLargestBlob(labels.data(), largest, counts.data(), &b.plane);
    std::string kept;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            if (b.plane.at(c, r) == 0) kept += std::to_string(c) + "," + std::to_string(r) + " ";
    // Three blobs of four: (1..2, 1..2) comes first; (5, 2)-(4..5, 3) and the 2 x 2 squares follow.
    EXPECT_EQ(kept, "1,1 2,1 1,2 2,2 ");
}

TEST(CornerBlob, NothingDarkGivesAnEmptyOutline) {
    TestPlane a(6, 6, 255), b(6, 6, 1), c(6, 6, 1);
    std::vector<float> labels(36);
    const int largest = crLabelDark(a.plane, labels.data());
    int count = -1;
    crKeepLargestBlob(labels.data(), largest, &count, &b.plane);
    EXPECT_EQ(largest, 0);
    crMarkOutline(b.plane, &c.plane);
    Point2f points[36];
    EXPECT_EQ(crListMarked(c.plane, points), 0);
}

// Outline pixels of a filled triangle give back its corners (the outline runs half a pixel inside the edges, which
// moves a sharp corner by up to 2 pixels); lists without a triangle give none.
TEST(CornerTriangle, FitsRasterisedOutlinesAndRejectsDegenerateLists) {
    const int w = 120, h = 100;
    const Point2f t[3] = {{20.3f, 80.6f}, {100.2f, 75.1f}, {55.7f, 12.4f}};
    TestPlane b(w, h, 255), c(w, h, 0);
    auto side = [](Point2f p, Point2f q, float x, float y) {
        return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x);
    };
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            const float s0 = side(t[0], t[1], x, r), s1 = side(t[1], t[2], x, r), s2 = side(t[2], t[0], x, r);
            if ((s0 <= 0 && s1 <= 0 && s2 <= 0) || (s0 >= 0 && s1 >= 0 && s2 >= 0)) b.plane.at(x, r) = 0;
        }
    crMarkOutline(b.plane, &c.plane);
    std::vector<Point2f> points(size_t(w) * h);
    const int n = crListMarked(c.plane, points.data());
    Point2f corners[3];
    ASSERT_TRUE(crFitTriangle(points.data(), n, corners));
    for (const Point2f& truth : t) {
        float best = 1e9f;
        for (const Point2f& k : corners) best = std::min(best, std::hypot(k.x - truth.x, k.y - truth.y));
        EXPECT_LT(best, 2.0f) << truth.x << "," << truth.y;
    }
    // Equal distances from a line go to the first point listed; the last-listed would give other corners.
    const Point2f ties[5] = {{1, 1}, {2, 4}, {4, 1}, {3, 2}, {6, 4}};
    const Point2f expected[3] = {{2.14286f, 2.07143f}, {-0.76087f, 2.65217f}, {8.68874f, 4.10596f}};
    ASSERT_TRUE(crFitTriangle(ties, 5, corners));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(corners[i].x, expected[i].x, 1e-4f) << i;
        EXPECT_NEAR(corners[i].y, expected[i].y, 1e-4f) << i;
    }
    const Point2f column[3] = {{4, 1}, {4, 2}, {4, 9}};
    EXPECT_FALSE(crFitTriangle(points.data(), 0, corners));
    EXPECT_FALSE(crFitTriangle(column, 3, corners));
}

// Canvas windows lie within the canvas, and the canvas-to-photograph mapping undoes the projection of a window's
// corner to within the projection's rounding.
TEST(CornerWindow, ProjectionAndMappingBackAgree) {
    CameraParam cams[4];
    crSceneRig(cams);
    for (int mode = 0; mode < 4; ++mode)
        for (int k = 0; k < 2; ++k) {
            const PhotoWindow p = crCornerSearchWindow(mode, k);
            for (int corner = 0; corner < 4; ++corner) {
                const int col = corner & 1 ? p.colB : p.colA, row = corner & 2 ? p.rowB : p.rowA;
                const CanvasWindow w = crProjectWindow(&cams[mode], {row, col, row, col});
                ASSERT_EQ(w.width, 1);
                const Point2f back = crCanvasToPhoto(&cams[mode], w.x0, w.y0);
                EXPECT_LT(std::hypot(back.x - col, back.y - row), 0.75f) << mode << " " << k << " " << corner;
            }
        }
    const CanvasWindow none = crProjectWindow(&cams[0], crCornerSearchWindow(4, 0));
    EXPECT_EQ(none.width * none.height, 1);
}

TEST(CornerDetect, InvalidModeIsReportedAndTheRecordIsReset) {
    CameraParam cam = crSceneSampleCamera();
    cam.pointCount = 30;
    for (int i = 0; i < 50; ++i) cam.imagePoints[i] = cam.worldPoints[i] = {1.0f, 2.0f};
    std::vector<unsigned char> photo(size_t(3) * 720 * 480, 200);
    testing::internal::CaptureStdout();
    crDetectCorner(photo.data(), &cam, 7);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Invalid mode\n");
    EXPECT_EQ(cam.pointCount, 12);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(cam.imagePoints[i].x, 0.0f);
        EXPECT_EQ(cam.worldPoints[i].y, 0.0f);
    }
}

// Records a caller can get wrong: the detector neither crashes nor hangs, clears the record and reports the targets
// processed; without a picture to read nothing is processed.
TEST(CornerDetect, BadRecordsAreHandledWithoutHarm) {
    const struct {
        const char* name;
        void (*spoil)(CameraParam*);
        int pointCount;
    } cases[] = {
        {"zero pixel scale", [](CameraParam* c) { c->pixelScaleX = 0.0f; }, 12},
        {"principal point not a number", [](CameraParam* c) { c->principalY = NAN; }, 12},
        {"inverse polynomial overflowing", [](CameraParam* c) { c->undistortion[8] = 1e30f; }, 12},
        {"one-pixel photograph", [](CameraParam* c) { c->imageWidth = c->imageHeight = 1; }, 12},
        {"no width", [](CameraParam* c) { c->imageWidth = 0; }, 0},
        {"negative height", [](CameraParam* c) { c->imageHeight = -480; }, 0},
        {"no photograph", nullptr, 0},
    };
    std::vector<unsigned char> photo(size_t(3) * 720 * 480, 90);
    for (const auto& k : cases) {
        CameraParam cam = crSceneSampleCamera();
        cam.pointCount = 7;
        cam.worldPoints[3] = {5.0f, 5.0f};
        if (k.spoil) k.spoil(&cam);
        crDetectCorner(k.spoil ? photo.data() : nullptr, &cam, 1);
        EXPECT_EQ(cam.pointCount, k.pointCount) << k.name;
        EXPECT_EQ(cam.worldPoints[3].x, 0.0f) << k.name;
    }
}

}  // namespace
