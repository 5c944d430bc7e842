// The synthetic rig seen from above and behind: Init calibrates every camera from its ground marks, and resolved
// floor tiles show their colour in both types.
#include <cmath>

#include "bowlview_fixture.h"
#include "scene_check.h"
#include "support/calibration_scene.h"

namespace {

// Where the ray of view pixel (c, r) meets the ground: the camera centre plus t R^T (x, y, 1).
Point2f crFloorPoint(const PinholeCamera& view, int c, int r) {
    const float x = (c - view.principalX) / view.scaleX, y = (r - view.principalY) / view.scaleY;
    float d[3], centre[3];
    for (int j = 0; j < 3; ++j) d[j] = view.e[0][j] * x + view.e[1][j] * y + view.e[2][j];
    for (int j = 0; j < 3; ++j)
        centre[j] = -(view.e[0][j] * view.e[0][3] + view.e[1][j] * view.e[1][3] + view.e[2][j] * view.e[2][3]);
    const float t = -centre[2] / d[2];
    return {centre[0] + t * d[0], centre[1] + t * d[1]};
}

class BowlviewSceneTest : public ::testing::TestWithParam<int> {};

TEST_P(BowlviewSceneTest, InitCalibratesTheRigAndResolvedFloorTilesShowTheirColour) {
    CameraParam cams[5], truth[5];
    MultiviewParam p = crSceneBowlview(cams, 720, 480, SceneViewpoint::behind);
    std::copy(cams, cams + 5, truth);
    static std::vector<unsigned char> frames[4];  // rendered once for both types, by storage position
    for (int pos = 0; pos < 4 && frames[pos].empty(); ++pos) frames[pos] = crSceneRender(truth[kMultiviewSlotOf[pos]]);
    for (int slot = 0; slot < 4; ++slot) crSetPose(&cams[slot], {0, 0, -1, 0, 0, 0});  // Init must estimate them
    EngineHandle* h = crMultiviewCreate(GetParam());
    ASSERT_EQ(crMultiviewInit(h, &p), 0);
    for (int slot = 0; slot < 4; ++slot) {
        const ScenePose got = crPoseOf(cams[slot]), want = crPoseOf(truth[slot]);
        EXPECT_NEAR(got.z, want.z, 0.01f * std::fabs(want.z)) << slot;
        for (auto [a, b] : {std::pair{got.angleX, want.angleX}, {got.angleY, want.angleY}, {got.angleZ, want.angleZ}})
            EXPECT_LE(crAngleGap(a, b), 0.2f) << slot << ": " << a << " vs " << b;
    }
    EXPECT_TRUE(cams[4].principalX == 360.0f && cams[4].principalY == 240.0f);

    TestPicture out(720, 480);
    crMultiviewApply(h, frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data(), out.bytes.data());
    const BowlviewState* s = crBowlviewState(h);
    for (int i = 0; i < 4 * 720 * 480; ++i) {  // entries lie in the frame, also where the innermost cells are triangles
        const float* e = &s->luts[i / (720 * 480)][i / 720 % 480][2 * size_t(i % 720)];
        ASSERT_TRUE((e[0] == -1.0f && e[1] == -1.0f) || (e[0] >= 0 && e[0] < 720 && e[1] >= 0 && e[1] < 480)) << i;
    }
    const PinholeCamera view = crPinholeCamera(&cams[4]);
    const float floorX = p.bowlWallX * p.bowlFloorY / p.bowlWallY, floorY = p.bowlFloorY;
    TileCheck tiles;
    for (int i = 0; i < 61 * 61; ++i) {
        const SceneTile tile = crSceneTile(i % 61 - 30, i / 61 - 30);
        if (std::hypot(tile.centre.x / floorX, tile.centre.y / floorY) > 0.95f) continue;  // on the floor
        float q[3];
        crProjectPoint(view.e, tile.centre.x, tile.centre.y, 0.0f, q);
        const Point2f px = crPinholePixel(view, q);
        const int c = crRoundHalfAway(px.x), r = crRoundHalfAway(px.y);
        if (q[2] <= 0.0f || c < 0 || r < 0 || c >= 720 || r >= 480) continue;
        const unsigned char* code = s->blendMap->data[r] + 3 * size_t(c);
        if (code[0] % 255 || code[1] % 255) continue;  // the vehicle hides the bowl's centre
        const Point2f floor = crFloorPoint(view, c, r);
        const float range = std::hypot(floor.x - cams[4].positionX, floor.y - cams[4].positionY, cams[4].positionZ);
        tiles.check(s, cams, out.at(c, r), c, r, tile, floor, 0.002f * range);
    }
    crMultiviewRelease(&h);
    tiles.expect(100, 500, 98);
}

INSTANTIATE_TEST_SUITE_P(Types, BowlviewSceneTest, ::testing::Values(1, 2));

}  // namespace
