// View-mode point: the inverse of the view-mode LUT outside the fold and
// split layouts.
#include <gtest/gtest.h>

#include "view_support.h"

namespace {

TEST(ViewModePoint, InvertsTheLutThroughEveryTransform) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crNeutralView(&cam);
    view.flags = CR_VIEW_LENS | CR_VIEW_RADIAL;
    view.modeParam = 0.8f;
    view.rotation = 10.0f;
    view.zoomX = 1.3f;
    view.zoomY = 0.8f;
    view.keystoneX = 5.0f;
    view.keystoneY = 3.0f;
    view.shiftX = 7.0f;
    view.shiftY = -4.0f;
    view.centerX = 330.5f;
    view.centerY = 236.25f;
    const Point2f principal{cam.principalX, cam.principalY};
    Point2f out{};
    crGetViewModePoint(&principal, &out, &view);
    EXPECT_FLOAT_EQ(out.x, view.centerX + view.shiftX);
    EXPECT_FLOAT_EQ(out.y, view.centerY + view.shiftY);

    // The shear is inverted to first order, which is exact for one axis.
    const float shears[3][2] = {{0.05f, 0.0f}, {0.0f, -0.04f}, {0.0f, 0.0f}};
    const uint32_t flags[3] = {view.flags, view.flags | CR_VIEW_MIRROR | CR_VIEW_FLIP, 0};
    for (int i = 0; i < 3; ++i) {
        view.shearX = shears[i][0];
        view.shearY = shears[i][1];
        view.flags = flags[i];
        const TestLut lut = crViewLut(view);
        int checked = 0;
        for (int r = 0; r < 480; r += 11)
            for (int c = 0; c < 640; c += 11) {
                if (!lut.valid(c, r)) continue;
                const Point2f camera = lut.at(c, r);
                crGetViewModePoint(&camera, &out, &view);
                EXPECT_NEAR(out.x, c, 0.05f) << i << ": " << c << "," << r;
                EXPECT_NEAR(out.y, r, 0.05f) << i << ": " << c << "," << r;
                ++checked;
            }
        EXPECT_GT(checked, 500) << i;
    }
}

}  // namespace
