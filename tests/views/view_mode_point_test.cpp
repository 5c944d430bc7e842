// View-mode point: the inverse of the view-mode LUT outside the fold and
// split layouts.
#include <gtest/gtest.h>

#include "view_support.h"

namespace {

ViewParam crBusyView(CameraParam* cam) {
    ViewParam view = crNeutralView(cam);
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
    return view;
}

// Every valid LUT entry of the view comes back to its own view pixel.
void crExpectRoundTrip(const ViewParam& view) {
    const TestLut lut = crViewLut(view);
    int checked = 0;
    for (int r = 0; r < view.outHeight; r += 11) {
        for (int c = 0; c < view.outWidth; c += 11) {
            if (!lut.valid(c, r)) continue;
            const Point2f camera = lut.at(c, r);
            Point2f back{};
            crGetViewModePoint(&camera, &back, &view);
            EXPECT_NEAR(back.x, c, 0.05f) << c << "," << r;
            EXPECT_NEAR(back.y, r, 0.05f) << c << "," << r;
            ++checked;
        }
    }
    EXPECT_GT(checked, 500);
}

TEST(ViewModePoint, InvertsTheLutThroughEveryTransform) {
    CameraParam cam = crTestFisheye();
    ViewParam view = crBusyView(&cam);
    // The shear is inverted to first order, which is exact for one axis.
    view.shearX = 0.05f;
    crExpectRoundTrip(view);
    view.shearX = 0.0f;
    view.shearY = -0.04f;
    view.flags |= CR_VIEW_MIRROR | CR_VIEW_FLIP;
    crExpectRoundTrip(view);
    view.flags = 0;  // pinhole camera, no compression
    crExpectRoundTrip(view);
}

TEST(ViewModePoint, PrincipalPointLandsOnTheShiftedCentre) {
    CameraParam cam = crTestFisheye();
    const ViewParam view = crBusyView(&cam);
    const Point2f principal{cam.principalX, cam.principalY};
    Point2f out{};
    crGetViewModePoint(&principal, &out, &view);
    EXPECT_FLOAT_EQ(out.x, view.centerX + view.shiftX);
    EXPECT_FLOAT_EQ(out.y, view.centerY + view.shiftY);
}

}  // namespace
