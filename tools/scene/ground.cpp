// The ground: coloured tiles and painted lines around the vehicle.
#include <cmath>

#include "scene.h"

namespace {

// Six hues; the tile pattern repeats every 3 columns and 2 rows, so any two
// tiles that touch, even at a corner, get different entries.
const unsigned char kPalette[6][3] = {
    {50, 60, 200}, {60, 170, 60}, {200, 100, 40}, {40, 190, 210}, {170, 60, 170}, {190, 180, 50},
};

const unsigned char kPaint[3] = {240, 240, 240};

// A straight painted line through `point` along the unit vector `dir`.
struct SceneLine {
    float px, py;
    float dx, dy;
    float halfWidth;
};

// Lane lines beside the vehicle, stop lines ahead of and behind it, and a
// diagonal that crosses the front-left corner's seam. Every line keeps at
// least 175 mm away from all tile centres.
const float kDiagonal = 0.70710678f;
const SceneLine kLines[] = {
    {-2500.0f, 0.0f, 0.0f, 1.0f, 75.0f},
    {2500.0f, 0.0f, 0.0f, 1.0f, 75.0f},
    {0.0f, -4000.0f, 1.0f, 0.0f, 100.0f},
    {0.0f, 4000.0f, 1.0f, 0.0f, 100.0f},
    {-6250.0f, 0.0f, kDiagonal, -kDiagonal, 75.0f},
};

int crFloorMod(int a, int n) { return ((a % n) + n) % n; }

bool crOnLine(const SceneLine& line, float x, float y) {
    const float across = (x - line.px) * line.dy - (y - line.py) * line.dx;
    return std::fabs(across) <= line.halfWidth;
}

}  // namespace

SceneTile crSceneTile(int column, int row) {
    const unsigned char* hue = kPalette[crFloorMod(column, 3) + 3 * crFloorMod(row, 2)];
    // A per-tile brightness (75 to 100 %) keeps repeated hues apart.
    const unsigned hash = static_cast<unsigned>(column) * 73856093u ^ static_cast<unsigned>(row) * 19349663u;
    const int percent = 75 + static_cast<int>((hash >> 4) % 26u);
    SceneTile tile;
    for (int k = 0; k < 3; ++k) tile.bgr[k] = static_cast<unsigned char>(hue[k] * percent / 100);
    tile.centre.x = (column + 0.5f) * kSceneTileSize;
    tile.centre.y = (row + 0.5f) * kSceneTileSize;
    return tile;
}

bool crSceneIsPainted(float x, float y) {
    for (const SceneLine& line : kLines)
        if (crOnLine(line, x, y)) return true;
    return false;
}

void crSceneGroundColour(float x, float y, unsigned char bgr[3]) {
    if (crSceneIsPainted(x, y)) {
        for (int k = 0; k < 3; ++k) bgr[k] = kPaint[k];
        return;
    }
    const SceneTile tile =
        crSceneTile(static_cast<int>(std::floor(x / kSceneTileSize)), static_cast<int>(std::floor(y / kSceneTileSize)));
    for (int k = 0; k < 3; ++k) bgr[k] = tile.bgr[k];
}
