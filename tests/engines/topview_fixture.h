// A small top-view set-up shared by the top-view engine tests: four fisheye
// cameras looking straight down around a vehicle in a 200 x 300 view.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "camrig.h"
#include "engines/topview.h"
#include "numerics/rounding.h"

// A scratch file of this process: ctest runs the tests as parallel processes.
inline std::string crTempPath(const char* name) {
    return ::testing::TempDir() + "camrig_" + name + "_" + std::to_string(getpid());
}

// Equidistant lens (100 pixels per radian), 320 x 240 image, 1 m up.
inline CameraParam crTestDownCamera(float x, float y) {
    CameraParam c{};
    c.focalLength = 1.0f;
    c.pixelScaleX = 100.0f;
    c.pixelScaleY = 100.0f;
    c.principalX = 160.0f;
    c.principalY = 120.0f;
    c.distortion[0] = 1.0f;
    c.undistortion[1] = 1.0f;
    c.imageWidth = 320;
    c.imageHeight = 240;
    c.positionX = x;
    c.positionY = y;
    c.positionZ = -100.0f;
    return c;
}

// Vehicle 80 x 160 world units at scale 2 in a 200 x 300 view centred at
// (100, 150): rectangle columns 80..119, rows 112..191
// (the top edge 110 aligned to 4).
class TopviewTest : public ::testing::Test {
protected:
    static constexpr int kLeft = 80, kTop = 112, kRight = 120, kBottom = 192;

    void SetUp() override {
        cams[CR_SLOT_FRONT] = crTestDownCamera(0.0f, -180.0f);
        cams[CR_SLOT_REAR] = crTestDownCamera(0.0f, 180.0f);
        cams[CR_SLOT_LEFT] = crTestDownCamera(-100.0f, 0.0f);
        cams[CR_SLOT_RIGHT] = crTestDownCamera(100.0f, 0.0f);
        param = MultiviewParam{};
        param.carWidth = 80;
        param.carLength = 160;
        param.frontFov = 90.0f;
        param.rearFov = 90.0f;
        param.blendAngle = 10.0f;
        param.carColor = 0x00112233u;
        param.lineWidth = 1;
        setView(200, 300, 100.0f, 150.0f, 2.0f);
        param.cameras = cams;
        h = crMultiviewCreate(0);
        ASSERT_NE(h, nullptr);
    }
    void TearDown() override { crMultiviewRelease(&h); }

    void setView(int width, int height, float centerX, float centerY, float scale) {
        param.viewWidth = width;
        param.viewHeight = height;
        param.viewCenterX = centerX;
        param.viewCenterY = centerY;
        param.scale = scale;
    }
    TopviewState* state() const { return static_cast<TopviewState*>(h->state); }
    const unsigned char* mapAt(int c, int r) const { return state()->blendMap->data[r] + 3 * c; }
    void setMap(int c, int r, unsigned char b0, unsigned char b1, unsigned char b2) {
        unsigned char* p = state()->blendMap->data[r] + 3 * c;
        p[0] = b0;
        p[1] = b1;
        p[2] = b2;
    }
    // The blend map in the caller's orientation, through GetMask's 24-bit format.
    std::vector<unsigned char> callerMap() {
        int len = 0;
        crMultiviewGetMaskLen(h, &len, 3);
        std::vector<unsigned char> out(static_cast<size_t>(len));
        crMultiviewGetMask(h, out.data(), len, 3);
        return out;
    }

    CameraParam cams[4];
    MultiviewParam param;
    EngineHandle* h = nullptr;
};

// Picture of packed 3-byte pixels, rows padded to 4 bytes.
struct TestPicture {
    int width, height;
    std::vector<unsigned char> bytes;
    TestPicture(int w, int h) : width(w), height(h), bytes(static_cast<size_t>(crPackedStride(w)) * h, 0) {}
    unsigned char* at(int c, int r) { return bytes.data() + static_cast<size_t>(r) * crPackedStride(width) + 3 * c; }
    void set(int c, int r, unsigned char b0, unsigned char b1, unsigned char b2) {
        unsigned char* p = at(c, r);
        p[0] = b0;
        p[1] = b1;
        p[2] = b2;
    }
    void fill(unsigned char b0, unsigned char b1, unsigned char b2) {
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) set(c, r, b0, b1, b2);
    }
};

// Compares the three bytes of a pixel.
inline ::testing::AssertionResult crPixelIs(const unsigned char* p, int b0, int b1, int b2) {
    if (p[0] == b0 && p[1] == b1 && p[2] == b2) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << int(p[0]) << ", " << int(p[1]) << ", " << int(p[2])
                                         << "), expected (" << b0 << ", " << b1 << ", " << b2 << ")";
}
#define EXPECT_PIXEL(p, b0, b1, b2) EXPECT_TRUE(crPixelIs((p), (b0), (b1), (b2)))
