// Multi-view engines: the camera frames warped into the view.
//
// Each camera's picture is needed only where the blend map takes from it, so
// Apply warps each camera over the bounding box of those pixels. The result
// is the same as warping the whole view: the camera's last frame is kept, a
// box that grows after SetImage is warped again from it, and before Init or a
// pose adjustment replaces the tables (or the sampler) every kept frame is
// warped over the whole view, which the picture then keeps.
#include <algorithm>

#include "image/image.h"
#include "multiview.h"

namespace {

bool crBoxIsEmpty(const WarpBox& b) { return b.top >= b.bottom || b.left >= b.right; }

bool crBoxContains(const WarpBox& outer, const WarpBox& inner) {
    return crBoxIsEmpty(inner) || (outer.top <= inner.top && outer.left <= inner.left && outer.bottom >= inner.bottom &&
                                   outer.right >= inner.right);
}

void crGrowBox(WarpBox* b, int c, int r) {
    if (crBoxIsEmpty(*b)) {
        *b = {r, c, r + 1, c + 1};
        return;
    }
    b->top = std::min(b->top, r);
    b->left = std::min(b->left, c);
    b->bottom = std::max(b->bottom, r + 1);
    b->right = std::max(b->right, c + 1);
}

// Remaps the box of camera `pos` from its kept frame, through a view of the
// box's rows and LUT entries (the scratch row arrays), without allocating.
void crWarpBox(MultiviewState* s, int pos, const WarpBox& box) {
    if (crBoxIsEmpty(box)) return;
    Image* full = s->warped[pos];
    const size_t left = static_cast<size_t>(box.left);
    for (int r = box.top; r < box.bottom; ++r) {
        s->boxRows[r - box.top] = full->data[r] + 3 * left;
        s->boxLutRows[r - box.top] = s->luts[pos][r] + 2 * left;
    }
    Image part = *full;
    part.width = box.right - box.left;
    part.height = box.bottom - box.top;
    part.data = s->boxRows;
    crRemap(s->frames[pos], &part, s->boxLutRows, static_cast<int>(s->flags), s->fillColor);
    s->warpedBox[pos] = box;
}

}  // namespace

// Bounding box, per camera, of the blend-map pixels that name it: a single
// camera code names one camera, a pair code both.
void crFindUsedBoxes(MultiviewState* s) {
    for (WarpBox& b : s->usedBox) b = WarpBox{};
    const Image* map = s->blendMap;
    for (int r = 0; r < map->height; ++r) {
        const unsigned char* row = map->data[r];
        for (int c = 0; c < map->width; ++c) {
            const unsigned char* px = row + 3 * static_cast<size_t>(c);
            const int b0 = px[0], b1 = px[1], b2 = px[2];
            if (!crIsCameraCode(b0, b1)) continue;
            const CodeCameras cams = crCodeCameras(b0, b1);
            if (b2 == 0) {
                crGrowBox(&s->usedBox[cams.singlePosition], c, r);
            } else {
                crGrowBox(&s->usedBox[cams.alongPosition], c, r);
                crGrowBox(&s->usedBox[cams.sidePosition], c, r);
            }
        }
    }
}

// Takes the new frames and warps every camera whose used box is not yet
// covered by a warp of its kept frame.
void crWarpFrames(MultiviewState* s, const unsigned char* const frames[kMultiviewCameras]) {
    for (int p = 0; p < kMultiviewCameras; ++p) {
        if (frames[p]) {
            crCopyPackedToImage(frames[p], s->frames[p]);
            s->keptFrame[p] = true;
            s->warpedBox[p] = WarpBox{};
        }
        if (s->keptFrame[p] && !crBoxContains(s->warpedBox[p], s->usedBox[p])) crWarpBox(s, p, s->usedBox[p]);
    }
}

// Warps every kept frame over the whole view with the current tables, which
// are about to change; the pictures then stand for those frames as they are.
void crCompleteWarps(MultiviewState* s) {
    for (int p = 0; p < kMultiviewCameras; ++p) {
        if (!s->keptFrame[p]) continue;
        if (crHasViewBuffers(s)) crWarpBox(s, p, WarpBox{0, 0, s->height, s->width});
        s->keptFrame[p] = false;
    }
}
