// Composed views against the synthetic scene: which cameras resolve a ground tile at a view pixel, and whether the
// view shows it. Shared by the top-view and bowl-view scene tests.
#pragma once

#include <cstdlib>
#include <cstring>

#include "engines/multiview.h"
#include "scene/scene.h"

// Camera `pos` resolves view pixel (c, r): the rays 2 pixels around its LUT sample all see the tile's colour.
inline bool crResolves(const MultiviewState* s, const CameraParam* cams, int pos, int c, int r, const SceneTile& tile) {
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

// The blend-map code names cameras that each resolve the pixel's tile wherever they are mixed in by more than
// 4/256; colours (the vehicle, pictures) resolve nothing.
inline bool crCodeResolves(const unsigned char* code, const bool resolves[kMultiviewCameras]) {
    if (code[0] % 255 || code[1] % 255) return false;
    const int along = code[0] ? kPosRear : kPosFront, side = code[1] ? kPosRight : kPosLeft, w = code[2];
    if (w == 0) return resolves[code[0] == code[1] ? along : side];
    return (w >= 252 || resolves[along]) && (w <= 4 || resolves[side]);
}

// The pixel shows the tile's colour within 8 levels per channel.
inline bool crShowsTile(const unsigned char* pixel, const SceneTile& tile) {
    for (int k = 0; k < 3; ++k)
        if (std::abs(pixel[k] - tile.bgr[k]) > 8) return false;
    return true;
}
