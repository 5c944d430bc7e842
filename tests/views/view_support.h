// Cameras, view records and LUT storage for the single-camera view tests.
#pragma once

#include <vector>

#include "camrig.h"

// An equidistant fisheye with exactly inverse lens polynomials, `focal` units above the ground, looking down.
inline CameraParam crTestFisheye(float focal = 300.0f, int width = 640, int height = 480) {
    CameraParam cam{};
    cam.focalLength = cam.distortion[0] = focal, cam.undistortion[1] = 1.0f / focal, cam.positionZ = -focal;
    cam.pixelScaleX = cam.pixelScaleY = 1.0f;
    // NOLINTNEXTLINE(bugprone-integer-division): the centre pixel, a whole one
    cam.principalX = static_cast<float>(width / 2), cam.principalY = static_cast<float>(height / 2);
    cam.imageWidth = width, cam.imageHeight = height;
    return cam;
}

// Unit zooms, the camera's size, the view centre on the principal point.
inline ViewParam crNeutralView(CameraParam* cam, uint32_t flags = 0) {
    ViewParam view{};
    view.flags = flags, view.camera = cam, view.zoomX = view.zoomY = view.overlayScale = 1.0f;
    view.outWidth = cam->imageWidth, view.outHeight = cam->imageHeight;
    view.centerX = cam->principalX, view.centerY = cam->principalY;
    return view;
}

// A row-form LUT over one contiguous block, every value 7 at first.
struct TestLut {
    std::vector<float> data;
    std::vector<float*> rows;
    TestLut(int w, int h) : data(2 * static_cast<size_t>(w) * h, 7.0f) {
        for (int r = 0; r < h; ++r) rows.push_back(&data[2 * static_cast<size_t>(r) * w]);
    }
    const float* flat() const { return data.data(); }
    Point2f at(int c, int r) const { return {rows[r][2 * size_t(c)], rows[r][2 * size_t(c) + 1]}; }
    bool valid(int c, int r) const { return !(at(c, r).x == -1.0f && at(c, r).y == -1.0f); }
};

inline TestLut crViewLut(const ViewParam& view, int srcWidth = -1, int srcHeight = -1) {
    TestLut lut(view.outWidth, view.outHeight);
    crGetviewModeLUT(srcWidth < 0 ? view.camera->imageWidth : srcWidth,
                     srcHeight < 0 ? view.camera->imageHeight : srcHeight, lut.rows.data(), &view);
    return lut;
}
