// Cameras, view records and LUT storage for the single-camera view tests.
#pragma once

#include <vector>

#include "camrig.h"

// An equidistant fisheye (image height = focal x angle) whose two lens
// polynomials are exact inverses, hanging `focal` world units above the
// ground and looking straight down.
inline CameraParam crTestFisheye(float focal = 300.0f, int width = 640, int height = 480) {
    CameraParam cam{};
    cam.focalLength = focal;
    cam.pixelScaleX = 1.0f;
    cam.pixelScaleY = 1.0f;
    cam.principalX = static_cast<float>(width / 2);
    cam.principalY = static_cast<float>(height / 2);
    cam.distortion[0] = focal;
    cam.undistortion[1] = 1.0f / focal;
    cam.imageWidth = width;
    cam.imageHeight = height;
    cam.positionZ = -focal;
    return cam;
}

// Flags 0, unit zooms, the view centre on the principal point, camera size.
inline ViewParam crNeutralView(CameraParam* cam) {
    ViewParam view{};
    view.zoomX = 1.0f;
    view.zoomY = 1.0f;
    view.outWidth = cam->imageWidth;
    view.outHeight = cam->imageHeight;
    view.centerX = cam->principalX;
    view.centerY = cam->principalY;
    view.overlayScale = 1.0f;
    view.camera = cam;
    return view;
}

// A row-form LUT over one contiguous block.
class TestLut {
public:
    TestLut(int width, int height) : width_(width), data_(2 * static_cast<size_t>(width) * height, 7.0f) {
        for (int r = 0; r < height; ++r) rows_.push_back(&data_[2 * static_cast<size_t>(r) * width]);
    }
    TestLut(TestLut&&) = default;  // the rows stay with the moved block
    TestLut(const TestLut&) = delete;
    float** rows() { return rows_.data(); }
    const float* flat() const { return data_.data(); }
    Point2f at(int c, int r) const { return {rows_[r][2 * c], rows_[r][2 * c + 1]}; }
    bool valid(int c, int r) const { return !(at(c, r).x == -1.0f && at(c, r).y == -1.0f); }

private:
    int width_;
    std::vector<float> data_;
    std::vector<float*> rows_;
};

inline TestLut crViewLut(const ViewParam& view, int srcWidth, int srcHeight) {
    TestLut lut(view.outWidth, view.outHeight);
    crGetviewModeLUT(srcWidth, srcHeight, lut.rows(), &view);
    return lut;
}

inline TestLut crViewLut(const ViewParam& view) {
    return crViewLut(view, view.camera->imageWidth, view.camera->imageHeight);
}
