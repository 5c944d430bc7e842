// crDrawLineBresenham: an integer Bresenham line into a 3-byte-per-pixel
// picture, every point stamped with a square brush clipped to the picture.
#include <cstdlib>

#include "image.h"

namespace {

struct Brush {
    unsigned char bytes[3];  // blue, green, red
    int thickness;
};

// The brush's top-left pixel is (x, y).
void crStamp(Image* img, int x, int y, const Brush& brush) {
    for (int j = 0; j < brush.thickness; ++j) {
        const int row = y + j;
        if (row < 0 || row >= img->height) continue;
        for (int i = 0; i < brush.thickness; ++i) {
            const int col = x + i;
            if (col < 0 || col >= img->width) continue;
            unsigned char* px = img->data[row] + 3 * col;
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
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
    int x = x0, y = y0;
    crStamp(img, x, y, brush);
    // Step the leading axis one pixel at a time (y when dx equals dy), the
    // side axis whenever the error term has become non-negative.
    const bool xLeads = 2 * dx > 2 * dy;
    int& lead = xLeads ? x : y;
    int& side = xLeads ? y : x;
    const int dLead = xLeads ? dx : dy, dSide = xLeads ? dy : dx;
    const int sLead = xLeads ? sx : sy, sSide = xLeads ? sy : sx;
    const int end = xLeads ? x1 : y1;
    for (int e = 2 * dSide - dLead; lead != end;) {
        if (e >= 0) {
            side += sSide;
            e -= 2 * dLead;
        }
        lead += sLead;
        e += 2 * dSide;
        crStamp(img, x, y, brush);
    }
}
