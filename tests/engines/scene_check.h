// Composed views against the synthetic scene: which cameras resolve a ground tile at a view pixel, and whether the
// view shows it. Shared by the top-view and bowl-view scene tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "engines/multiview.h"
#include "scene/scene.h"

// Camera `pos` resolves view pixel (c, r): the rays 2 pixels around its LUT sample all see the tile's colour.
inline bool crResolves(const MultiviewState* s, const CameraParam* cams, int pos, int c, int r, const SceneTile& tile) {
    const float* e = &s->luts[pos][r][2 * size_t(c)];
    Point2f g;
    unsigned char bgr[3];
    for (int i = 0; i < 9; ++i) {
        const float u = e[0] + 2 * (i % 3 - 1),
                    v = e[1] + 2 * (i / 3 - 1);  // NOLINT(bugprone-integer-division): the row of 3 x 3
        if (e[0] < 0.0f || !crSceneGroundPoint(cams[kMultiviewSlotOf[pos]], u, v, &g)) return false;
        crSceneGroundColour(g.x, g.y, bgr);
        if (std::memcmp(bgr, tile.bgr, 3) != 0) return false;
    }
    return true;
}

// The blend-map code names cameras that each resolve the pixel's tile wherever they are mixed in by more than
// 4/256; colours (the vehicle, pictures) resolve nothing.
inline bool crCodeResolves(const unsigned char* code, const bool resolves[kMultiviewCameras]) {
    if (code[0] % 255 || code[1] % 255) return false;
    const int along = code[0] ? kPosRear : kPosFront, side = code[1] ? kPosRight : kPosLeft, w = code[2];
    if (w == 0) return resolves[code[0] == code[1] ? along : side];
    return (w >= 252 || resolves[along]) && (w <= 4 || resolves[side]);
}

// Tile centres checked at their view pixels: every LUT entry there sees the pixel's ground point, and where the
// blend map's cameras resolve the tile the composed view shows its colour within 8 levels per channel.
struct TileCheck {
    int entries = 0, seen = 0, matching = 0;
    std::ostringstream wrong;

    // `ground` is the point view pixel (c, r) shows; an entry's ground point must lie within `tolerance` of it.
    void check(const MultiviewState* s, const CameraParam* cams, const unsigned char* composed, int c, int r,
               const SceneTile& tile, Point2f ground, float tolerance) {
        bool ok[kMultiviewCameras];
        for (int pos = 0; pos < kMultiviewCameras; ++pos) {
            ok[pos] = crResolves(s, cams, pos, c, r, tile);
            const float* e = &s->luts[pos][r][2 * size_t(c)];
            Point2f g;
            if (e[0] < 0.0f || !crSceneGroundPoint(cams[kMultiviewSlotOf[pos]], e[0], e[1], &g)) continue;
            ++entries;
            EXPECT_LT(std::hypot(g.x - ground.x, g.y - ground.y), tolerance) << pos << ": " << c << "," << r;
        }
        if (!crCodeResolves(s->blendMap->data[r] + 3 * size_t(c), ok)) return;
        bool same = true;
        for (int k = 0; k < 3; ++k) same = same && std::abs(composed[k] - tile.bgr[k]) <= 8;
        ++seen, matching += same;
        if (!same) wrong << " (" << c << "," << r << ")";
    }

    void expect(int minSeen, int minEntries, int percent) const {
        EXPECT_TRUE(seen > minSeen && entries > minEntries) << seen << " tiles seen, " << entries << " entries checked";
        EXPECT_GE(matching * 100, seen * percent) << matching << " of " << seen << " tiles; wrong at" << wrong.str();
    }
};
