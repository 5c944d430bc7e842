// Point-list binaries back into points, drawn as crosses over a picture.
#include <algorithm>
#include <cstdint>

#include "camrig_toolkit/decode.h"
#include "camrig_toolkit/rig.h"

namespace camrig {

namespace {

constexpr int kCrossArm = 4;

}  // namespace

std::vector<Point2f> decodePoints(const unsigned char* bytes, size_t length) {
    if (length % 4 != 0)
        throw RigError("", 0, "points", "length " + std::to_string(length) + " bytes, not a multiple of 4");
    std::vector<Point2f> points(length / 4);
    for (size_t i = 0; i < points.size(); ++i) {
        const unsigned char* e = bytes + 4 * i;
        points[i] = {float(int16_t(e[0] | e[1] << 8)), float(int16_t(e[2] | e[3] << 8))};
    }
    return points;
}

void drawPoints(Picture* picture, const std::vector<Point2f>& points, uint32_t colour) {
    std::vector<unsigned char*> rows;
    Image image = imageOf(*picture, rows);
    const int w = picture->width, h = picture->height;
    for (const Point2f& p : points) {
        if (p.x == -1.0f && p.y == -1.0f) continue;
        if (!(p.x >= 0.0f && p.y >= 0.0f && p.x < float(w) && p.y < float(h))) continue;
        const int x = int(p.x), y = int(p.y);
        // The line drawer refuses ends off the picture, so the arms are cut
        // at its edges; the centre is set too, for a picture one pixel wide.
        unsigned char* px = picture->row(y) + 3 * size_t(x);
        px[0] = static_cast<unsigned char>(colour >> 16), px[1] = static_cast<unsigned char>(colour >> 8),
        px[2] = static_cast<unsigned char>(colour);
        crDrawLineBresenham(&image, std::max(x - kCrossArm, 0), y, std::min(x + kCrossArm, w - 1), y, colour, 1);
        crDrawLineBresenham(&image, x, std::max(y - kCrossArm, 0), x, std::min(y + kCrossArm, h - 1), colour, 1);
    }
}

}  // namespace camrig
