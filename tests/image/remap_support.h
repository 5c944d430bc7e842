// Cleared pictures and row-form LUTs for the image tests.
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "image/image.h"

using Bytes = std::vector<unsigned char>;

struct TestImage {
    Image* img;
    TestImage(int n, int w, int h) : img(crCreateImage(n, w, h)) { crClearRows(img->data, h, img->stride); }
    ~TestImage() { crReleaseImage(&img); }
    unsigned char* px(int c, int r) { return img->data[r] + size_t(c) * img->channels; }
    Bytes pixel(int c, int r) { return Bytes(px(c, r), px(c, r) + img->channels); }
    template <class F> TestImage& paint(F f) {  // channel k of pixel (c, r) = f(c, r, k)
        for (int r = 0; r < img->height; ++r)
            for (int i = 0; i < img->channels * img->width; ++i)
                img->data[r][i] = static_cast<unsigned char>(f(i / img->channels, r, i % img->channels));
        return *this;
    }
    Image* operator->() { return img; }
    operator Image*() { return img; }
};

// `height` rows of `width` pairs, or one row holding the given pairs.
struct TestLut {
    float** rows;
    int height;
    TestLut(int width, int h) : rows(crAllocLut(width, h)), height(h) {}
    TestLut(std::initializer_list<std::pair<float, float>> pairs) : TestLut(static_cast<int>(pairs.size()), 1) {
        for (const auto& p : pairs) set(static_cast<int>(&p - pairs.begin()), 0, p.first, p.second);
    }
    ~TestLut() { crFreeLut(rows, height); }
    void set(int c, int r, float x, float y) { rows[r][2 * size_t(c)] = x, rows[r][2 * size_t(c) + 1] = y; }
    operator float**() { return rows; }
};
