// Mask binaries and the top view's zone block back into zones, weights and
// colours, and pictures of them in one colour per camera.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "camrig_toolkit/decode.h"
#include "camrig_toolkit/rig.h"

namespace camrig {

namespace {

// Larger masks cannot be pictured (Picture's bound) and are refused.
constexpr uint64_t kMaxPixels = uint64_t{1} << 26;

// Camera colours (0x00BBGGRR) in zone order: front, left, rear, right.
constexpr std::array<uint32_t, 4> kCameraColours = {0x004040E0, 0x0040C040, 0x00E06040, 0x0040D0E0};
constexpr uint32_t kVehicleColour = 0x00808080;

size_t crFieldIndex(int c, int r, int width, int height) {
    const size_t evenRows = size_t(height + 1) / 2;
    return ((r & 1) ? evenRows * size_t(width) : 0) + size_t(r / 2) * size_t(width) + size_t(c);
}

uint32_t crMix(uint32_t a, uint32_t b, int bShare256) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int ca = int(a >> shift & 0xFF), cb = int(b >> shift & 0xFF);
        out |= uint32_t((ca * (256 - bShare256) + cb * bShare256) / 256) << shift;
    }
    return out;
}

// A pair zone z lies between cameras z / 2 and (z + 1) / 2 (mod 4); the
// weight is the side camera's share.
uint32_t crZoneColour(int zone, int weight) {
    if (zone % 2 == 0) return kCameraColours[size_t(zone / 2)];
    const size_t a = size_t(zone / 2), b = size_t((zone + 1) / 2 % 4);
    const size_t side = a % 2 == 1 ? a : b, along = a % 2 == 1 ? b : a;
    return crMix(kCameraColours[along], kCameraColours[side], weight);
}

uint32_t crRgb(int r, int g, int b) { return uint32_t(b) << 16 | uint32_t(g) << 8 | uint32_t(r); }

unsigned char crNibble(uint32_t v) { return static_cast<unsigned char>((v & 0xF0) | (v & 0xF0) >> 4); }

int crClampByte(float v) { return int(std::lround(std::clamp(v, 0.0f, 255.0f))); }

// Studio-range luma and chroma back into a colour; the entries keep the top
// six bits of each, so the middle of the dropped range is taken.
uint32_t crFromYcc(int y, int cb, int cr) {
    const float l = 1.164f * (float(y) + 1.5f - 16.0f);
    const float u = float(cb) + 1.5f - 128.0f, v = float(cr) + 1.5f - 128.0f;
    return crRgb(crClampByte(l + 1.596f * v), crClampByte(l - 0.392f * u - 0.813f * v), crClampByte(l + 2.017f * u));
}

struct crMaskReader {
    MaskEntries& mask;
    void code(size_t at, uint32_t value) {
        const int zone = int(value & 7);
        mask.zone[at] = static_cast<signed char>(zone);
        mask.weight[at] = static_cast<unsigned char>(zone % 2 == 1 ? value >> 8 & 0xFF : 0);
    }
    void colour(size_t at, uint32_t bgr) {
        mask.zone[at] = -1;
        mask.colour[at] = bgr;
    }
};

std::vector<uint32_t> crFieldEntries(const unsigned char* bytes, int width, int height, int size) {
    std::vector<uint32_t> values(size_t(width) * size_t(height));
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const unsigned char* e = bytes + size_t(size) * crFieldIndex(c, r, width, height);
            uint32_t v = 0;
            for (int i = size - 1; i >= 0; --i) v = v << 8 | e[i];
            values[size_t(r) * size_t(width) + size_t(c)] = v;
        }
    return values;
}

void crReadRgb(const std::vector<uint32_t>& values, bool wide, crMaskReader out) {
    for (size_t i = 0; i < values.size(); ++i) {
        const uint32_t v = values[i];
        if ((v & 8) == 0)
            out.code(i, v);
        else if (wide)
            out.colour(i, crRgb(int(v >> 24), int(v >> 16 & 0xFF), int(v >> 8 & 0xFF)));
        else
            out.colour(i, crRgb(crNibble(v >> 8), crNibble(v >> 4), crNibble(v)));
    }
}

// A pair of columns shares its chroma: Cb in the even entry, Cr in the odd.
void crReadYcbcr(const std::vector<uint32_t>& values, int width, crMaskReader out) {
    const auto chroma = [&](size_t i, bool inRow) {
        return inRow && (values[i] & 8) ? int(values[i] >> 8 & 0xFC) : 128;
    };
    for (size_t i = 0; i < values.size(); ++i) {
        const uint32_t v = values[i];
        if ((v & 8) == 0) {
            out.code(i, v);
            continue;
        }
        const int c = int(i % size_t(width));
        const int own = int(v >> 8 & 0xFC), luma = int(v >> 2 & 0xFC);
        const int cb = c % 2 == 0 ? own : chroma(i - 1, true);
        const int cr = c % 2 == 1 ? own : chroma(i + 1, c + 1 < width);
        out.colour(i, crFromYcc(luma, cb, cr));
    }
}

// The blend map itself: (b0, b1) each 0 or 255 is a camera code.
void crReadMap(const unsigned char* bytes, int width, int height, crMaskReader out) {
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const unsigned char* p = bytes + size_t(r) * stride + 3 * size_t(c);
            const size_t at = size_t(r) * size_t(width) + size_t(c);
            const bool code = (p[0] == 0 || p[0] == 255) && (p[1] == 0 || p[1] == 255);
            if (!code) {
                out.colour(at, crRgb(p[2], p[1], p[0]));
                continue;
            }
            static const int kZoneOf[2][2] = {{0, 6}, {2, 4}};  // by b0, b1 set
            const int zone = kZoneOf[p[0] == 255][p[1] == 255] + (p[2] != 0);
            out.code(at, uint32_t(p[2]) << 8 | uint32_t(zone));
        }
}

uint32_t crPaletteColour(int index) {
    static const int kLevels[6] = {255, 204, 153, 102, 51, 0};
    static const int kRamp[10] = {238, 221, 187, 170, 136, 119, 85, 68, 34, 17};
    if (index < 215) return crRgb(kLevels[index / 36], kLevels[index / 6 % 6], kLevels[index % 6]);
    if (index == 255) return 0;
    const int v = kRamp[(index - 215) % 10], ramp = (index - 215) / 10;
    return crRgb(ramp == 0 || ramp == 3 ? v : 0, ramp == 1 || ramp == 3 ? v : 0, ramp == 2 || ramp == 3 ? v : 0);
}

uint64_t crRunPixels(const unsigned char* bytes, size_t length) {
    uint64_t total = 0;
    for (size_t i = 1; i < length; i += 2) total += uint64_t(bytes[i]) + 1;
    return total;
}

void crReadRuns(const unsigned char* bytes, size_t length, crMaskReader out) {
    size_t at = 0;
    for (size_t i = 0; i + 1 < length; i += 2)
        for (int n = 0; n <= bytes[i + 1]; ++n) out.colour(at++, crPaletteColour(bytes[i]));
}

[[noreturn]] void crLengthError(BinaryKind format, size_t length, const std::string& wanted) {
    throw RigError("", 0, binaryKindName(format), "length " + std::to_string(length) + " bytes, not " + wanted);
}

void crCheckMaskLength(BinaryKind format, size_t length, int width, int height, const unsigned char* bytes) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    const uint64_t count = uint64_t(width) * uint64_t(height);
    switch (format) {
    case BinaryKind::maskRgb16:
    case BinaryKind::maskYcbcr:
        if (length % 2 != 0 || length / 2 != count) crLengthError(format, length, "2 x " + size);
        return;
    case BinaryKind::maskRgb32:
        if (length % 4 != 0 || length / 4 != count) crLengthError(format, length, "4 x " + size);
        return;
    case BinaryKind::maskRgb24:
        if (length != ((uint64_t(width) * 3 + 3) & ~uint64_t(3)) * uint64_t(height))
            crLengthError(format, length, "a " + size + " map with rows padded to 4 bytes");
        return;
    case BinaryKind::maskPalette:
        if (length % 2 != 0) crLengthError(format, length, "an even number (pairs of index and repeats)");
        if (crRunPixels(bytes, length) != count)
            throw RigError("", 0, binaryKindName(format),
                           "the runs cover " + std::to_string(crRunPixels(bytes, length)) + " pixels, not " + size);
        return;
    default: throw RigError("", 0, binaryKindName(format), "not a mask format");
    }
}

}  // namespace

MaskEntries decodeMask(const unsigned char* bytes, size_t length, int width, int height, BinaryKind format) {
    if (width < 1 || height < 1 || uint64_t(width) * uint64_t(height) > kMaxPixels)
        throw RigError("", 0, binaryKindName(format),
                       "view size " + std::to_string(width) + " x " + std::to_string(height) + " out of range (1 to " +
                           std::to_string(kMaxPixels) + " pixels)");
    crCheckMaskLength(format, length, width, height, bytes);
    MaskEntries mask;
    mask.width = width, mask.height = height;
    const size_t count = size_t(width) * size_t(height);
    mask.zone.assign(count, 0);
    mask.weight.assign(count, 0);
    mask.colour.assign(count, 0);
    const crMaskReader out{mask};
    switch (format) {
    case BinaryKind::maskRgb16: crReadRgb(crFieldEntries(bytes, width, height, 2), false, out); break;
    case BinaryKind::maskRgb32: crReadRgb(crFieldEntries(bytes, width, height, 4), true, out); break;
    case BinaryKind::maskYcbcr: crReadYcbcr(crFieldEntries(bytes, width, height, 2), width, out); break;
    case BinaryKind::maskRgb24: crReadMap(bytes, width, height, out); break;
    default: crReadRuns(bytes, length, out); break;
    }
    return mask;
}

Picture maskPicture(const MaskEntries& mask) {
    const size_t count = size_t(std::max(mask.width, 0)) * size_t(std::max(mask.height, 0));
    if (mask.zone.size() != count || mask.weight.size() != count || mask.colour.size() != count)
        throw RigError("", 0, "mask", "entries do not match the view size");
    Picture picture(mask.width, mask.height);
    for (int r = 0; r < mask.height; ++r) {
        unsigned char* px = picture.row(r);
        for (int c = 0; c < mask.width; ++c, px += 3) {
            const size_t at = size_t(r) * size_t(mask.width) + size_t(c);
            // NOLINTNEXTLINE(bugprone-signed-char-misuse): zones are small signed numbers, -1 for a colour
            const int zone = mask.zone[at];
            const uint32_t bgr = zone >= 0 && zone < 8 ? crZoneColour(zone, mask.weight[at]) : mask.colour[at];
            px[0] = static_cast<unsigned char>(bgr >> 16), px[1] = static_cast<unsigned char>(bgr >> 8),
            px[2] = static_cast<unsigned char>(bgr);
        }
    }
    return picture;
}

std::vector<ZoneRect> decodeZones(const unsigned char* bytes, size_t length) {
    if (length != 72) throw RigError("", 0, "zones", "length " + std::to_string(length) + " bytes, not 72");
    std::vector<ZoneRect> zones(9);
    const auto value = [&](size_t i) { return 2 * int(bytes[2 * i] | bytes[2 * i + 1] << 8); };
    for (size_t k = 0; k < 9; ++k) zones[k] = {value(4 * k), value(4 * k + 1), value(4 * k + 2), value(4 * k + 3)};
    return zones;
}

Picture zonesPicture(const std::vector<ZoneRect>& zones, int width, int height) {
    Picture picture(width, height);
    const auto paint = [&](int x, int y, uint32_t bgr) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        unsigned char* px = picture.row(y) + 3 * size_t(x);
        px[0] = static_cast<unsigned char>(bgr >> 16), px[1] = static_cast<unsigned char>(bgr >> 8),
        px[2] = static_cast<unsigned char>(bgr);
    };
    for (size_t k = 0; k < zones.size(); ++k) {
        const ZoneRect z = zones[k];
        const uint32_t bgr = k < 8 ? crZoneColour(int(k), 128) : kVehicleColour;
        const uint32_t dim = crMix(0, bgr, 64);
        const int x0 = std::max(z.x, 0), y0 = std::max(z.y, 0);
        const int x1 = int(std::min<int64_t>(int64_t(z.x) + z.width, width));
        const int y1 = int(std::min<int64_t>(int64_t(z.y) + z.height, height));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const bool edge = x == z.x || y == z.y || x == x1 - 1 || y == y1 - 1;
                paint(x, y, edge ? bgr : dim);
            }
    }
    return picture;
}

}  // namespace camrig
