// Four straight-down equidistant cameras around a 1800 x 4500 vehicle, seen from 10 m straight above.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "camrig.h"
#include "engines/bowlview.h"
#include "topview_fixture.h"

// The virtual camera at 10 m with 200 pixels per unit of x / z: 50 mm per pixel on the ground, the origin at the
// view's centre. Real cameras 1 m up, 100 pixels per radian, no calibration pairs, so Init keeps their poses.
class BowlviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        const float at[4][2] = {{0.0f, -2250.0f}, {0.0f, 2250.0f}, {-900.0f, 0.0f}, {900.0f, 0.0f}};  // by slot
        for (int i = 0; i < 5; ++i) {
            CameraParam& c = cams[i] = CameraParam{};
            c.focalLength = c.distortion[0] = c.undistortion[1] = 1.0f, c.pixelScaleX = c.pixelScaleY = 100.0f;
            c.principalX = 160.0f, c.principalY = 120.0f, c.imageWidth = 320, c.imageHeight = 240;
            if (i < 4) c.positionX = at[i][0], c.positionY = at[i][1], c.positionZ = -1000.0f;
        }
        cams[4].pixelScaleX = cams[4].pixelScaleY = 200.0f, cams[4].positionZ = -10000.0f;
        param.carWidth = 1800, param.carLength = 4500, param.frontFov = param.rearFov = 180.0f;
        param.blendAngle = 10.0f, param.cameras = cams;
        param.bowlFloorY = 6000.0f, param.bowlWallX = param.bowlWallY = 2000.0f, param.bowlHeight = 2000.0f;
        setView(160, 160);
    }
    void TearDown() override { crMultiviewRelease(&h); }
    void setView(int w, int ht) {
        param.viewWidth = w, param.viewHeight = ht, param.viewCenterX = w / 2.0f, param.viewCenterY = ht / 2.0f;
    }
    void init(int type, uint32_t flags = 0) {
        if (!h) h = crMultiviewCreate(type);
        param.flags = flags;
        ASSERT_EQ(crMultiviewInit(h, &param), 0);
    }
    BowlviewState* state() const { return crBowlviewState(h); }
    unsigned char* mapAt(int c, int r) const { return state()->blendMap->data[r] + 3 * size_t(c); }
    // The view pixel of a ground point, through the virtual camera straight above.
    void viewPixel(float x, float y, int* c, int* r) const {
        float q[3];
        crProjectPoint(crPinholeCamera(&cams[4]).e, x, y, 0.0f, q);
        const Point2f p = crPinholePixel(crPinholeCamera(&cams[4]), q);
        *c = crRoundHalfAway(p.x), *r = crRoundHalfAway(p.y);
    }
    CameraParam cams[5];
    MultiviewParam param{};
    EngineHandle* h = nullptr;
};
