// Adaptive binarisation of a canvas window and removal of the dark areas
// that reach its border.
#include <cstring>

#include "features.h"

namespace {

int crMin(int a, int b) { return a < b ? a : b; }
int crMax(int a, int b) { return a > b ? a : b; }

// integral[(r + 1) * (w + 1) + c + 1] = sum of u over rows 0..r, columns
// 0..c: each row's running sum added to the row above, in single precision.
void crIntegrate(const Plane& u, float* integral) {
    const int stride = u.width + 1;
    std::memset(integral, 0, sizeof(float) * stride);
    for (int r = 0; r < u.height; ++r) {
        float* above = integral + static_cast<size_t>(r) * stride;
        float* row = above + stride;
        float run = 0.0f;
        row[0] = 0.0f;
        for (int c = 0; c < u.width; ++c) {
            run = run + static_cast<float>(u.at(c, r));
            row[c + 1] = run + above[c + 1];
        }
    }
}

// Whether a pixel of value p (70..140) is lighter than its neighbourhood.
bool crLighterThanMean(const float* integral, int stride, int r0, int r1, int c0, int c1, int p) {
    const float* top = integral + static_cast<size_t>(r0) * stride;
    const float* bottom = integral + static_cast<size_t>(r1 + 1) * stride;
    const float sum = bottom[c1 + 1] - top[c1 + 1] - bottom[c0] + top[c0];
    const float count = static_cast<float>((r1 - r0 + 1) * (c1 - c0 + 1));
    return sum / count < static_cast<float>(p);
}

const unsigned char kTouched = 128;

// One sweep in either direction: dark pixels beside a touched one become
// touched. Returns whether any did.
bool crSpreadTouched(Plane* t, bool forward) {
    bool changed = false;
    const int w = t->width, h = t->height;
    for (int i = 0; i < h; ++i) {
        const int r = forward ? i : h - 1 - i;
        for (int j = 0; j < w; ++j) {
            const int c = forward ? j : w - 1 - j;
            if (t->at(c, r) != 0) continue;
            if ((c > 0 && t->at(c - 1, r) == kTouched) || (c + 1 < w && t->at(c + 1, r) == kTouched) ||
                (r > 0 && t->at(c, r - 1) == kTouched) || (r + 1 < h && t->at(c, r + 1) == kTouched)) {
                t->at(c, r) = kTouched;
                changed = true;
            }
        }
    }
    return changed;
}

}  // namespace

void crBinarise(const Plane& u, Plane* a, float* integral) {
    const int w = u.width, h = u.height;
    // Windows under 4 pixels get radius 0 and an empty averaging square; the
    // pixel then stands for its own mean, so the grey band 70..140 turns dark.
    const int s = static_cast<int>(static_cast<float>(crMin(w, h)) * 0.3f);
    crIntegrate(u, integral);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const int p = u.at(c, r);
            bool light = p > 140;
            if (p >= 70 && p <= 140 && s > 0) {
                const int r0 = crMax(0, r - s + 1), r1 = crMin(h - 1, r + s);
                const int c0 = crMax(0, c - s + 1), c1 = crMin(w - 1, c + s);
                light = crLighterThanMean(integral, w + 1, r0, r1, c0, c1, p);
            }
            a->at(c, r) = light ? 255 : 0;
        }
}

void crClearBorderDark(Plane* a, Plane* t) {
    const size_t n = static_cast<size_t>(a->width) * a->height;
    std::memcpy(t->px, a->px, n);
    for (int r = 0; r < t->height; ++r)
        for (int c = 0; c < t->width; ++c)
            if (t->onBorder(c, r) && t->at(c, r) == 0) t->at(c, r) = kTouched;
    bool changed = true;
    for (int pass = 0; pass < 20 && changed; ++pass) {
        changed = crSpreadTouched(t, true);
        changed = crSpreadTouched(t, false) || changed;
    }
    for (size_t i = 0; i < n; ++i)
        if (t->px[i] == kTouched) a->px[i] = 255;
}
