// Single-view engine: one fisheye camera turned into one corrected view.
#include "singleview.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image/image.h"
#include "lut_text.h"
#include "numerics/rounding.h"

namespace {

// Pixels of the view without a camera source.
const unsigned char kNoSourceColour[3] = {0, 0, 255};  // blue, green, red

SingleviewState* crSingleview(EngineHandle* h) { return crEngineState<SingleviewState>(h); }

// Copies every pixel of `from` that is not (0, 0, 0) onto the same pixel of
// `to`; pixels outside `to` are skipped.
void crPasteOpaque(const Image* from, Image* to) {
    const int rows = std::min(from->height, to->height);
    const int cols = std::min(from->width, to->width);
    for (int r = 0; r < rows; ++r) {
        const unsigned char* src = from->data[r];
        unsigned char* dst = to->data[r];
        for (int c = 0; c < 3 * cols; c += 3) {
            if (src[c] | src[c + 1] | src[c + 2]) std::memcpy(dst + c, src + c, 3);
        }
    }
}

// Makes `img` a 3-channel picture of width x height, keeping it when it
// already has that size; a new one is cleared if `clearNew`. Returns whether
// a picture is present.
bool crEnsurePicture(Image*& img, int width, int height, bool clearNew) {
    if (img && (img->width != width || img->height != height)) crReleaseImage(&img);
    if (!img) {
        img = crCreateImage(3, width, height);
        if (img && clearNew) crClearRows(img->data, img->height, img->stride);
    }
    return img != nullptr;
}

// LUT, view picture and overlay layer for a view of width x height; kept
// while the size stays the same, so the overlay layer is not cleared then.
bool crSizeViewTables(SingleviewState* s, int width, int height) {
    if (s->lut && s->output && s->overlay && s->lutWidth == width && s->lutHeight == height) return true;
    crFreeLut(s->lut, s->lutHeight);
    // Every byte of the LUT, not only a row, must fit the records' sizes.
    s->lut = crByteCount(crByteCount(width, 8), height) >= 0 ? crAllocLut(width, height) : nullptr;
    s->lutWidth = s->lut ? width : 0;
    s->lutHeight = s->lut ? height : 0;
    crReleaseImage(&s->output);
    s->output = crCreateImage(3, width, height);
    crReleaseImage(&s->overlay);
    crEnsurePicture(s->overlay, width, height, true);
    return s->lut && s->output && s->overlay;
}

int crSingleInit(EngineHandle* h, ViewParam* view) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    s->inited = 0;
    if (!view || !view->camera) return 0;
    s->view = view;
    s->maskScaleBase = 800.0f;
    s->flags = view->flags;
    const CameraParam* cam = view->camera;
    if (!crEnsurePicture(s->source, cam->imageWidth, cam->imageHeight, false)) return 0;
    if (!crSizeViewTables(s, view->outWidth, view->outHeight)) return 0;
    // The LUT serves as scratch for the overlay LUT before it receives the view.
    if (s->picture && (s->flags & CR_VIEW_OVERLAY)) crDrawGroundPicture(view, s->picture, s->lut, s->overlay);
    if (s->overlayPicture) crPasteOpaque(s->overlayPicture, s->overlay);
    crGetviewModeLUT(s->source->width, s->source->height, s->lut, view);
    s->inited = 1;
    return 0;
}

int crSingleApply(EngineHandle* h, const unsigned char* frame, unsigned char* out) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    if (s->source && s->source->width && s->source->height && s->inited == 1) {
        crCopyPackedToImage(frame, s->source);
        crRemap(s->source, s->output, s->lut, static_cast<int>(s->flags), kNoSourceColour);
        if (s->flags & CR_VIEW_OVERLAY) crPasteOpaque(s->overlay, s->output);
    }
    // Without a completed Init this hands back the view of the last one.
    if (s->output) crCopyImageToPacked(s->output, out);
    return 0;
}

int crSingleGetLUTLen(EngineHandle* h, int* len) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    if (len) *len = s->lutWidth * s->lutHeight * 4;
    return 0;
}

int crSingleGetLUT(EngineHandle* h, unsigned char* dst, int len) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    if (!s->lut || s->lutWidth * s->lutHeight == 0 || len != s->lutWidth * s->lutHeight * 4) return 0;
    float* flat = crFlattenLut(s->lut, s->lutWidth, s->lutHeight);
    if (!flat) return 0;
    crMakeBinView(s->lutWidth, s->lutHeight, flat, dst, nullptr, static_cast<int>(s->flags & CR_VIEW_BILINEAR));
    std::free(flat);
    return 0;
}

int crSingleSaveLUT(EngineHandle* h, const char* path) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    if (s->lut && s->lutWidth && s->lutHeight) crSaveLutText(path, s->lut, s->lutWidth, s->lutHeight);
    return 0;
}

// Scans indices from `first` towards `last` for the first one that `ok`
// accepts; without one, the last index examined.
template <typename Accept> int crScanFor(int first, int last, Accept ok) {
    const int step = first <= last ? 1 : -1;
    int i = first;
    while (i != last && !ok(i)) i += step;
    return i;
}

float crIncidence(const CameraParam* cam, const float* pair) {
    float degrees = 0.0f;
    crGetFOV(cam, pair[0], pair[1], &degrees);
    return degrees;
}

// The view's extent through its middle row and column, from the incidence
// angles of the outermost pixels that see the camera picture.
int crSingleGetFOV(EngineHandle* h, float* horizontal, float* vertical) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    if (!s->lut || s->lutWidth < 1 || s->lutHeight < 1 || !s->view || !s->view->camera) return 0;
    const CameraParam* cam = s->view->camera;
    const float* row = s->lut[s->lutHeight / 2];
    const int column = 2 * (s->lutWidth / 2);
    float** lut = s->lut;
    const float width = static_cast<float>(cam->imageWidth), height = static_cast<float>(cam->imageHeight);
    const int lastCol = s->lutWidth - 1, lastRow = s->lutHeight - 1;

    const auto entry = [row](int c) { return row + 2 * static_cast<size_t>(c); };
    const int left = crScanFor(0, lastCol, [&](int c) { return entry(c)[0] >= 0.0f && entry(c)[1] >= 0.0f; });
    const int right = crScanFor(lastCol, 0, [&](int c) { return entry(c)[0] < width && entry(c)[1] >= 0.0f; });
    const int top = crScanFor(0, lastRow, [&](int r) { return lut[r][column] >= 0.0f && lut[r][column + 1] >= 0.0f; });
    const int bottom =
        crScanFor(lastRow, 0, [&](int r) { return lut[r][column] >= 0.0f && lut[r][column + 1] < height; });

    const float across = crIncidence(cam, entry(left)) + crIncidence(cam, entry(right));
    const float down = crIncidence(cam, lut[top] + column) + crIncidence(cam, lut[bottom] + column);
    if (horizontal) *horizontal = std::fabs(across);
    if (vertical) *vertical = std::fabs(down);
    return 0;
}

int crSingleGetMaskLen(EngineHandle* h, int* len, int scaleBase) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    s->maskLength = 0;
    s->maskScaleBase = static_cast<float>(scaleBase);
    Image* strip = crRenderMaskPicture(s);
    if (strip) {
        // An encoding beyond the capacity leaves no mask (length 0) rather
        // than a truncated one that the target would draw wrongly.
        s->maskLength = crEncodeMask(strip, s->mask, kSingleviewMaskCapacity);
        crReleaseImage(&strip);
    }
    if (len) *len = s->maskLength;
    return 0;
}

int crSingleGetMask(EngineHandle* h, unsigned char* dst, int len) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    if (len == s->maskLength && s->maskLength > 0) std::memcpy(dst, s->mask, static_cast<size_t>(s->maskLength));
    return 0;
}

int crSingleSetImage(EngineHandle* h, int width, int height, const unsigned char* pixels, int clear) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    if (clear) {
        if (s->picture) crClearRows(s->picture->data, std::clamp(height, 0, s->picture->height), s->picture->stride);
        return 0;
    }
    if (!crEnsurePicture(s->picture, width, height, true)) return 0;
    if (pixels) crCopyPackedToImage(pixels, s->picture);
    return 0;
}

int crSingleSetOverlay(EngineHandle* h, int width, int height, const unsigned char* pixels) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    if (!pixels || width == 0 || height == 0) return 0;
    if (!crEnsurePicture(s->overlayPicture, width, height, true)) return 0;
    Image* img = s->overlayPicture;
    const int stride = crPackedStride(width);
    for (int r = 0; r < height; ++r) {
        const unsigned char* src = pixels + static_cast<size_t>(r) * stride;
        for (int c = 0; c < 3 * width; c += 3) {
            if (!(src[c] | src[c + 1] | src[c + 2])) continue;
            for (int k = 0; k < 3; ++k) img->data[r][c + k] = crOpaqueByte(src[c + k]);
        }
    }
    return 0;
}

int crSingleSaveImage(EngineHandle* h, const char* path) {
    SingleviewState* s = crSingleview(h);
    if (!s) return -1;
    if (!path) return 0;
    Image* strip = crRenderMaskPicture(s);
    if (!strip) return 0;
    crSaveBmpFile(strip, path);
    crReleaseImage(&strip);
    return 0;
}

EngineHandle* crSingleCreate(int) { return crCreateEngine<SingleviewState>(&kSingleviewOps); }

}  // namespace

SingleviewState::~SingleviewState() {
    crFreeLut(lut, lutHeight);
    crReleaseImage(&source);
    crReleaseImage(&output);
    crReleaseImage(&overlay);
    crReleaseImage(&picture);
    crReleaseImage(&overlayPicture);
}

const CrSingleviewOps kSingleviewOps = {
    {CrEngineFamily::kSingleview},
    &crSingleCreate,
    &crSingleInit,
    &crSingleApply,
    &crSingleGetLUTLen,
    &crSingleGetLUT,
    &crSingleSaveLUT,
    &crSingleGetFOV,
    &crSingleGetMaskLen,
    &crSingleGetMask,
    &crSingleSetImage,
    &crSingleSetOverlay,
    &crSingleSaveImage,
    &crReleaseEngine<SingleviewState>,
};
