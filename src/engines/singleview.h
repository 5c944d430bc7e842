// Single-view engine: state and the internal operations that its source files
// share.
#pragma once

#include <cstdint>

#include "camrig.h"
#include "engines.h"

// Capacity of the encoded overlay mask, in bytes.
constexpr int kSingleviewMaskCapacity = 1024000;

struct SingleviewState {
    int inited = 0;
    uint32_t flags = 0;               // the view flags taken at Init
    ViewParam* view = nullptr;        // the caller's record, read again after Init
    Image* source = nullptr;          // camera frame
    Image* output = nullptr;          // last view produced by Apply
    Image* picture = nullptr;         // ground-plane picture (SetImage)
    Image* overlayPicture = nullptr;  // view-plane picture (SetOverlay)
    Image* overlay = nullptr;         // overlay layer composed at Init
    float** lut = nullptr;
    int lutWidth = 0;
    int lutHeight = 0;
    int maskLength = 0;
    float maskScaleBase = 800.0f;
    unsigned char mask[kSingleviewMaskCapacity];

    SingleviewState() = default;
    SingleviewState(const SingleviewState&) = delete;
    SingleviewState& operator=(const SingleviewState&) = delete;
    ~SingleviewState();
};

// Draws the ground-plane picture into `target` (the view's size) through
// `lut`, which receives the overlay LUT at 10 world units per picture pixel.
void crDrawGroundPicture(ViewParam* view, const Image* picture, float** lut, Image* target);

// The ground-plane picture rendered for the target's mask: a strip of the
// view's height and 720 / maskScaleBase of its width. Null when overlays are
// off, there is no picture or memory ran out. The caller releases it.
Image* crRenderMaskPicture(SingleviewState* s);

// Index of the mask palette entry nearest to the pixel (blue, green, red).
int crMaskPaletteIndex(unsigned char blue, unsigned char green, unsigned char red);

// Run-length encodes the palette indices of a picture's pixels, row after
// row, as (index, repeats) pairs covering 1 to 256 pixels each. Returns the
// number of bytes written, or 0 when the encoding does not fit in `capacity`.
int crEncodeMask(const Image* picture, unsigned char* mask, int capacity);
