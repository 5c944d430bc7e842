// Top view: the vehicle's picture fitted to the vehicle rectangle, and the
// SetImage kinds.
#include "image/image.h"
#include "topview.h"

namespace {

// Placed pictures and the vehicle's picture keep the outermost row and column
// of the pasted area empty.
constexpr PasteRule kTopviewPaste = {1, false};

bool crIsBlack(const unsigned char* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

// The vehicle's drawing usually has black margins beside the body; they are
// measured in the middle row so that the body, not the whole picture, spans
// the vehicle's width.
struct Margins {
    int left;
    int right;
};

Margins crBlackMargins(const unsigned char* pixels, int width, int height) {
    const unsigned char* row = pixels + static_cast<size_t>(height / 2) * crPackedStride(width);
    const auto pixel = [row](int i) { return row + 3 * static_cast<size_t>(i); };
    Margins m = {0, 0};
    for (int i = 1; i < width / 2; ++i) {
        if (crIsBlack(pixel(i - 1)) && !crIsBlack(pixel(i + 1))) {
            m.left = i;
            break;
        }
    }
    for (int i = width - 2; i > width / 2; --i) {
        if (crIsBlack(pixel(i + 1)) && !crIsBlack(pixel(i - 1))) {
            m.right = width - 1 - i;
            break;
        }
    }
    return m;
}

// Fits the caller's (unturned) picture to the vehicle rectangle.
void crPlaceCarPicture(TopviewState* s, const unsigned char* pixels, const Image* picture) {
    const Margins m = crBlackMargins(pixels, picture->width, picture->height);
    const float k = static_cast<float>(s->carWidthPx) / static_cast<float>(picture->width - m.right - m.left);
    const int fittedWidth = crTruncateToInt(static_cast<float>(picture->width) * k + 0.5f);
    Image* fitted = crResizedPicture(picture, fittedWidth, s->carLengthPx);
    if (!fitted) return;
    crClearOverlay(s);
    const int64_t leftShift = crTruncateToInt(static_cast<float>(m.left) * k);
    const int64_t px = (s->carLeft == 0 ? int64_t{s->carRight} - s->carWidthPx : s->carLeft) - leftShift;
    const int64_t py = s->carTop == 0 ? int64_t{s->carBottom} - s->carLengthPx : s->carTop;
    crPasteOnOverlay(s, fitted, px, py, kTopviewPaste);
    crReleaseImage(&fitted);
    crTransferOverlay(s);
}

}  // namespace

int crTopviewSetImage(EngineHandle* h, int width, int height, const unsigned char* pixels, int kind, int x, int y,
                      int placedWidth, int placedHeight) {
    TopviewState* s = crTopviewState(h);
    if (!s) return -1;
    if (!crHasViewBuffers(s)) return 0;
    if (kind == CR_CLEAR_OVERLAY) {
        crClearOverlay(s);
        return 0;
    }
    if (!pixels || width < 1 || height < 1) return 0;
    if (kind == CR_REPLACE_MAP && (width != crCallerWidth(s) || height != crCallerHeight(s))) return 0;
    Image* picture = crPictureInFrame(s, width, height, pixels);
    if (!picture) return 0;

    if (kind == CR_REPLACE_MAP) {
        crReplaceBlendMap(s, picture);
    } else if (kind == CR_CAR_PICTURE) {
        // The vehicle's picture is fitted unturned, in both orientations.
        Image* unturned = s->rotated ? crCreateImage(3, width, height) : picture;
        if (unturned) {
            if (unturned != picture) crCopyPackedToImage(pixels, unturned);
            crPlaceCarPicture(s, pixels, unturned);
            if (unturned != picture) crReleaseImage(&unturned);
        }
    } else if (s->rotated) {
        crPlacePicture(s, picture, int64_t{s->width} - y - placedHeight, x, placedHeight, placedWidth, kTopviewPaste);
    } else {
        crPlacePicture(s, picture, x, y, placedWidth, placedHeight, kTopviewPaste);
    }
    crReleaseImage(&picture);
    crFindUsedBoxes(s);
    return 0;
}
