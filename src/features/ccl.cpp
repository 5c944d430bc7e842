// Connected-component labelling of the dark (0) pixels of a binary picture
// by contour tracing, in one raster scan. The first pixel met of each
// component starts a walk around its outer contour, and the first background
// pixel met after a run of the component, when no walk has seen it yet,
// starts a walk around that hole. Walks label the contour and mark every
// background pixel they inspect -1, which is what keeps a contour from being
// walked twice; runs between contours take the label of their first pixel.
// Each pixel is read a bounded number of times, and nothing recurses, so a
// picture-sized component or a long spiral costs no stack.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "camrig.h"

namespace {

constexpr unsigned char kBackground = 255;

// Neighbour steps numbered clockwise from east, rows growing downward.
constexpr int kRowStep[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int kColStep[8] = {1, 1, 0, -1, -1, -1, 0, 1};

// Walks start eastward around a component and south-eastward around a hole,
// so that the first step never looks back at pixels the scan has passed.
constexpr int kOuterStart = 0;
constexpr int kInnerStart = 1;

// What a contour walk reads and writes. The copy has a background frame, so
// a walk never leaves the picture.
struct CrTracer {
    const unsigned char* pixels;  // private copy, `width` bytes a row
    ptrdiff_t pixelStep[8];       // kRowStep / kColStep as offsets into the copy
    int32_t** labels;
    int32_t** contours;  // may be null
};

// First column in [x, end) whose byte is 0 (Zero) or not 0; end or beyond
// when there is none.
template <bool Zero> inline int crFindByte(const unsigned char* row, int x, int end) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; x + 16 <= end; x += 16) {
        const unsigned zeros = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x)), zero)));
        const unsigned hits = Zero ? zeros : ~zeros & 0xFFFFu;
        if (hits) return x + __builtin_ctz(hits);
    }
#endif
    while (x < end && (row[x] == 0) != Zero) ++x;
    return x;
}

// Moves from (y, x) to the first neighbour that is not background, trying
// directions d, d + 1, ..., d + 6; the background ones tried on the way are
// marked -1. Keeps d at the direction moved in. Returns false, position
// unchanged, when all seven are background.
inline bool crStep(const CrTracer& t, const unsigned char*& p, int& y, int& x, int& d) {
    for (int tries = 0; tries < 7; ++tries) {
        const unsigned char* q = p + t.pixelStep[d];
        const int ny = y + kRowStep[d], nx = x + kColStep[d];
        if (*q != kBackground) {
            p = q;
            y = ny;
            x = nx;
            return true;
        }
        t.labels[ny][nx] = -1;
        d = (d + 1) & 7;
    }
    return false;
}

// Walks once around the contour through (sy, sx), labelling it `label`. The
// walk has closed when it leaves the start point for the second point again.
template <bool kWithContours>
void crWalkContour(const CrTracer& t, const unsigned char* start, int sy, int sx, int d, int32_t label) {
    const unsigned char* p = start;
    int y = sy, x = sx;
    crStep(t, p, y, x, d);
    if (kWithContours) t.contours[y][x] = label;
    if (p == start) return;  // a single pixel
    const unsigned char* second = p;
    bool atStart = false;
    for (;;) {
        d = (d + 6) & 7;  // search from the side facing away from the component
        t.labels[y][x] = label;
        crStep(t, p, y, x, d);  // cannot fail: the point we came from is tried last
        if (kWithContours) t.contours[y][x] = label;
        if (p == start) {
            atStart = true;
        } else {
            if (atStart && p == second) return;
            atStart = false;
        }
    }
}

template <bool kWithContours> int crLabelRuns(const CrTracer& t, int width, int height) {
    int32_t count = 0;
    const int end = width - 1;  // the frame column
    for (int y = 1; y < height - 1; ++y) {
        const unsigned char* row = t.pixels + static_cast<size_t>(y) * width;
        int32_t* label = t.labels[y];
        for (int x = crFindByte<true>(row, 1, end); x < end; x = crFindByte<true>(row, x, end)) {
            int32_t cur = label[x];
            if (cur == 0) {  // a component met for the first time
                cur = ++count;
                crWalkContour<kWithContours>(t, row + x, y, x, kOuterStart, cur);
                label[x] = cur;
            }
            const int stop = crFindByte<false>(row, x + 1, end);
            std::fill(label + x + 1, label + stop, cur);
            // A background pixel after the run that no walk has inspected lies
            // in a hole not walked yet: the outer walk marks the outside.
            if (stop < end && label[stop] == 0)
                crWalkContour<kWithContours>(t, row + stop - 1, y, stop - 1, kInnerStart, cur);
            x = stop + 1;
        }
    }
    return count;
}

int crReport(int* count, int n) {
    if (count) *count = n;
    return n;
}

}  // namespace

// Outputs are written only when there is a picture to label: with no input,
// no label image, a width or height below 1, or a picture over 2 GiB, nothing
// but *count is written. Otherwise the label (and contour) images are cleared
// first, so that a picture too thin to hold a component, or a failed
// allocation of the working copy, leaves them reading as no component.
extern "C" CR_API int crCCL(int width, int height, unsigned char** input, int32_t** labels, int32_t** contours,
                            int* count) {
    if (!input || !labels || width < 1 || height < 1) return crReport(count, 0);
    const uint64_t area = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (area > (uint64_t{1} << 31)) return crReport(count, 0);

    const size_t w = static_cast<size_t>(width);
    for (int y = 0; y < height; ++y) {
        std::memset(labels[y], 0, w * sizeof(int32_t));
        if (contours) std::memset(contours[y], 0, w * sizeof(int32_t));
    }
    if (width < 3 || height < 3) return crReport(count, 0);

    // The walks look one pixel beyond the contour: a frame of background
    // keeps them inside the picture, so a 0 on the picture's edge is not
    // part of any component.
    unsigned char* copy = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(area)));
    if (!copy) return crReport(count, 0);
    std::memset(copy, kBackground, w);
    for (int y = 1; y < height - 1; ++y) {
        unsigned char* row = copy + static_cast<size_t>(y) * w;
        std::memcpy(row, input[y], w);
        row[0] = row[w - 1] = kBackground;
    }
    std::memset(copy + static_cast<size_t>(height - 1) * w, kBackground, w);

    CrTracer t{copy, {}, labels, contours};
    for (int d = 0; d < 8; ++d) t.pixelStep[d] = static_cast<ptrdiff_t>(kRowStep[d]) * width + kColStep[d];
    const int n = contours ? crLabelRuns<true>(t, width, height) : crLabelRuns<false>(t, width, height);
    std::free(copy);
    return crReport(count, n);
}
