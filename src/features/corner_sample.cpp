// The photograph's grey levels and their resampling onto a canvas window.
#include <cmath>

#include "camera/lens.h"
#include "features.h"
#include "image/image.h"
#include "numerics/rounding.h"

unsigned char crSampleNearestBilinear(const Image* gray, float u, float v) {
    const int i = crRoundHalfAway(u), j = crRoundHalfAway(v);
    const float fx = u - static_cast<float>(i), fy = v - static_cast<float>(j);
    const int i1 = i + 1 < gray->width ? i + 1 : i, j1 = j + 1 < gray->height ? j + 1 : j;
    const unsigned char* row0 = gray->data[j];
    const unsigned char* row1 = gray->data[j1];
    const float s =
        (1.0f - fy) * (row0[i] * (1.0f - fx) + row0[i1] * fx) + fy * (row1[i] * (1.0f - fx) + row1[i1] * fx);
    const int whole = static_cast<int>(crRoundToWhole(s + 128.0f) - 128.0f);
    return static_cast<unsigned char>(whole & 0xFF);
}

void crGrayFromBgr(const unsigned char* photo, Image* gray) {
    for (int r = 0; r < gray->height; ++r) {
        const unsigned char* in = photo + static_cast<size_t>(r) * gray->width * 3;
        unsigned char* out = gray->data[r];
        for (int c = 0; c < gray->width; ++c, in += 3)
            out[c] = static_cast<unsigned char>(crStudioLumaFixed(in[0], in[1], in[2]));
    }
}

void crRenderWindow(const Image* gray, const CameraParam* cam, const CanvasWindow& w, Plane* out) {
    // In double, the last column and row stay exact for pictures wider or
    // taller than 2^24, so the rounded sample position stays inside.
    const double lastU = gray->width - 1.0, lastV = gray->height - 1.0;
    for (int r = 0; r < w.height; ++r) {
        const float yn = (static_cast<float>(r + w.y0) - kCanvasCentreY) / cam->pixelScaleY;
        for (int c = 0; c < w.width; ++c) {
            const float xn = (static_cast<float>(c + w.x0) - kCanvasCentreX) / cam->pixelScaleX;
            const Point2f p = crRayToPhoto(cam, xn, yn);
            const bool inside = p.x >= 0.0f && p.x < lastU && p.y >= 0.0f && p.y < lastV;
            out->at(c, r) = inside ? crSampleNearestBilinear(gray, p.x, p.y) : 0;
        }
    }
}
