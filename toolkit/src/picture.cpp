// Picture files through stb: PNG, JPEG and BMP read, PNG and BMP written.
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>

#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"
#include "ends_with.h"

namespace camrig {

namespace {

// Larger pictures are refused before anything is allocated for them.
constexpr int kMaxSide = 16384;
constexpr uint64_t kMaxBytes = uint64_t{1} << 28;
// Pictures read are camera frames and photographs, no larger than the rig's
// images: the bound is checked from the header, before decoding.
constexpr int kMaxReadSide = 8192;
constexpr uint64_t kMaxReadPixels = uint64_t{1} << 24;
// The largest such picture as an uncompressed 32-bit BMP or PNG, and headers.
constexpr size_t kMaxReadFile = size_t{4} * kMaxReadPixels + kMaxReadPixels + 4096;

using Bytes = std::vector<unsigned char>;

bool crFitsBounds(int width, int height, int channels) {
    return width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide &&
           uint64_t(width) * uint64_t(height) * uint64_t(channels) <= kMaxBytes;
}

std::string crSizeText(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

uint32_t crLe(const Bytes& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

// stb fills a truncated BMP with zeros instead of failing: its pixel rows
// must all be in the file (stb reads no compressed BMP).
bool crBmpComplete(const Bytes& b) {
    if (b.size() < 26) return false;
    const uint32_t offset = crLe(b, 10, 4), header = crLe(b, 14, 4);
    int64_t width, height, bits;
    if (header == 12) {
        width = crLe(b, 18, 2), height = crLe(b, 20, 2), bits = crLe(b, 24, 2);
    } else {
        if (b.size() < 30) return false;
        width = int32_t(crLe(b, 18, 4)), height = int32_t(crLe(b, 22, 4)), bits = crLe(b, 28, 2);
    }
    if (width <= 0 || width > kMaxSide || height == 0 || std::abs(height) > kMaxSide) return false;
    const uint64_t row = uint64_t((width * bits + 31) / 32 * 4);
    return uint64_t(offset) + row * uint64_t(std::abs(height)) <= b.size();
}

const char* crFormatOf(const Bytes& b) {
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.size() >= 8 && std::equal(png, png + 8, b.begin())) return "PNG";
    if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return "JPEG";
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return "BMP";
    return nullptr;
}

Picture crDecode(const Bytes& bytes, const std::string& path) {
    // stb also takes TGA, GIF and others, and its TGA test passes on much
    // garbage: only the three formats' signatures are let through.
    const char* format = crFormatOf(bytes);
    if (!format) throw RigError(path, 0, "", "not a PNG, JPEG or BMP file");
    const std::string damaged = std::string("damaged or truncated ") + format + " file";
    const int length = static_cast<int>(std::min<size_t>(bytes.size(), INT32_MAX));
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), length, &width, &height, &channels)) throw RigError(path, 0, "", damaged);
    if (width < 1 || height < 1 || width > kMaxReadSide || height > kMaxReadSide ||
        uint64_t(width) * uint64_t(height) > kMaxReadPixels)
        throw RigError(path, 0, "",
                       "picture of " + crSizeText(width, height) + " pixels; at most " + std::to_string(kMaxReadSide) +
                           " a side and " + std::to_string(kMaxReadPixels) + " in all");
    if (format[0] == 'B' && !crBmpComplete(bytes)) throw RigError(path, 0, "", damaged);
    std::unique_ptr<unsigned char, void (*)(void*)> rgb(
        stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 3), stbi_image_free);
    if (!rgb) throw RigError(path, 0, "", damaged);
    Picture picture(width, height);
    const unsigned char* from = rgb.get();
    for (int r = 0; r < height; ++r) {
        unsigned char* to = picture.row(r);
        for (int c = 0; c < width; ++c, from += 3, to += 3) to[0] = from[2], to[1] = from[1], to[2] = from[0];
    }
    return picture;
}

void crAppend(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    const auto* bytes = static_cast<const unsigned char*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

Bytes crPackedRgb(const Picture& picture) {
    Bytes rgb = packedRows(picture);
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
    return rgb;
}

Bytes crEncode(const Picture& picture, const std::string& path) {
    std::string name = path;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool png = endsWith(name, ".png");
    if (!png && !endsWith(name, ".bmp")) throw RigError(path, 0, "", "pictures are written as .png or .bmp");
    if (picture.width < 1 || picture.height < 1 || !crFitsBounds(picture.width, picture.height, 4) ||
        picture.pixels.size() != size_t(crImageStride(3, picture.width)) * size_t(picture.height))
        throw RigError(path, 0, "", "no picture to write (" + crSizeText(picture.width, picture.height) + ")");
    const Bytes rgb = crPackedRgb(picture);
    Bytes file;
    const int ok =
        png ? stbi_write_png_to_func(crAppend, &file, picture.width, picture.height, 3, rgb.data(), 3 * picture.width)
            : stbi_write_bmp_to_func(crAppend, &file, picture.width, picture.height, 3, rgb.data());
    if (!ok) throw RigError(path, 0, "", "cannot encode the picture");
    return file;
}

}  // namespace

Picture::Picture(int w, int h) : width(w), height(h) {
    if (!crFitsBounds(w, h, 4))
        throw RigError("", 0, "picture",
                       "size " + crSizeText(w, h) + " out of range (0 to " + std::to_string(kMaxSide) + " a side)");
    pixels.assign(size_t(crImageStride(3, w)) * size_t(h), 0);
}

Picture readPicture(const std::string& path) { return crDecode(readFileBounded(path, kMaxReadFile), path); }

void writePicture(const Picture& picture, const std::string& path) {
    const Bytes file = crEncode(picture, path);
    writeFileAtomically(path, file.data(), file.size());
}

void OutputSet::addPicture(const std::string& path, const Picture& picture) {
    const Bytes file = crEncode(picture, path);
    add(path, file.data(), file.size());
}

std::vector<unsigned char> packedRows(const Picture& picture) {
    const size_t row = size_t(3) * size_t(std::max(picture.width, 0));
    Bytes packed(row * size_t(std::max(picture.height, 0)));
    for (int r = 0; r < picture.height; ++r) std::copy_n(picture.row(r), row, packed.begin() + r * row);
    return packed;
}

Picture fromPackedRows(const unsigned char* bytes, int width, int height) {
    Picture picture(width, height);
    const size_t row = size_t(3) * size_t(width);
    for (int r = 0; r < height; ++r) std::copy_n(bytes + r * row, row, picture.row(r));
    return picture;
}

Image imageOf(Picture& picture, std::vector<unsigned char*>& rows) {
    Image image{};
    rows.assign(size_t(std::max(picture.height, 0)), nullptr);
    crImageWrap(&image, 3, picture.width, picture.height, picture.pixels.data(), rows.data());
    return image;
}

}  // namespace camrig
