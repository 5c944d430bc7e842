// Top-view zone rectangles for a device that composes the view itself, and
// the vehicle rectangle in view pixels.
#include <algorithm>

#include "device/device.h"
#include "engines/topview_frame.h"

namespace {

struct ZoneRect {
    int x;
    int y;
    int width;
    int height;
};

constexpr int kZoneCount = 9;  // eight camera zones around the vehicle, then the vehicle

// Every value is kept to 16 bits, then halved for the device's
// half-resolution units.
void crStoreZoneBlock(const ZoneRect (&zones)[kZoneCount], uint16_t* out, int* len) {
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    for (const ZoneRect& z : zones) {
        for (int v : {z.x, z.y, z.width, z.height}) {
            crStoreLe16(bytes, (static_cast<uint32_t>(v) & 0xFFFFu) >> 1);
            bytes += 2;
        }
    }
    if (len) *len = kZoneCount * 8;
}

// Every edge clamped into the view; a negative view size counts as 0 here.
CarRect crClampToView(const CarRect& r, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    return {std::clamp(r.left, 0, width), std::clamp(r.top, 0, height), std::clamp(r.right, 0, width),
            std::clamp(r.bottom, 0, height)};
}

int crCarWidthPx(const MultiviewParam* p) { return crCarPixels<float>(p->carWidth, p->scale); }
int crCarLengthPx(const MultiviewParam* p) { return crCarPixels<float>(p->carLength, p->scale); }

}  // namespace

extern "C" CR_API void crMakeTopviewParam(const MultiviewParam* p, uint16_t* out, int* len) {
    const int w = p->viewWidth, h = p->viewHeight;
    const CarRect car =
        crClampToView(crCarRect(p->viewCenterX, p->viewCenterY, crCarWidthPx(p), crCarLengthPx(p)), w, h);
    const int l = car.left, t = car.top, r = car.right, b = car.bottom;
    const ZoneRect zones[kZoneCount] = {
        {l, 0, r - l, t},      // front band
        {0, 0, l, t},          // front-left corner
        {0, t, l, b - t},      // left strip
        {0, b, l, h - b},      // rear-left corner
        {l, b, r - l, h - b},  // rear band
        {r, b, w - r, h - b},  // rear-right corner
        {r, t, w - r, b - t},  // right strip
        {r, 0, w - r, t},      // front-right corner
        {l, t, r - l, b - t},  // vehicle
    };
    crStoreZoneBlock(zones, out, len);
}

// The view turned by 90 degrees: the vehicle's length runs along the columns.
extern "C" CR_API void crMakeFullTopviewParam(const MultiviewParam* p, uint16_t* out, int* len) {
    const int w = p->viewWidth, h = p->viewHeight;
    const int carWidth = crCarWidthPx(p), carLength = crCarLengthPx(p);
    const int x0 = crCarEdge(p->viewCenterX, carLength);
    // NOLINTNEXTLINE(bugprone-integer-division): the half width is a whole number of pixels
    const int y1 = crAlignedRound(static_cast<float>(carWidth / 2) + p->viewCenterY);
    const CarRect car =
        crClampToView({x0, crSaturatedInt(int64_t{y1} - carWidth), crSaturatedInt(int64_t{x0} + carLength), y1}, w, h);
    const int l = car.left, t = car.top, r = car.right, b = car.bottom;
    const ZoneRect zones[kZoneCount] = {
        {0, t, l, b - t},      // front band, left of the vehicle
        {0, b, l, h - b},      // front-left corner
        {l, b, r - l, h - b},  // left strip, below the vehicle
        {r, b, w - r, h - b},  // rear-left corner
        {r, t, w - r, b - t},  // rear band, right of the vehicle
        {r, 0, w - r, t},      // rear-right corner
        {l, 0, r - l, t},      // right strip, above the vehicle
        {0, 0, l, t},          // front-right corner
        {l, t, r - l, b - t},  // vehicle
    };
    crStoreZoneBlock(zones, out, len);
}

// The rectangle as the top-view engine paints it, in its (possibly turned)
// frame.
extern "C" CR_API void crGetMaskCarPos(const MultiviewParam* p, int* top, int* left, int* right, int* bottom) {
    const TopviewFrame frame = crTopviewFrame(p);
    const CarRect car = crClipCarRect(crCarRect(frame.centerX, frame.centerY, crCarWidthPx(p), crCarLengthPx(p)),
                                      frame.width, frame.height);
    *top = car.top;
    *left = car.left;
    *right = car.right;
    *bottom = car.bottom;
}
