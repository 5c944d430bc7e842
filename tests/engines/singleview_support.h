// A small camera, its view record and packed pictures for the single-view
// engine tests.
#pragma once

#include <vector>

#include "camrig.h"
#include "numerics/rounding.h"
#include "views/view_support.h"

// 64 x 48 equidistant fisheye, 40 units above the ground, focal length 40.
struct SingleviewRig {
    CameraParam cam = crTestFisheye(40.0f, 64, 48);
    ViewParam view = crNeutralView(&cam);
};

// A packed 3-channel picture (rows padded to 4 bytes), filled with `fill`.
struct PackedPicture {
    int width, height, stride;
    std::vector<unsigned char> bytes;
    PackedPicture(int w, int h, unsigned char fill = 0)
        : width(w), height(h), stride(crPackedStride(w)), bytes(static_cast<size_t>(stride) * h, fill) {}
    unsigned char* pixel(int c, int r) { return &bytes[static_cast<size_t>(r) * stride + 3 * c]; }
    void set(int c, int r, unsigned char b, unsigned char g, unsigned char red) {
        pixel(c, r)[0] = b;
        pixel(c, r)[1] = g;
        pixel(c, r)[2] = red;
    }
};

// A camera frame whose pixel (c, r) holds (c, r, c + r).
inline PackedPicture crTestFrame(const CameraParam& cam) {
    PackedPicture frame(cam.imageWidth, cam.imageHeight);
    for (int r = 0; r < frame.height; ++r)
        for (int c = 0; c < frame.width; ++c)
            frame.set(c, r, static_cast<unsigned char>(c), static_cast<unsigned char>(r),
                      static_cast<unsigned char>(c + r));
    return frame;
}
