// Multi-view engines: pictures placed on the view (the overlay), their
// transfer into the blend map, and replacing the map itself.
#include <algorithm>
#include <cstdint>

#include "image/image.h"
#include "multiview.h"

void crClearOverlay(MultiviewState* s) { crClearRows(s->overlay->data, s->overlay->height, s->overlay->stride); }

void crTransferOverlay(MultiviewState* s) {
    const Image* overlay = s->overlay;
    Image* map = s->blendMap;
    if (!map || !overlay || map->width != overlay->width || map->height != overlay->height) return;
    for (int r = 0; r < map->height; ++r) {
        const unsigned char* src = overlay->data[r];
        unsigned char* dst = map->data[r];
        for (int c = 0; c < map->width; ++c) {
            const size_t at = 3 * static_cast<size_t>(c);
            if (crIsOpaque(src + at)) std::memcpy(dst + at, src + at, 3);
        }
    }
}

// The pasted area is the picture's rectangle clipped to the overlay, less the
// rule's margin on each side; positions far outside the view cannot overflow.
void crPasteOnOverlay(MultiviewState* s, const Image* picture, int64_t px, int64_t py, PasteRule rule) {
    const int64_t top = std::max<int64_t>(py, 0) + rule.margin;
    const int64_t left = std::max<int64_t>(px, 0) + rule.margin;
    const int64_t bottom = std::min<int64_t>(py + picture->height, s->height) - rule.margin;
    const int64_t right = std::min<int64_t>(px + picture->width, s->width) - rule.margin;
    for (int64_t r = top; r < bottom; ++r) {
        const unsigned char* src = picture->data[r - py];
        unsigned char* dst = s->overlay->data[r];
        for (int64_t c = left; c < right; ++c) {
            const unsigned char* p = src + 3 * (c - px);
            unsigned char* q = dst + 3 * c;
            if (rule.opaque) {
                for (int k = 0; k < 3; ++k) q[k] = crOpaqueByte(p[k]);
            } else if (crIsOpaque(p)) {
                std::memcpy(q, p, 3);
            }
        }
    }
}

Image* crPictureInFrame(const MultiviewState* s, int width, int height, const unsigned char* pixels) {
    Image* img = s->rotated ? crCreateImage(3, height, width) : crCreateImage(3, width, height);
    if (!img || img->width == 0 || img->height == 0) return img;  // an empty picture reads nothing
    if (!s->rotated) {
        // Whole rows, padding included: replaceMap hands them to the map as they are.
        for (int r = 0; r < img->height; ++r)
            std::memcpy(img->data[r], pixels + static_cast<size_t>(r) * img->stride, img->stride);
        return img;
    }
    const int callerStride = crPackedStride(width);
    crTurnFrame<3, false>(
        img->width, img->height, [img](int y) { return img->data[y]; },
        [pixels, callerStride](int y) { return pixels + static_cast<size_t>(y) * callerStride; });
    return img;
}

// An empty picture pastes nothing. The picture is cleared first, so that a
// resize that runs out of memory leaves it black rather than undefined.
Image* crResizedPicture(const Image* src, int width, int height) {
    Image* dst = crCreateImage(3, width, height);
    if (!dst) return nullptr;
    crClearRows(dst->data, dst->height, dst->stride);
    crResizeImage(src, dst, 1);
    return dst;
}

void crReplaceBlendMap(MultiviewState* s, const Image* picture) {
    Image* map = s->blendMap;
    if (map->width != picture->width || map->height != picture->height) return;
    for (int r = 0; r < map->height; ++r) std::memcpy(map->data[r], picture->data[r], map->stride);
}

void crPlacePicture(MultiviewState* s, const Image* picture, int64_t x, int64_t y, int width, int height,
                    PasteRule rule) {
    Image* placed = crResizedPicture(picture, width, height);
    if (!placed) return;
    crClearOverlay(s);
    crPasteOnOverlay(s, placed, x, y, rule);
    crReleaseImage(&placed);
    crTransferOverlay(s);
}
