// The single-view engine's ground-plane picture: drawn into the view's overlay
// layer, and rendered as a palette-coded, run-length-encoded target mask.
#include <array>

#include "image/image.h"
#include "numerics/rounding.h"
#include "singleview.h"

namespace {

// World units per picture pixel while the engine draws its ground picture.
constexpr float kPictureScale = 10.0f;
// Width of the target's mask strip for a scale base equal to this value.
constexpr float kMaskStripBase = 720.0f;

const unsigned char kTransparent[3] = {0, 0, 0};

struct PaletteRgb {
    unsigned char r, g, b;
};

// 215 colours of a six-level cube (its black left out), ten-step red, green,
// blue and grey ramps, then black.
constexpr std::array<PaletteRgb, 256> crBuildMaskPalette() {
    constexpr unsigned char cube[6] = {255, 204, 153, 102, 51, 0};
    constexpr unsigned char ramp[10] = {238, 221, 187, 170, 136, 119, 85, 68, 34, 17};
    std::array<PaletteRgb, 256> p{};
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            for (int k = 0; k < 6; ++k)
                if (36 * i + 6 * j + k < 215) p[36 * i + 6 * j + k] = {cube[i], cube[j], cube[k]};
    for (int n = 0; n < 10; ++n) {
        const unsigned char v = ramp[n];
        p[215 + n] = {v, 0, 0};
        p[225 + n] = {0, v, 0};
        p[235 + n] = {0, 0, v};
        p[245 + n] = {v, v, v};
    }
    p[255] = {0, 0, 0};
    return p;
}

constexpr std::array<PaletteRgb, 256> kMaskPalette = crBuildMaskPalette();

// Collects (value, repeats) pairs; a pair covers 1 to 256 equal bytes.
class CrRunEncoder {
public:
    CrRunEncoder(unsigned char* out, int capacity) : out_(out), capacity_(capacity) {}

    void push(int value) {
        if (value == value_ && repeats_ < 255) {
            ++repeats_;
            return;
        }
        flush();
        value_ = value;
        repeats_ = 0;
    }

    // Bytes written, or 0 once a pair did not fit.
    int finish() {
        flush();
        return overflow_ ? 0 : length_;
    }

private:
    void flush() {
        if (value_ < 0 || overflow_) return;
        if (length_ + 2 > capacity_) {
            overflow_ = true;
            return;
        }
        out_[length_++] = static_cast<unsigned char>(value_);
        out_[length_++] = static_cast<unsigned char>(repeats_);
    }

    unsigned char* out_;
    int capacity_;
    int length_ = 0;
    int value_ = -1;
    int repeats_ = 0;
    bool overflow_ = false;
};

}  // namespace

void crDrawGroundPicture(ViewParam* view, const Image* picture, float** lut, Image* target) {
    const float scale = view->overlayScale;
    view->overlayScale = kPictureScale;
    crGetOverlayLUT(picture->width, picture->height, lut, view);
    view->overlayScale = scale;
    crRemapNearest(picture, target, lut, kTransparent);
}

Image* crRenderMaskPicture(SingleviewState* s) {
    ViewParam* view = s->view;
    const float base = s->maskScaleBase;
    if (!view || !s->picture || !(s->flags & CR_VIEW_OVERLAY) || !(base > 0.0f)) return nullptr;
    const int width = crRoundHalfAwayToInt(kMaskStripBase * static_cast<float>(view->outWidth) / base);
    const int height = view->outHeight;
    if (crByteCount(crByteCount(width, 8), height) < 0) return nullptr;
    Image* strip = crCreateImage(3, width, height);
    float** lut = crAllocLut(width, height);
    if (!strip || !lut) {
        crReleaseImage(&strip);
        crFreeLut(lut, height);
        return nullptr;
    }
    // The strip covers the view's field at kMaskStripBase / base of its
    // horizontal resolution. Afterwards the view centre is left at the middle
    // of the view, which the engine assumes it to be.
    const int outWidth = view->outWidth;
    const float zoomX = view->zoomX;
    view->outWidth = width;
    view->centerX = static_cast<float>(width) * 0.5f;
    view->zoomX = zoomX * kMaskStripBase / base;
    crDrawGroundPicture(view, s->picture, lut, strip);
    view->outWidth = outWidth;
    view->zoomX = zoomX;
    view->centerX = static_cast<float>(outWidth) * 0.5f;
    crFreeLut(lut, height);
    return strip;
}

int crMaskPaletteIndex(unsigned char blue, unsigned char green, unsigned char red) {
    int best = 3 * 255 * 255;
    int index = 0;
    for (int i = 0; i < 256; ++i) {
        const int dr = red - kMaskPalette[i].r;
        const int dg = green - kMaskPalette[i].g;
        const int db = blue - kMaskPalette[i].b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best) {
            best = distance;
            index = i;
        }
    }
    return index;
}

int crEncodeMask(const Image* picture, unsigned char* mask, int capacity) {
    CrRunEncoder encoder(mask, capacity);
    // Neighbouring pixels are mostly equal; their palette search is done once.
    unsigned char last[3] = {0, 0, 0};
    int lastIndex = crMaskPaletteIndex(0, 0, 0);
    for (int r = 0; r < picture->height; ++r) {
        const unsigned char* p = picture->data[r];
        for (int c = 0; c < 3 * picture->width; c += 3) {
            if (p[c] != last[0] || p[c + 1] != last[1] || p[c + 2] != last[2]) {
                last[0] = p[c];
                last[1] = p[c + 1];
                last[2] = p[c + 2];
                lastIndex = crMaskPaletteIndex(last[0], last[1], last[2]);
            }
            encoder.push(lastIndex);
        }
    }
    return encoder.finish();
}
