// View LUT binaries back into source positions, and their colour map.
#include <algorithm>
#include <cstdint>

#include "camrig_toolkit/decode.h"
#include "camrig_toolkit/rig.h"

namespace camrig {

namespace {

// Where output pixel (c, r) sits in a table stored field by field.
size_t crFieldIndex(int c, int r, int width, int height) {
    const size_t evenRows = size_t(height + 1) / 2;
    return ((r & 1) ? evenRows * size_t(width) : 0) + size_t(r / 2) * size_t(width) + size_t(c);
}

struct crRawEntry {
    uint16_t x, y;
    bool marker() const { return x == 0xFFFF && y == 0xFFFF; }
};

crRawEntry crEntryAt(const unsigned char* bytes, size_t index) {
    const unsigned char* e = bytes + 4 * index;
    return {uint16_t(e[0] | e[1] << 8), uint16_t(e[2] | e[3] << 8)};
}

// Whole-pixel tables have no bits below the 10.6 point; any fraction means
// the finer mode.
int crModeOf(const unsigned char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const crRawEntry e = crEntryAt(bytes, i);
        if (!e.marker() && ((e.x | e.y) & 63) != 0) return 1;
    }
    return 0;
}

// The camera row of a field row yf. Mode 1 keeps each field's own rows: the
// odd field's row k is camera row 2k + 1, and a row above its first line
// (camera rows 0 to 1) was stored as y / 2 - 1.
float crCameraRow(float yf, int mode, bool oddRow) {
    if (mode == 0 || !oddRow) return 2.0f * yf;
    return yf < 0.0f && yf >= -1.0f ? 2.0f * yf + 2.0f : 2.0f * yf + 1.0f;
}

}  // namespace

LutEntries decodeLut(const unsigned char* bytes, size_t length, int width, int height, bool half) {
    const char* field = half ? "lut-half" : "lut";
    if (width < 1 || height < 1)
        throw RigError(
            "", 0, field,
            "view size " + std::to_string(width) + " x " + std::to_string(height) + " must be at least 1 x 1");
    const uint64_t count = uint64_t(width) * uint64_t(height);
    if (length % 4 != 0 || length / 4 != count)
        throw RigError("", 0, field,
                       "length " + std::to_string(length) + " bytes, not 4 x " + std::to_string(width) + " x " +
                           std::to_string(height));
    LutEntries lut;
    lut.width = width, lut.height = height;
    lut.mode = crModeOf(bytes, count);
    lut.source.resize(count);
    lut.valid.resize(count);
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            const size_t at = size_t(r) * size_t(width) + size_t(c);
            const crRawEntry e = crEntryAt(bytes, crFieldIndex(c, r, width, height));
            if (e.marker()) {
                lut.source[at] = {-1.0f, -1.0f};
                continue;
            }
            const float x = half ? 2.0f * float(int16_t(e.x)) / 64.0f : float(e.x) / 64.0f;
            const float y = crCameraRow(float(int16_t(e.y)) / 64.0f, lut.mode, (r & 1) != 0);
            lut.source[at] = {x, y};
            lut.valid[at] = x >= 0.0f && y >= 0.0f;
        }
    }
    return lut;
}

Picture lutPicture(const LutEntries& lut, int sourceWidth, int sourceHeight) {
    if (sourceWidth < 1 || sourceHeight < 1)
        throw RigError("", 0, "source size",
                       std::to_string(sourceWidth) + " x " + std::to_string(sourceHeight) + " must be at least 1 x 1");
    const size_t count = size_t(std::max(lut.width, 0)) * size_t(std::max(lut.height, 0));
    if (lut.source.size() != count || lut.valid.size() != count)
        throw RigError("", 0, "lut", "entries do not match the view size");
    Picture picture(lut.width, lut.height);
    const float sx = 255.0f / float(std::max(sourceWidth - 1, 1));
    const float sy = 255.0f / float(std::max(sourceHeight - 1, 1));
    for (int r = 0; r < lut.height; ++r) {
        unsigned char* px = picture.row(r);
        for (int c = 0; c < lut.width; ++c, px += 3) {
            const size_t at = size_t(r) * size_t(lut.width) + size_t(c);
            const Point2f s = lut.source[at];
            // A source off the frame serves the view no better than none.
            if (!lut.valid[at] || !(s.x < float(sourceWidth)) || !(s.y < float(sourceHeight))) {
                px[0] = 255, px[1] = 0, px[2] = 255;
                continue;
            }
            px[0] = 0;
            px[1] = static_cast<unsigned char>(std::min(s.y * sy + 0.5f, 255.0f));
            px[2] = static_cast<unsigned char>(std::min(s.x * sx + 0.5f, 255.0f));
        }
    }
    return picture;
}

}  // namespace camrig
