// Target-binary kinds by name and by file name, and short text summaries of
// decoded binaries.
#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <utility>

#include "camrig_toolkit/decode.h"
#include "camrig_toolkit/rig.h"
#include "ends_with.h"

namespace camrig {

namespace {

constexpr std::array<std::pair<BinaryKind, const char*>, 9> kKindNames = {{
    {BinaryKind::lut, "lut"},
    {BinaryKind::lutHalf, "lut-half"},
    {BinaryKind::maskRgb16, "mask-rgb16"},
    {BinaryKind::maskRgb32, "mask-rgb32"},
    {BinaryKind::maskYcbcr, "mask-ycbcr"},
    {BinaryKind::maskRgb24, "mask-rgb24"},
    {BinaryKind::points, "points"},
    {BinaryKind::zones, "zones"},
    {BinaryKind::maskPalette, "mask-palette"},
}};

constexpr std::array<const char*, 9> kZoneNames = {"front",      "front-left", "left",        "rear-left", "rear",
                                                   "rear-right", "right",      "front-right", "vehicle"};

std::string crNumber(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", double(v));
    return text;
}

// Smallest and largest of a set of values, "none" when empty.
struct crRange {
    float low = std::numeric_limits<float>::max(), high = std::numeric_limits<float>::lowest();
    void add(float v) { low = std::min(low, v), high = std::max(high, v); }
    std::string text() const { return low > high ? "none" : crNumber(low) + " .. " + crNumber(high); }
};

std::string crHeading(BinaryKind kind, int width, int height) {
    return std::string(binaryKindName(kind)) + ", " + std::to_string(width) + " x " + std::to_string(height) + "\n";
}

std::string crLutSummary(BinaryKind kind, const unsigned char* bytes, size_t length, int width, int height,
                         int sourceWidth, int sourceHeight) {
    const LutEntries lut = decodeLut(bytes, length, width, height, kind == BinaryKind::lutHalf);
    const bool known = sourceWidth > 0 && sourceHeight > 0;
    crRange x, y;
    size_t with = 0, outside = 0;
    for (size_t i = 0; i < lut.source.size(); ++i) {
        if (!lut.valid[i]) continue;
        const Point2f s = lut.source[i];
        ++with, x.add(s.x), y.add(s.y);
        // At or past the frame's far edge, as lutPicture marks it.
        if (known && !(s.x < float(sourceWidth) && s.y < float(sourceHeight))) ++outside;
    }
    const std::string counts = known ? "pixels with source inside the frame " + std::to_string(with - outside) +
                                           ", outside " + std::to_string(outside) + ", without "
                                     : "pixels with source " + std::to_string(with) + ", without ";
    return crHeading(kind, width, height) +
           (lut.mode == 1 ? "mode 1: 1/64 pixel, rows per field\n" : "mode 0: whole pixels\n") + counts +
           std::to_string(lut.source.size() - with) + "\nsource x " + x.text() + ", y " + y.text() + "\n";
}

std::string crMaskSummary(BinaryKind kind, const unsigned char* bytes, size_t length, int width, int height) {
    const MaskEntries mask = decodeMask(bytes, length, width, height, kind);
    std::array<size_t, 8> perZone{};
    size_t colours = 0;
    crRange weight;
    for (size_t i = 0; i < mask.zone.size(); ++i) {
        // NOLINTNEXTLINE(bugprone-signed-char-misuse): zones are small signed numbers, -1 for a colour
        const int zone = mask.zone[i];
        if (zone < 0) {
            ++colours;
            continue;
        }
        ++perZone[size_t(zone)];
        if (zone % 2 == 1) weight.add(mask.weight[i]);
    }
    std::string text = crHeading(kind, width, height);
    for (size_t z = 0; z < perZone.size(); ++z)
        if (perZone[z] > 0)
            text += "zone " + std::to_string(z) + " " + kZoneNames[z] + ": " + std::to_string(perZone[z]) + "\n";
    return text + "colour pixels " + std::to_string(colours) + "\npair weights " + weight.text() + "\n";
}

std::string crPointsSummary(const unsigned char* bytes, size_t length) {
    const std::vector<Point2f> points = decodePoints(bytes, length);
    crRange x, y;
    size_t markers = 0;
    for (const Point2f& p : points) {
        if (p.x == -1.0f && p.y == -1.0f) {
            ++markers;
            continue;
        }
        x.add(p.x), y.add(p.y);
    }
    return std::string("points: ") + std::to_string(points.size() - markers) + ", no-point markers " +
           std::to_string(markers) + "\nx " + x.text() + ", y " + y.text() + "\n";
}

std::string crZonesSummary(const unsigned char* bytes, size_t length) {
    std::string text = "zones (x, y, width, height in view pixels)\n";
    const std::vector<ZoneRect> zones = decodeZones(bytes, length);
    for (size_t k = 0; k < zones.size(); ++k) {
        const ZoneRect& z = zones[k];
        text += std::string(kZoneNames[k]) + ": " + std::to_string(z.x) + ", " + std::to_string(z.y) + ", " +
                std::to_string(z.width) + ", " + std::to_string(z.height) + "\n";
    }
    return text;
}

}  // namespace

const char* binaryKindName(BinaryKind kind) {
    for (const auto& [k, name] : kKindNames)
        if (k == kind) return name;
    return "unknown";
}

BinaryKind parseBinaryKind(const std::string& name) {
    std::string known;
    for (const auto& [kind, text] : kKindNames) {
        if (name == text) return kind;
        known += known.empty() ? text : std::string(", ") + text;
    }
    throw RigError("", 0, "kind", "\"" + name + "\" is none of " + known);
}

bool binaryKindFromName(const std::string& path, BinaryKind* kind) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    static const std::array<std::pair<const char*, BinaryKind>, 9> kSuffixes = {{
        {"_zones.bin", BinaryKind::zones},
        {"_points_image.bin", BinaryKind::points},
        {"_points_ground.bin", BinaryKind::points},
        {"_mask_rgb16.bin", BinaryKind::maskRgb16},
        {"_mask_rgb32.bin", BinaryKind::maskRgb32},
        {"_mask_ycbcr.bin", BinaryKind::maskYcbcr},
        {"_mask_rgb24.bin", BinaryKind::maskRgb24},
        {"_mask.bin", BinaryKind::maskPalette},
        {"_lut.bin", BinaryKind::lut},
    }};
    for (const auto& [suffix, k] : kSuffixes)
        if (endsWith(name, suffix)) return *kind = k, true;
    // <view>_lut_<camera>.bin, the camera a name without underscores.
    const size_t lut = name.rfind("_lut_");
    if (lut == std::string::npos || !endsWith(name, ".bin")) return false;
    const std::string camera = name.substr(lut + 5, name.size() - lut - 9);
    if (camera.empty() || camera.find('_') != std::string::npos) return false;
    *kind = BinaryKind::lut;
    return true;
}

std::string summarise(BinaryKind kind, const unsigned char* bytes, size_t length, int width, int height,
                      int sourceWidth, int sourceHeight) {
    switch (kind) {
    case BinaryKind::lut:
    case BinaryKind::lutHalf: return crLutSummary(kind, bytes, length, width, height, sourceWidth, sourceHeight);
    case BinaryKind::points: return crPointsSummary(bytes, length);
    case BinaryKind::zones: return crZonesSummary(bytes, length);
    default: return crMaskSummary(kind, bytes, length, width, height);
    }
}

}  // namespace camrig
