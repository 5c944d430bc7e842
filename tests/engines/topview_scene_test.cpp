// The rig's rendered frames composed into a top view show resolved tiles in their colours; LUTs see their ground.
#include "scene_check.h"
#include "topview_fixture.h"

namespace {

class TopviewSceneTest : public ::testing::TestWithParam<int> {};

TEST_P(TopviewSceneTest, ResolvedTileCentresShowTheirTilesColourAndLutsSeeTheirGroundPoints) {
    static CameraParam cams[4];
    static std::vector<unsigned char> frames[4];  // rendered once for every mode, by storage position
    if (frames[0].empty()) crSceneRig(cams);
    for (int pos = 0; pos < 4 && frames[pos].empty(); ++pos) frames[pos] = crSceneRender(cams[kMultiviewSlotOf[pos]]);
    MultiviewParam p = crSceneTopview(cams, 360, 540);
    p.mode = GetParam(), p.flags = CR_MULTI_BILINEAR;
    EngineHandle* h = crMultiviewCreate(0);
    ASSERT_EQ(crMultiviewInit(h, &p), 0);
    TestPicture out(360, 540);
    crMultiviewApply(h, frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data(), out.bytes.data());
    const TopviewState* s = crTopviewState(h);
    TileCheck tiles;
    for (int i = 0; i < 81 * 81; ++i) {
        const SceneTile tile = crSceneTile(i % 81 - 40, i / 81 - 40);
        const int c = crRoundHalfAway(p.viewCenterX + tile.centre.x / p.scale);
        const int r = crRoundHalfAway(p.viewCenterY + tile.centre.y / p.scale);
        if (c < 0 || r < 0 || c >= 360 || r >= 540) continue;
        const Point2f ground = {(c - p.viewCenterX) * p.scale, (r - p.viewCenterY) * p.scale};
        tiles.check(s, cams, out.at(c, r), c, r, tile, ground, 0.05f * p.scale);
    }
    crMultiviewRelease(&h);
    tiles.expect(100, 1200, 99);
}

INSTANTIATE_TEST_SUITE_P(Modes, TopviewSceneTest, ::testing::Values(0, 1, 3, 5));

}  // namespace
