// Four straight-down fisheyes around an 80 x 160 vehicle in a 200 x 300 top view, and picture helpers.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "camrig.h"
#include "engines/topview.h"
#include "numerics/rounding.h"

// A scratch file of this process: ctest runs the tests as parallel processes.
inline std::string crTempPath(const char* name) { return ::testing::TempDir() + name + std::to_string(getpid()); }

using Px = std::array<int, 3>;
inline Px crPx(const unsigned char* p) { return {p[0], p[1], p[2]}; }
#define EXPECT_PIXEL(p, b0, b1, b2) EXPECT_EQ(crPx(p), (Px{b0, b1, b2}))

// Packed 3-byte pixels, rows padded to 4 bytes.
struct TestPicture {
    int width, height, stride;
    std::vector<unsigned char> bytes;
    TestPicture(int w, int h) : width(w), height(h), stride(crPackedStride(w)), bytes(size_t(stride) * h) {}
    unsigned char* at(int c, int r) { return bytes.data() + size_t(r) * stride + 3 * c; }
    void set(int c, int r, int b0, int b1, int b2) { at(c, r)[0] = b0, at(c, r)[1] = b1, at(c, r)[2] = b2; }
    void fill(int b0, int b1, int b2) {
        for (int i = 0; i < width * height; ++i) set(i % width, i / width, b0, b1, b2);
    }
};

// Equidistant lens (100 pixels per radian), 320 x 240 image, 100 units up at (x, y).
inline CameraParam crTestDownCamera(float x, float y) {
    CameraParam c{};
    c.focalLength = c.distortion[0] = c.undistortion[1] = 1.0f, c.pixelScaleX = c.pixelScaleY = 100.0f;
    c.principalX = 160.0f, c.principalY = 120.0f, c.imageWidth = 320, c.imageHeight = 240;
    c.positionX = x, c.positionY = y, c.positionZ = -100.0f;
    return c;
}

// Scale 2, view centre (100, 150): the vehicle covers columns 80..119 and rows 112..191 (top 110 aligned to 4).
class TopviewTest : public ::testing::Test {
protected:
    static constexpr int kLeft = 80, kTop = 112, kRight = 120, kBottom = 192;
    void SetUp() override {
        cams[CR_SLOT_FRONT] = crTestDownCamera(0.0f, -180.0f), cams[CR_SLOT_REAR] = crTestDownCamera(0.0f, 180.0f);
        cams[CR_SLOT_LEFT] = crTestDownCamera(-100.0f, 0.0f), cams[CR_SLOT_RIGHT] = crTestDownCamera(100.0f, 0.0f);
        param.carWidth = 80, param.carLength = 160, param.frontFov = param.rearFov = 90.0f, param.blendAngle = 10.0f;
        param.carColor = 0x00112233u, param.lineWidth = 1, param.cameras = cams;
        setView(200, 300, 100.0f, 150.0f, 2.0f);
        ASSERT_NE(h = crMultiviewCreate(0), nullptr);
    }
    void TearDown() override { crMultiviewRelease(&h); }
    void setView(int w, int ht, float cx, float cy, float scale) {
        param.viewWidth = w, param.viewHeight = ht, param.viewCenterX = cx, param.viewCenterY = cy, param.scale = scale;
    }
    void init(int mode, uint32_t flags = 0) { param.mode = mode, param.flags = flags, crMultiviewInit(h, &param); }
    TopviewState* state() const { return static_cast<TopviewState*>(h->state); }
    unsigned char* mapAt(int c, int r) const { return state()->blendMap->data[r] + 3 * c; }
    void setMap(int c, int r, int b0, int b1, int b2) { mapAt(c, r)[0] = b0, mapAt(c, r)[1] = b1, mapAt(c, r)[2] = b2; }
    std::vector<unsigned char> callerMap() {  // the map in the caller's orientation, 24-bit
        int len = 0;
        crMultiviewGetMaskLen(h, &len, 3);
        std::vector<unsigned char> out(len);
        crMultiviewGetMask(h, out.data(), len, 3);
        return out;
    }
    CameraParam cams[4];
    MultiviewParam param{};
    EngineHandle* h = nullptr;
};
