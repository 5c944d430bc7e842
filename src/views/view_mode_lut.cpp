// View-mode LUT: for every pixel of a single camera's corrected view, the
// camera pixel that it shows.
#include <algorithm>
#include <cstdint>

#include "numerics/rounding.h"
#include "views.h"

namespace {

// Per-call constants of the panel fold and split layouts, which warp one axis
// (columns, or rows with CR_VIEW_ROWWISE) about the view centre.
struct CrPanelLayout {
    bool rowWise;
    int64_t centre;  // truncated view centre on the warped axis
    int64_t band;    // half-width of the centre panel / outward push, even
    float bandNorm;  // band in normalised view coordinates
    float modeParam;
    float outWidth, outHeight;
    float halfSrcWidth, halfSrcHeight;
};

CrPanelLayout crMakePanelLayout(const ViewParam* view, int srcWidth, int srcHeight) {
    CrPanelLayout p;
    p.rowWise = (view->flags & CR_VIEW_ROWWISE) != 0;
    // Fields beyond the int range, and NaN, count as the lowest int; the 64-bit
    // distances and band below cannot overflow then.
    p.centre = crTruncateToInt(p.rowWise ? view->centerY : view->centerX);
    p.band = crRoundHalfAwayToInt(view->bandWidth);
    if (p.band % 2 != 0) p.band += 1;
    p.outWidth = static_cast<float>(view->outWidth);
    p.outHeight = static_cast<float>(view->outHeight);
    p.bandNorm = 2.0f * static_cast<float>(p.band) / (p.rowWise ? p.outHeight : p.outWidth);
    p.modeParam = view->modeParam;
    p.halfSrcWidth = static_cast<float>(srcWidth) * 0.5f;
    p.halfSrcHeight = static_cast<float>(srcHeight) * 0.5f;
    return p;
}

// Signed distance of pixel (c, r) from the centre along the warped axis.
int64_t crPanelDistance(const CrPanelLayout& p, int c, int r) { return (p.rowWise ? r : c) - p.centre; }

// Divides both normalised coordinates by the bend of the side panel at
// distance d; `warped` is the normalised coordinate of the warped axis.
void crBendSidePanel(const CrPanelLayout& p, int64_t d, float& un, float& vn) {
    const float warped = p.rowWise ? vn : un;
    const float w = d < 0 ? (warped + p.bandNorm) * p.modeParam + 1.0f : 1.0f - (warped - p.bandNorm) * p.modeParam;
    un = un / w;
    vn = vn / w;
}

// Panel fold: a flat centre panel, 2-pixel gaps, folded side panels.
// Returns false for a gap pixel.
bool crFoldPanels(const CrPanelLayout& p, int c, int r, float& u, float& v) {
    float un = 2.0f * u / p.outWidth;
    float vn = 2.0f * v / p.outHeight;
    const int64_t d = crPanelDistance(p, c, r);
    const int64_t distance = d < 0 ? -d : d;
    bool valid = true;
    if (d < 0 ? distance > p.band : d >= p.band)
        crBendSidePanel(p, d, un, vn);
    else if (d < 0 ? distance > p.band - 2 : d >= p.band - 2)
        valid = false;
    u = un * p.halfSrcWidth;
    v = p.halfSrcHeight * vn;
    return valid;
}

// Split: both halves bent and pushed `band` camera pixels outward, with a
// 3-pixel gap between them. Returns false for a gap pixel.
bool crSplitHalves(const CrPanelLayout& p, int c, int r, float& u, float& v) {
    float un = 2.0f * u / p.outWidth;
    float vn = 2.0f * v / p.outHeight;
    const int64_t d = crPanelDistance(p, c, r);
    const bool valid = d <= -2 || d >= 2;
    if (valid) crBendSidePanel(p, d, un, vn);
    u = un * p.halfSrcWidth;
    v = vn * p.halfSrcHeight;
    const float push = static_cast<float>(d < 0 ? -p.band : p.band);
    if (p.rowWise)
        v = v + push;
    else
        u = u + push;
    return valid;
}

// The view positions of a run of row r from column `first`, relative to the
// view centre and shift, after the fold and split layouts; valid[i] is false
// for a gap pixel.
void crLayoutRun(const ViewParam* view, const CrPanelLayout& layout, int r, int first, CrViewRun& run,
                 bool valid[kViewRun]) {
    const bool fold = (view->flags & CR_VIEW_FOLD) != 0;
    const bool split = (view->flags & CR_VIEW_SPLIT) != 0;
    for (int i = 0; i < kViewRun; ++i) {
        const int c = first + i;
        float u = static_cast<float>(c) - view->centerX;
        float v = static_cast<float>(r) - view->centerY;
        valid[i] = true;
        if (fold) valid[i] = crFoldPanels(layout, c, r, u, v);
        if (split) valid[i] = crSplitHalves(layout, c, r, u, v) && valid[i];
        run.u[i] = u - view->shiftX;
        run.v[i] = v - view->shiftY;
    }
}

}  // namespace

void crGetviewModeLUT(int srcWidth, int srcHeight, float** lut, const ViewParam* view) {
    const CrViewSetup s = crPrepareCameraView(view);
    const CrPanelLayout layout = crMakePanelLayout(view, srcWidth, srcHeight);
    const float width = static_cast<float>(srcWidth), height = static_cast<float>(srcHeight);
    const int outWidth = view->outWidth, outHeight = view->outHeight;

    for (int r = 0; r < outHeight; ++r) {
        float* row = lut[r];
        for (int first = 0; first < outWidth; first += kViewRun) {
            CrViewRun run;
            bool valid[kViewRun];
            crLayoutRun(view, layout, r, first, run, valid);
            crViewRunToCamera(s, run);
            const int count = std::min(kViewRun, outWidth - first);
            for (int i = 0; i < count; ++i) {
                const float x = run.u[i], y = run.v[i];
                const bool inside = valid[i] && x >= 0.0f && x < width && y >= 0.0f && y < height;
                row[2 * static_cast<size_t>(first + i)] = inside ? x : -1.0f;
                row[2 * static_cast<size_t>(first + i) + 1] = inside ? y : -1.0f;
            }
        }
    }
}
