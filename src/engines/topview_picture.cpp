// Top view: pictures placed on the view (the overlay), their transfer into
// the blend map, and replacing the map itself.
#include <algorithm>

#include "image/image.h"
#include "topview.h"

namespace {

bool crIsBlack(const unsigned char* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

void crClearOverlay(TopviewState* s) { crClearRows(s->overlay->data, s->overlay->height, s->overlay->stride); }

// Copies the opaque pixels of `picture` onto the overlay with its top-left
// corner at (px, py). The outermost row and column on each side of the pasted
// area are left alone.
void crPasteOnOverlay(TopviewState* s, const Image* picture, int px, int py) {
    const int sx = std::max(-px, 0);
    const int sy = std::max(-py, 0);
    const int dx0 = std::max(px, 0);
    const int dy0 = std::max(py, 0);
    const int dx1 = std::min(px + picture->width, s->width);
    const int dy1 = std::min(py + picture->height, s->height);
    for (int y = dy0 + 1; y <= dy1 - 2; ++y) {
        const unsigned char* src = picture->data[y - dy0 + sy];
        unsigned char* dst = s->overlay->data[y];
        for (int x = dx0 + 1; x <= dx1 - 2; ++x) {
            const unsigned char* p = src + 3 * (x - dx0 + sx);
            if (crIsOpaque(p)) std::memcpy(dst + 3 * x, p, 3);
        }
    }
}

// The vehicle's drawing usually has black margins beside the body; they are
// measured in the middle row so that the body, not the whole picture, spans
// the vehicle's width.
struct Margins {
    int left;
    int right;
};

Margins crBlackMargins(const unsigned char* pixels, int width, int height) {
    const unsigned char* row = pixels + static_cast<size_t>(height / 2) * crPackedStride(width);
    Margins m = {0, 0};
    for (int i = 1; i < width / 2; ++i) {
        if (crIsBlack(row + 3 * (i - 1)) && !crIsBlack(row + 3 * (i + 1))) {
            m.left = i;
            break;
        }
    }
    for (int i = width - 2; i > width / 2; --i) {
        if (crIsBlack(row + 3 * (i + 1)) && !crIsBlack(row + 3 * (i - 1))) {
            m.right = width - 1 - i;
            break;
        }
    }
    return m;
}

// Resizes `src` (bilinear) into a new picture of the given size; null when
// the size is negative or allocation fails. An empty picture pastes nothing.
Image* crResized(const Image* src, int width, int height) {
    Image* dst = crCreateImage(3, width, height);
    if (dst) crResizeImage(src, dst, 1);
    return dst;
}

// Fits the caller's (unturned) picture to the vehicle rectangle.
void crPlaceCarPicture(TopviewState* s, const unsigned char* pixels, const Image* picture) {
    const Margins m = crBlackMargins(pixels, picture->width, picture->height);
    const float k = static_cast<float>(s->carWidthPx) / static_cast<float>(picture->width - m.right - m.left);
    const int fittedWidth = static_cast<int>(static_cast<float>(picture->width) * k + 0.5f);
    Image* fitted = crResized(picture, fittedWidth, s->carLengthPx);
    if (!fitted) return;
    crClearOverlay(s);
    const int leftShift = static_cast<int>(static_cast<float>(m.left) * k);
    const int px = (s->carLeft == 0 ? s->carRight - s->carWidthPx : s->carLeft) - leftShift;
    const int py = s->carTop == 0 ? s->carBottom - s->carLengthPx : s->carTop;
    crPasteOnOverlay(s, fitted, px, py);
    crReleaseImage(&fitted);
    crTopviewTransferOverlay(s);
}

// The picture in the frame's orientation (turned when the frame is).
Image* crPictureInFrame(const TopviewState* s, int width, int height, const unsigned char* pixels) {
    Image* img = s->rotated ? crCreateImage(3, height, width) : crCreateImage(3, width, height);
    if (!img) return nullptr;
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

}  // namespace

void crTopviewTransferOverlay(TopviewState* s) {
    const Image* overlay = s->overlay;
    Image* map = s->blendMap;
    if (!map || !overlay || map->width != overlay->width || map->height != overlay->height) return;
    for (int r = 0; r < map->height; ++r) {
        const unsigned char* src = overlay->data[r];
        unsigned char* dst = map->data[r];
        for (int c = 0; c < map->width; ++c)
            if (crIsOpaque(src + 3 * c)) std::memcpy(dst + 3 * c, src + 3 * c, 3);
    }
}

int crTopviewSetImage(EngineHandle* h, int width, int height, const unsigned char* pixels, int kind, int x, int y,
                      int placedWidth, int placedHeight) {
    TopviewState* s = crEngineState<TopviewState>(h);
    if (!s) return -1;
    if (!crTopviewHasView(s)) return 0;
    if (kind == CR_CLEAR_OVERLAY) {
        crClearOverlay(s);
        return 0;
    }
    if (!pixels || width < 1 || height < 1) return 0;
    Image* picture = crPictureInFrame(s, width, height, pixels);
    if (!picture) return 0;

    if (kind == CR_REPLACE_MAP) {
        Image* map = s->blendMap;
        if (map->width == picture->width && map->height == picture->height)
            for (int r = 0; r < map->height; ++r) std::memcpy(map->data[r], picture->data[r], map->stride);
    } else if (kind == CR_CAR_PICTURE) {
        // The vehicle's picture is fitted unturned, in both orientations.
        Image* unturned = s->rotated ? crCreateImage(3, width, height) : picture;
        if (unturned) {
            if (unturned != picture) crCopyPackedToImage(pixels, unturned);
            crPlaceCarPicture(s, pixels, unturned);
            if (unturned != picture) crReleaseImage(&unturned);
        }
    } else {
        const int pw = s->rotated ? placedHeight : placedWidth;
        const int ph = s->rotated ? placedWidth : placedHeight;
        Image* placed = crResized(picture, pw, ph);
        if (placed) {
            crClearOverlay(s);
            if (s->rotated)
                crPasteOnOverlay(s, placed, s->width - y - placedHeight, x);
            else
                crPasteOnOverlay(s, placed, x, y);
            crReleaseImage(&placed);
            crTopviewTransferOverlay(s);
        }
    }
    crReleaseImage(&picture);
    crTopviewFindUsedBoxes(s);
    return 0;
}
