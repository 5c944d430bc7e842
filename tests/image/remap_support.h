// Pictures and LUTs for the image tests, released when they go out of scope.
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "image/image.h"

using Bytes = std::vector<unsigned char>;

// A picture with every byte cleared.
struct TestImage {
    Image* img;
    TestImage(int channels, int width, int height) : img(crCreateImage(channels, width, height)) {
        crClearRows(img->data, img->height, img->stride);
    }
    ~TestImage() { crReleaseImage(&img); }
    TestImage(const TestImage&) = delete;
    TestImage& operator=(const TestImage&) = delete;
    unsigned char* px(int c, int r) { return img->data[r] + c * img->channels; }
    Bytes pixel(int c, int r) { return Bytes(px(c, r), px(c, r) + img->channels); }
    Image* operator->() { return img; }
    operator Image*() { return img; }
};

// A LUT of `height` rows of `width` pairs, or one row of the given pairs.
struct TestLut {
    float** rows;
    int height;
    TestLut(int width, int height_) : rows(crAllocLut(width, height_)), height(height_) {}
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
