// View LUT binaries: 10.6 fixed-point source coordinates, one 4-byte entry per
// output pixel, stored field by field for interlaced camera video.
#include <cmath>

#include "device/device.h"

namespace {

// The 16-bit fixed-point value of a whole pixel: a 6-bit left shift.
uint32_t crWholeToFixed(int v) { return static_cast<uint32_t>(v) << 6; }

// Position of source row y within the camera field that an output row of the
// given parity reads. Both forms give y / 2 (even field) or (y - 1) / 2 (odd field) for rows
// inside the field; rows above the odd field's first line go negative. The
// truncated row stays a float, which holds it exactly, so that any y is defined.
float crFieldRow(float y, bool oddRow) {
    const float ty = std::trunc(y);
    const float half = std::trunc(ty * 0.5f);
    const bool tyOdd = half * 2.0f != ty;
    if (!oddRow) return half + (y - (tyOdd ? ty - 1.0f : ty)) * 0.5f;
    if (tyOdd) return half + (y - ty) * 0.5f;
    if (ty == 0.0f) return -1.0f + y * 0.5f;
    return (half - 1.0f) + (y - (ty - 1.0f)) * 0.5f;
}

uint32_t crEncodeSource(float x, float y, bool oddRow, int mode) {
    if (mode == 0)
        return crPackPair16(crWholeToFixed(crRoundHalfAwayToInt(x)), crWholeToFixed(crRoundHalfAwayToInt(y * 0.5f)));
    return crPackPair16(static_cast<uint32_t>(crRoundHalfAwayToInt(64.0f * x)),
                        static_cast<uint32_t>(crRoundHalfAwayToInt(64.0f * crFieldRow(y, oddRow))));
}

// The two writers differ only in halving x and in their no-source test: the
// half format marks any entry whose halved column is -1 or less and whose row
// is negative, so a plain (-1, -1) entry (x / 2 = -0.5) is encoded, not marked.
void crWriteViewTable(int width, int height, const float* lut, unsigned char* out, int* outLen, int mode, bool half) {
    const int bytes = crTableBytes(width, height, 4);
    if (outLen) *outLen = bytes;
    if (bytes == 0) return;
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            const float* entry = lut + 2 * (static_cast<long>(r) * width + c);
            const float x = half ? entry[0] / 2.0f : entry[0];
            const float y = entry[1];
            const int tx = crTruncateToInt(x);
            const bool noSource = half ? tx < 0 && y < 0.0f : tx == -1 && y == -1.0f;
            const uint32_t value = noSource ? kCrNoSource : crEncodeSource(x, y, r % 2 != 0, mode);
            crStoreLe32(out + 4 * static_cast<long>(crFieldIndex(r, c, width, height)), value);
        }
    }
}

}  // namespace

extern "C" CR_API void crMakeBinView(int width, int height, const float* lut, unsigned char* out, int* outLen,
                                     int mode) {
    crWriteViewTable(width, height, lut, out, outLen, mode, false);
}

extern "C" CR_API void crMakeBinViewHalf(int width, int height, const float* lut, unsigned char* out, int* outLen,
                                         int mode) {
    crWriteViewTable(width, height, lut, out, outLen, mode, true);
}
