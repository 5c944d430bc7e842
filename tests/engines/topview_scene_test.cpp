// The rig's rendered frames composed into a top view show resolved tiles in their colours; LUTs see their ground.
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "scene/scene.h"
#include "topview_fixture.h"

namespace {

// Camera `pos` resolves view pixel (c, r): the rays 2 pixels around its LUT sample all see the tile's colour.
bool crResolves(const TopviewState* s, const CameraParam* cams, int pos, int c, int r, const SceneTile& tile) {
    const float* e = &s->luts[pos][r][2 * c];
    Point2f g;
    unsigned char bgr[3];
    for (int i = 0; i < 9; ++i) {
        const float u = e[0] + 2 * (i % 3 - 1), v = e[1] + 2 * (i / 3 - 1);
        if (e[0] < 0.0f || !crSceneGroundPoint(cams[kMultiviewSlotOf[pos]], u, v, &g)) return false;
        crSceneGroundColour(g.x, g.y, bgr);
        if (std::memcmp(bgr, tile.bgr, 3) != 0) return false;
    }
    return true;
}

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
        // Seen: a camera code whose cameras, each mixed in by more than 4/256, resolve the tile.
        const unsigned char* code = s->blendMap->data[r] + 3 * c;
        const int along = code[0] ? kPosRear : kPosFront, side = code[1] ? kPosRight : kPosLeft, w = code[2];
        if (code[0] % 255 || code[1] % 255 ||
            !(w == 0 ? ok[code[0] == code[1] ? along : side] : (w >= 252 || ok[along]) && (w <= 4 || ok[side])))
            continue;
        const unsigned char* got = out.at(c, r);
        const bool same = std::abs(got[0] - tile.bgr[0]) <= 8 && std::abs(got[1] - tile.bgr[1]) <= 8 &&
                          std::abs(got[2] - tile.bgr[2]) <= 8;
        ++seen, matching += same;
        if (!same) wrong << " (" << c << "," << r << ")";
    }
    crMultiviewRelease(&h);
    EXPECT_TRUE(seen > 100 && entries > 1500) << seen << " tiles seen, " << entries << " LUT entries checked";
    EXPECT_GE(matching * 100, seen * 99) << matching << " of " << seen << " tiles; wrong at" << wrong.str();
}

INSTANTIATE_TEST_SUITE_P(Modes, TopviewSceneTest, ::testing::Values(0, 1, 3, 5));

}  // namespace
