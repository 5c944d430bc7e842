// Multi-view engines: the camera frames warped into the view.
//
// Each camera's picture is needed only where the blend map takes from it, so
// Apply warps each camera, row by row, over the span from the first to the
// last such pixel. The result is the same as warping the whole view: the
// camera's last frame is kept, a map that changes after SetImage has its
// spans warped again from it, and before Init or a pose adjustment replaces
// the tables (or the sampler) every kept frame is warped over the whole view,
// which the picture then keeps.
#include "image/image.h"
#include "image/remap_simd.h"
#include "multiview.h"

namespace {

void crGrowSpan(RowSpan* span, int c) {
    if (span->begin >= span->end) span->begin = c;
    span->end = c + 1;
}

}  // namespace

// Pixels of a row are visited in order, so a span only grows at its end. A
// single camera code names one camera, a pair code both.
void crFindUsedBoxes(MultiviewState* s) {
    const Image* map = s->blendMap;
    for (int r = 0; r < map->height; ++r) {
        RowSpan* spans = s->usedSpans + static_cast<size_t>(r) * kMultiviewCameras;
        for (int p = 0; p < kMultiviewCameras; ++p) spans[p] = RowSpan{};
        const unsigned char* row = map->data[r];
        for (int c = 0; c < map->width; ++c) {
            const unsigned char* px = row + 3 * static_cast<size_t>(c);
            const int b0 = px[0], b1 = px[1], b2 = px[2];
            if (!crIsCameraCode(b0, b1)) continue;
            const CodeCameras cams = crCodeCameras(b0, b1);
            if (b2 == 0) {
                crGrowSpan(&spans[cams.singlePosition], c);
            } else {
                crGrowSpan(&spans[cams.alongPosition], c);
                crGrowSpan(&spans[cams.sidePosition], c);
            }
        }
    }
    for (bool& warped : s->spansWarped) warped = false;
}

// A new frame is kept and its spans are warped; a kept frame's spans are
// warped again once the map has changed them. Warping spans that a picture
// already holds gives the same bytes, so the whole spans are warped.
unsigned crTakeFrames(MultiviewState* s, const unsigned char* const frames[kMultiviewCameras]) {
    unsigned positions = 0;
    for (int p = 0; p < kMultiviewCameras; ++p) {
        if (frames[p]) {
            crCopyPackedToImage(frames[p], s->frames[p]);
            s->keptFrame[p] = true;
            s->spansWarped[p] = false;
        }
        if (!s->keptFrame[p] || s->spansWarped[p]) continue;
        s->spansWarped[p] = true;
        positions |= 1u << p;
    }
    return positions;
}

// Each span is remapped through a one-row view of the picture and its LUT
// row, which allocates nothing.
void crWarpRow(const MultiviewState* s, int r, unsigned positions) {
    const RowSpan* spans = s->usedSpans + static_cast<size_t>(r) * kMultiviewCameras;
    for (int p = 0; p < kMultiviewCameras; ++p) {
        const RowSpan span = spans[p];
        if (!(positions >> p & 1u) || span.begin >= span.end) continue;
        const Image* full = s->warped[p];
        unsigned char* row = full->data[r] + 3 * static_cast<size_t>(span.begin);
        float* lutRow = s->luts[p][r] + 2 * static_cast<size_t>(span.begin);
        Image part = *full;
        part.width = span.end - span.begin;
        part.height = 1;
        part.data = &row;
        // The frames come from crCreateImage: rows in one block.
        crRunRemap({s->frames[p], &part, &lutRow, crSamplerFromFlags(static_cast<int>(s->flags)), s->fillColor, true},
                   CrSimdPath::kBest);
    }
}

// Warps every kept frame over the whole view with the current tables, which
// are about to change; the pictures then stand for those frames as they are.
void crCompleteWarps(MultiviewState* s) {
    for (int p = 0; p < kMultiviewCameras; ++p) {
        if (!s->keptFrame[p]) continue;
        if (crHasViewBuffers(s))
            crRemap(s->frames[p], s->warped[p], s->luts[p], static_cast<int>(s->flags), s->fillColor);
        s->keptFrame[p] = false;
    }
}
