// The largest dark blob of a binarised window and its outline.
#include "features.h"

namespace {

// Lowers a labelled pixel to the smallest label among itself and its
// labelled 4-neighbours; returns whether it changed.
bool crTakeSmallestLabel(float* labels, size_t i, size_t w) {
    const float own = labels[i];
    if (own == 0.0f) return false;
    float least = own;
    for (const float n : {labels[i - w], labels[i + w], labels[i - 1], labels[i + 1]})
        if (n != 0.0f && n < least) least = n;
    labels[i] = least;
    return least != own;
}

}  // namespace

int crLabelDark(const Plane& a, float* labels) {
    const int w = a.width, h = a.height;
    float next = 0.0f;
    int r0 = h, r1 = -1, c0 = w, c1 = -1;  // bounding box of the labelled pixels
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const bool dark = !a.onBorder(c, r) && a.at(c, r) == 0;
            labels[static_cast<size_t>(r) * w + c] = dark ? (next += 1.0f) : 0.0f;
            if (dark) r0 = r < r0 ? r : r0, r1 = r, c0 = c < c0 ? c : c0, c1 = c > c1 ? c : c1;
        }
    // Propagation sweeps down and back up until nothing changes; 19 rounds
    // bound the cost of long winding blobs. Unlabelled pixels never change,
    // so the sweeps keep to the labelled pixels' bounding box.
    float largest = 0.0f;
    bool changed = true;
    for (int round = 0; round < 19 && changed; ++round) {
        changed = false;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                changed = crTakeSmallestLabel(labels, static_cast<size_t>(r) * w + c, w) || changed;
        largest = 0.0f;
        for (int r = r1; r >= r0; --r)
            for (int c = c1; c >= c0; --c) {
                const size_t i = static_cast<size_t>(r) * w + c;
                changed = crTakeSmallestLabel(labels, i, w) || changed;
                if (labels[i] > largest) largest = labels[i];
            }
    }
    return static_cast<int>(largest);
}

void crKeepLargestBlob(const float* labels, int largest, int* counts, Plane* b) {
    const size_t n = static_cast<size_t>(b->width) * b->height;
    for (int k = 0; k <= largest; ++k) counts[k] = 0;
    for (size_t i = 0; i < n; ++i) ++counts[static_cast<int>(labels[i])];
    int winner = 0;
    for (int k = 1, most = 0; k <= largest; ++k)
        if (counts[k] > most) winner = k, most = counts[k];
    const float kept = static_cast<float>(winner);
    for (size_t i = 0; i < n; ++i) b->px[i] = labels[i] == kept ? 0 : 255;
}

void crMarkOutline(const Plane& b, Plane* c) {
    for (int r = 0; r < b.height; ++r)
        for (int x = 0; x < b.width; ++x) {
            bool edge = false;
            if (!b.onBorder(x, r) && b.at(x, r) == 0)
                for (int dr = -1; dr <= 1 && !edge; ++dr)
                    for (int dc = -1; dc <= 1; ++dc) edge = edge || b.at(x + dc, r + dr) != 0;
            c->at(x, r) = edge ? 255 : 0;
        }
}

int crListMarked(const Plane& c, Point2f* points) {
    int count = 0;
    for (int r = 0; r < c.height; ++r)
        for (int x = 0; x < c.width; ++x)
            if (c.at(x, r) != 0) points[count++] = {static_cast<float>(x), static_cast<float>(r)};
    return count;
}
