// The rig's rendered frames composed into a top view show resolved tiles in their colours; LUTs see their ground.
#include <cmath>
#include <cstdlib>
#include <sstream>

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
    int seen = 0, matching = 0, entries = 0;
    std::ostringstream wrong;
    for (int i = 0; i < 81 * 81; ++i) {
        const SceneTile tile = crSceneTile(i % 81 - 40, i / 81 - 40);
        const int c = crRoundHalfAway(p.viewCenterX + tile.centre.x / p.scale);
        const int r = crRoundHalfAway(p.viewCenterY + tile.centre.y / p.scale);
        if (c < 0 || r < 0 || c >= 360 || r >= 540) continue;
        bool ok[4];  // camera pos resolves the tile; the renderer's inverse lens takes its entry to the tile centre
        for (int pos = 0; pos < 4; ++pos) {
            const float* e = &s->luts[pos][r][2 * c];
            Point2f g;
            ok[pos] = crResolves(s, cams, pos, c, r, tile);
            if (e[0] < 0.0f || !crSceneGroundPoint(cams[kMultiviewSlotOf[pos]], e[0], e[1], &g)) continue;
            const float dx = g.x - (c - p.viewCenterX) * p.scale, dy = g.y - (r - p.viewCenterY) * p.scale;
            ++entries;
            EXPECT_LT(std::hypot(dx, dy), 0.05f * p.scale) << pos << ": " << c << "," << r;
        }
        if (!crCodeResolves(s->blendMap->data[r] + 3 * c, ok)) continue;
        const bool same = crShowsTile(out.at(c, r), tile);
        ++seen, matching += same;
        if (!same) wrong << " (" << c << "," << r << ")";
    }
    crMultiviewRelease(&h);
    EXPECT_TRUE(seen > 100 && entries > 1500) << seen << " tiles seen, " << entries << " LUT entries checked";
    EXPECT_GE(matching * 100, seen * 99) << matching << " of " << seen << " tiles; wrong at" << wrong.str();
}

INSTANTIATE_TEST_SUITE_P(Modes, TopviewSceneTest, ::testing::Values(0, 1, 3, 5));

}  // namespace
