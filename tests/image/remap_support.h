// Small builders shared by the remapping tests: pictures with chosen pixels
// and LUTs from lists of source positions.
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "image/image.h"

// A picture released when the holder goes out of scope.
struct TestImage {
    Image* img;
    TestImage(int channels, int width, int height) : img(crCreateImage(channels, width, height)) {
        crClearRows(img->data, img->height, img->stride);
    }
    ~TestImage() { crReleaseImage(&img); }
    TestImage(const TestImage&) = delete;
    TestImage& operator=(const TestImage&) = delete;
    unsigned char* px(int c, int r) { return img->data[r] + c * img->channels; }
    Image* operator->() { return img; }
    operator Image*() { return img; }
};

// A LUT of `height` rows of `width` pairs.
struct TestLut {
    float** rows;
    int height;
    TestLut(int width, int height_) : rows(crAllocLut(width, height_)), height(height_) {}
    // One row holding the given (x, y) pairs.
    explicit TestLut(std::initializer_list<std::pair<float, float>> pairs)
        : TestLut(static_cast<int>(pairs.size()), 1) {
        int c = 0;
        for (const auto& p : pairs) set(c++, 0, p.first, p.second);
    }
    ~TestLut() { crFreeLut(rows, height); }
    TestLut(const TestLut&) = delete;
    TestLut& operator=(const TestLut&) = delete;
    void set(int c, int r, float x, float y) {
        rows[r][2 * c] = x;
        rows[r][2 * c + 1] = y;
    }
    operator float**() { return rows; }
};
