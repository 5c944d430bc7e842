// crDrawLineBresenham: an integer Bresenham line into a 3-byte-per-pixel
// picture, every point stamped with a square brush clipped to the picture.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "image.h"

namespace {

struct Brush {
    unsigned char bytes[3];  // blue, green, red
    int thickness;
};

// The pixels a stamp may touch: the picture, and no column whose three bytes
// would leave its row.
struct Canvas {
    Image* img;
    int columns;
    int rows;
};

// One side of the brush clipped to [0, limit): from `at` (inside the picture,
// so never negative) for at most `thickness` pixels, never summed past limit.
int crBrushEnd(int at, int thickness, int limit) { return at >= limit ? at : at + std::min(thickness, limit - at); }

// The brush's top-left pixel is (x, y); its work never exceeds the picture.
void crStamp(const Canvas& canvas, int x, int y, const Brush& brush) {
    const int rowEnd = crBrushEnd(y, brush.thickness, canvas.rows);
    const int colEnd = crBrushEnd(x, brush.thickness, canvas.columns);
    for (int row = y; row < rowEnd; ++row) {
        for (int col = x; col < colEnd; ++col) {
            unsigned char* px = canvas.img->data[row] + 3 * static_cast<size_t>(col);
            px[0] = brush.bytes[0];
            px[1] = brush.bytes[1];
            px[2] = brush.bytes[2];
        }
    }
}

bool crInside(const Image* img, int x, int y) { return x >= 0 && x < img->width && y >= 0 && y < img->height; }

}  // namespace

// colour is 0x00BBGGRR.
void crDrawLineBresenham(Image* img, int x0, int y0, int x1, int y1, uint32_t colour, int thickness) {
    if (!crInside(img, x0, y0) || !crInside(img, x1, y1)) return;
    if (x0 == x1 && y0 == y1) return;
    const Brush brush = {{static_cast<unsigned char>(colour >> 16), static_cast<unsigned char>(colour >> 8),
                          static_cast<unsigned char>(colour)},
                         thickness};
    const Canvas canvas = {img, std::min(img->width, img->stride / 3), img->height};
    // Both ends lie inside the picture, so the differences fit; the error
    // terms, twice as large, are kept in 64 bits.
    const int64_t dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
    int x = x0, y = y0;
    crStamp(canvas, x, y, brush);
    // Step the leading axis one pixel at a time (y when dx equals dy), the
    // side axis whenever the error term has become non-negative.
    const bool xLeads = dx > dy;
    int& lead = xLeads ? x : y;
    int& side = xLeads ? y : x;
    const int64_t dLead = xLeads ? dx : dy, dSide = xLeads ? dy : dx;
    const int sLead = xLeads ? sx : sy, sSide = xLeads ? sy : sx;
    const int end = xLeads ? x1 : y1;
    for (int64_t e = 2 * dSide - dLead; lead != end;) {
        if (e >= 0) {
            side += sSide;
            e -= 2 * dLead;
        }
        lead += sLead;
        e += 2 * dSide;
        crStamp(canvas, x, y, brush);
    }
}
