// The rig's rendered frames composed by the top-view engine: every ground
// tile around the vehicle must appear in the view at its own place, in its
// own colour, whichever camera supplies it. A camera pose, frame order or
// lens mismatch anywhere between the scene and the engine shows up here.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numerics/rounding.h"
#include "scene/scene.h"

namespace {

class SceneTopview : public ::testing::Test {
protected:
    void compose(int mode) {
        crSceneRig(cams_);
        for (int slot = 0; slot < 4; ++slot) frames_[slot] = crSceneRender(cams_[slot]);
        param_ = crSceneTopview(cams_, 720, 480);
        param_.mode = mode;
        EngineHandle* h = crMultiviewCreate(0);
        ASSERT_NE(h, nullptr);
        ASSERT_EQ(crMultiviewInit(h, &param_), 0);
        view_.assign(static_cast<size_t>(crPackedStride(720)) * 480, 0);
        crMultiviewApply(h, frames_[CR_SLOT_FRONT].data(), frames_[CR_SLOT_LEFT].data(),
                         frames_[CR_SLOT_RIGHT].data(), frames_[CR_SLOT_REAR].data(), view_.data());
        crMultiviewRelease(&h);
    }

    // Compares the view pixel over each tile centre within `reach` mm of the
    // vehicle; returns how many were compared.
    int checkTiles(float reach) {
        const float halfW = kRigCarWidth / 2.0f, halfL = kRigCarLength / 2.0f;
        int checked = 0;
        for (int row = -16; row < 16; ++row) {
            for (int column = -16; column < 16; ++column) {
                const SceneTile tile = crSceneTile(column, row);
                const float ax = std::fabs(tile.centre.x), ay = std::fabs(tile.centre.y);
                if (ax > halfW + reach || ay > halfL + reach || (ax < halfW + 250 && ay < halfL + 250)) continue;
                const int c = crRoundHalfAway(tile.centre.x / param_.scale + param_.viewCenterX);
                const int r = crRoundHalfAway(tile.centre.y / param_.scale + param_.viewCenterY);
                const unsigned char* p = view_.data() + r * crPackedStride(720) + 3 * c;
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(p[k], tile.bgr[k], 3) << "tile " << column << "," << row << " channel " << k;
                ++checked;
            }
        }
        return checked;
    }

    CameraParam cams_[4];
    std::vector<unsigned char> frames_[4];
    MultiviewParam param_;
    std::vector<unsigned char> view_;
};

TEST_F(SceneTopview, TilesKeepTheirColourAndPlaceAcrossCameras) {
    compose(0);
    EXPECT_GT(checkTiles(3000.0f), 150);
}

TEST_F(SceneTopview, VehicleAreaShowsTheCarColour) {
    compose(0);
    const unsigned char* p = view_.data() + 240 * crPackedStride(720) + 3 * 360;
    EXPECT_EQ(p[0], 0x60);
    EXPECT_EQ(p[1], 0x60);
    EXPECT_EQ(p[2], 0x60);
}

}  // namespace
