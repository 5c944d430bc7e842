// View records and poses no caller should send: out-of-range floats saturate, and a search started far from
// any optimum stops after its step budget.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/calibration_scene.h"
#include "view_support.h"
#include "views/views.h"

namespace {

// Panel centres and band widths beyond the int range used to be converted unchecked.
TEST(HostileViewRecord, PanelCentreAndBandSaturate) {
    CameraParam cam = crTestFisheye(300.0f, 64, 48);
    const struct {
        uint32_t flags;
        float centre, band, sameAsBand;  // the LUT equals the one with band width sameAsBand (NaN: all -1)
    } cases[] = {
        {CR_VIEW_FOLD, 32.0f, NAN, -3e9f},  // NaN counts as the lowest int
        {CR_VIEW_FOLD, 32.0f, INFINITY, -3e9f},
        {CR_VIEW_FOLD, 32.0f, 3e9f, -3e9f},
        {CR_VIEW_FOLD, 32.0f, 2e9f, 1e6f},
        {CR_VIEW_SPLIT | CR_VIEW_ROWWISE, 24.0f, NAN, -1e6f},
        {CR_VIEW_FOLD, NAN, 10.0f, NAN},
        {CR_VIEW_SPLIT, INFINITY, 10.0f, NAN},
        {CR_VIEW_FOLD | CR_VIEW_ROWWISE, -3e9f, -INFINITY, NAN},
        {CR_VIEW_SPLIT, 3e9f, -3e9f, NAN},
    };
    for (const auto& c : cases) {
        ViewParam view = crNeutralView(&cam, c.flags);
        view.modeParam = 0.2f;
        ((c.flags & CR_VIEW_ROWWISE) ? view.centerY : view.centerX) = c.centre;
        view.bandWidth = c.band;
        const TestLut lut = crViewLut(view);
        if (std::isnan(c.sameAsBand)) {
            EXPECT_EQ(lut.data, std::vector<float>(lut.data.size(), -1.0f)) << c.centre << " " << c.band;
            continue;
        }
        view.bandWidth = c.sameAsBand;
        EXPECT_EQ(lut.data, crViewLut(view).data) << c.centre << " " << c.band;
    }
}

// A height a million units off took a million steps, seconds of work; the budget stops it after 10000.
TEST(HostilePose, PositionSearchFarFromTheOptimumStopsWithinItsBudget) {
    const ScenePose truth = {40.0f, 1900.0f, -760.0f, -48.0f, 3.0f, 1.0f};
    for (float offset : {-1e6f, -2e5f}) {
        CameraParam cam = crSceneCamera(truth, {150.0f, -300.0f}, 16);
        cam.positionZ += offset;
        const float start = cam.positionZ;
        const float error = crAdjustCameraPosition(&cam);
        EXPECT_GT(cam.positionZ - start, 0.0f) << offset;
        EXPECT_LE(cam.positionZ - start, 100000.0f) << offset;
        EXPECT_EQ(error,
                  crPoseError(&cam, cam.angleX, cam.angleY, cam.angleZ, cam.positionX, cam.positionY, cam.positionZ));
    }
}

}  // namespace
