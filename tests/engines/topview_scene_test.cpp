// End to end on the synthetic surround rig: four rendered fisheye frames
// composed into a top view must show every ground tile in its own colour
// wherever a camera sees it. This holds only if the lens model, the poses,
// the LUTs and the composition agree.
#include <cmath>
#include <cstdlib>

#include "scene/scene.h"
#include "topview_fixture.h"

namespace {

// True when the camera at storage position `pos` resolves the ground under
// view pixel (c, r): the 5 x 5 pixels around its sample all see the tile's
// own colour, so neither lens blur nor the renderer's averaging reaches it.
bool crResolves(const TopviewState* s, const CameraParam* cams, int pos, int c, int r, const SceneTile& tile) {
    const float* entry = &s->luts[pos][r][2 * c];
    if (entry[0] < 0.0f) return false;
    for (int dv = -2; dv <= 2; dv += 2)
        for (int du = -2; du <= 2; du += 2) {
            Point2f ground;
            if (!crSceneGroundPoint(cams[kTopviewSlotOf[pos]], entry[0] + du, entry[1] + dv, &ground)) return false;
            unsigned char bgr[3];
            crSceneGroundColour(ground.x, ground.y, bgr);
            if (bgr[0] != tile.bgr[0] || bgr[1] != tile.bgr[1] || bgr[2] != tile.bgr[2]) return false;
        }
    return true;
}

// Every camera that a blend code mixes in by more than 4/256 resolves the pixel.
bool crContributorsResolve(const TopviewState* s, const CameraParam* cams, const unsigned char* code, int c, int r,
                           const SceneTile& tile) {
    const int along = code[0] ? kPosRear : kPosFront;
    const int side = code[1] ? kPosRight : kPosLeft;
    if (code[2] == 0) return crResolves(s, cams, code[0] == code[1] ? along : side, c, r, tile);
    return (code[2] >= 252 || crResolves(s, cams, along, c, r, tile)) &&
           (code[2] <= 4 || crResolves(s, cams, side, c, r, tile));
}

struct TileCheck {
    int seen = 0;
    int matching = 0;
};

// Composes the rig's frames into a view and compares the pixel under each
// tile centre that the cameras resolve with the tile's colour, within
// `tolerance` per channel.
TileCheck crCheckTiles(EngineHandle* h, const MultiviewParam& p, const CameraParam* cams, int tolerance) {
    const std::vector<unsigned char> frames[4] = {crSceneRender(cams[CR_SLOT_FRONT]), crSceneRender(cams[CR_SLOT_LEFT]),
                                                  crSceneRender(cams[CR_SLOT_RIGHT]), crSceneRender(cams[CR_SLOT_REAR])};
    const int stride = crPackedStride(p.viewWidth);
    std::vector<unsigned char> out(static_cast<size_t>(stride) * p.viewHeight);
    crMultiviewApply(h, frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data(), out.data());

    const auto* s = static_cast<const TopviewState*>(h->state);
    TileCheck check;
    const float halfX = p.viewWidth * p.scale / 2.0f, halfY = p.viewHeight * p.scale / 2.0f;
    const int columns = static_cast<int>(halfX / kSceneTileSize) + 1, rows = static_cast<int>(halfY / kSceneTileSize) + 1;
    for (int row = -rows; row <= rows; ++row)
        for (int column = -columns; column <= columns; ++column) {
            const SceneTile tile = crSceneTile(column, row);
            const int c = crRoundHalfAway(p.viewCenterX + tile.centre.x / p.scale);
            const int r = crRoundHalfAway(p.viewCenterY + tile.centre.y / p.scale);
            if (c < 0 || r < 0 || c >= p.viewWidth || r >= p.viewHeight) continue;
            const unsigned char* code = s->blendMap->data[r] + 3 * c;
            const bool cameraCode = (code[0] == 0 || code[0] == 255) && (code[1] == 0 || code[1] == 255);
            if (!cameraCode || !crContributorsResolve(s, cams, code, c, r, tile)) continue;
            ++check.seen;
            const unsigned char* got = out.data() + r * stride + 3 * c;
            bool same = true;
            for (int k = 0; k < 3; ++k) same = same && std::abs(got[k] - tile.bgr[k]) <= tolerance;
            check.matching += same;
            if (!same)
                ADD_FAILURE() << "tile (" << column << ", " << row << ") at pixel (" << c << ", " << r << ") code ("
                              << int(code[0]) << "," << int(code[1]) << "," << int(code[2]) << ") shows ("
                              << int(got[0]) << "," << int(got[1]) << "," << int(got[2]) << "), tile is ("
                              << int(tile.bgr[0]) << "," << int(tile.bgr[1]) << "," << int(tile.bgr[2]) << ")";
        }
    return check;
}

class TopviewSceneTest : public ::testing::TestWithParam<int> {};

TEST_P(TopviewSceneTest, TileCentresShowTheirTilesColour) {
    CameraParam cams[4];
    crSceneRig(cams);
    MultiviewParam p = crSceneTopview(cams, 360, 540);
    p.mode = GetParam();
    p.flags = CR_MULTI_BILINEAR;
    EngineHandle* h = crMultiviewCreate(0);
    ASSERT_EQ(crMultiviewInit(h, &p), 0);
    const TileCheck check = crCheckTiles(h, p, cams, 8);
    crMultiviewRelease(&h);
    EXPECT_GT(check.seen, 100);
    EXPECT_GE(check.matching * 100, check.seen * 99) << check.matching << " of " << check.seen;
}

// The renderer's own inverse lens takes each LUT entry back to the ground
// point of its view pixel, to a small fraction of a view pixel.
TEST(TopviewScene, LutEntriesSeeTheGroundPointsOfTheirPixels) {
    CameraParam cams[4];
    crSceneRig(cams);
    const MultiviewParam p = crSceneTopview(cams, 360, 540);
    EngineHandle* h = crMultiviewCreate(0);
    crMultiviewInit(h, &p);
    const auto* s = static_cast<const TopviewState*>(h->state);
    for (int pos = 0; pos < 4; ++pos) {
        int checked = 0;
        for (int r = 0; r < p.viewHeight; r += 3)
            for (int c = 0; c < p.viewWidth; c += 3) {
                const float* entry = &s->luts[pos][r][2 * c];
                Point2f ground;
                if (entry[0] < 0.0f || !crSceneGroundPoint(cams[kTopviewSlotOf[pos]], entry[0], entry[1], &ground))
                    continue;
                const float x = (c - p.viewCenterX) * p.scale, y = (r - p.viewCenterY) * p.scale;
                ASSERT_LT(std::hypot(ground.x - x, ground.y - y), 0.05f * p.scale) << pos << ": " << c << "," << r;
                ++checked;
            }
        EXPECT_GT(checked, 2000) << pos;
    }
    crMultiviewRelease(&h);
}

INSTANTIATE_TEST_SUITE_P(Modes, TopviewSceneTest, ::testing::Values(0, 1, 3, 5));

}  // namespace
