// Four straight-down fisheyes around an 80 x 160 vehicle in a 200 x 300 top view; picture helpers.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "camrig.h"
#include "engines/topview.h"
#include "numerics/rounding.h"

using Px = std::array<int, 3>;
inline Px crPx(const unsigned char* p) { return {p[0], p[1], p[2]}; }
#define EXPECT_PIXEL(p, b0, b1, b2) EXPECT_EQ(crPx(p), (Px{b0, b1, b2}))

struct TestPicture {  // packed 3-byte pixels of one colour, rows padded to 4 bytes
    int stride;
    std::vector<unsigned char> bytes;
    TestPicture(int w, int h, int b = 0, int g = 0, int r = 0) : stride(crPackedStride(w)), bytes(size_t(stride) * h) {
        for (int i = 0; i < w * h; ++i) set(i % w, i / w, b, g, r);
    }
    unsigned char* at(int c, int r) { return bytes.data() + size_t(r) * stride + 3 * size_t(c); }
    void set(int c, int r, int b0, int b1, int b2) { at(c, r)[0] = b0, at(c, r)[1] = b1, at(c, r)[2] = b2; }
};

// Scale 2, view centre (100, 150): the vehicle covers columns 80..119 and rows 112..191 (top 110 aligned to 4).
class TopviewTest : public ::testing::Test {
protected:
    static constexpr int kLeft = 80, kTop = 112, kRight = 120, kBottom = 192;
    void SetUp() override {  // equidistant lenses (100 pixels per radian), 320 x 240, 100 up
        const float at[4][2] = {{0.0f, -180.0f}, {0.0f, 180.0f}, {-100.0f, 0.0f}, {100.0f, 0.0f}};  // by slot
        for (int i = 0; i < 4; ++i) {
            CameraParam& c = cams[i] = CameraParam{};
            c.focalLength = c.distortion[0] = c.undistortion[1] = 1.0f, c.pixelScaleX = c.pixelScaleY = 100.0f;
            c.principalX = 160.0f, c.principalY = 120.0f, c.imageWidth = 320, c.imageHeight = 240;
            c.positionX = at[i][0], c.positionY = at[i][1], c.positionZ = -100.0f;
        }
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
    TopviewState* state() const { return crTopviewState(h); }
    unsigned char* mapAt(int c, int r) const { return state()->blendMap->data[r] + 3 * size_t(c); }
    void setMap(int c, int r, int b0, int b1, int b2) { mapAt(c, r)[0] = b0, mapAt(c, r)[1] = b1, mapAt(c, r)[2] = b2; }
    void expectMap(std::initializer_list<std::array<int, 5>> probes) {  // {c, r, b0, b1, b2}
        for (const auto& p : probes) EXPECT_EQ(crPx(mapAt(p[0], p[1])), (Px{p[2], p[3], p[4]})) << p[0] << "," << p[1];
    }
    std::vector<unsigned char> callerMap() {  // the map in the caller's orientation, 24-bit
        int len = 0;
        std::vector<unsigned char> out((crMultiviewGetMaskLen(h, &len, 3), len));
        return crMultiviewGetMask(h, out.data(), len, 3), out;
    }
    CameraParam cams[4];
    MultiviewParam param{};
    EngineHandle* h = nullptr;
};
