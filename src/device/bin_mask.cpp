// Mask binaries: the blend map's camera codes and colours in the target
// device's 16-bit RGB, 32-bit RGB, 16-bit YCbCr and plain 24-bit formats.
#include <algorithm>
#include <cstring>

#include "device/device.h"
#include "engines/blend_code.h"

namespace {

// Zone number of a camera code, numbered around the vehicle from the front
// (single cameras even, pairs odd), or -1 for a colour pixel.
int crMaskZone(const unsigned char* px) {
    if (!crIsCameraCode(px[0], px[1])) return -1;
    // Single-camera zones by storage position: front 0, left 2, right 6, rear 4.
    constexpr int kZoneOf[] = {0, 2, 6, 4};
    const int zone = kZoneOf[crCodeCameras(px[0], px[1]).singlePosition];
    return px[2] != 0 ? zone + 1 : zone;
}

// A code entry: the weight in the high byte (0 for a single camera), the zone
// in the low byte.
uint32_t crCodeEntry(const unsigned char* px, int zone) { return px[2] * 256u + static_cast<uint32_t>(zone); }

uint32_t crEncodeRGB16(const unsigned char* px, int) {
    const int zone = crMaskZone(px);
    if (zone >= 0) return crCodeEntry(px, zone);
    return (px[2] & 0xF0u) * 256u + (px[1] & 0xF0u) * 16u + (px[0] & 0xF0u) + 8u;
}

uint32_t crEncodeRGB32(const unsigned char* px, int) {
    const int zone = crMaskZone(px);
    if (zone >= 0) return crCodeEntry(px, zone);
    return (static_cast<uint32_t>(px[2]) << 24) + (static_cast<uint32_t>(px[1]) << 16) +
           (static_cast<uint32_t>(px[0]) << 8) + 8u;
}

// Clamped to 0..255, then truncated toward zero.
uint32_t crToByte(double v) { return v >= 255.0 ? 255u : v <= 0.0 ? 0u : static_cast<uint32_t>(v); }

// The conversions are applied in double precision.
uint32_t crLuma(const unsigned char* px) { return crToByte(crStudioLuma<double>(px[0], px[1], px[2])); }
uint32_t crChromaBlue(const unsigned char* px) { return crToByte(crStudioChromaBlue<double>(px[0], px[1], px[2])); }
uint32_t crChromaRed(const unsigned char* px) { return crToByte(crStudioChromaRed<double>(px[0], px[1], px[2])); }

// 4:2:2: a pixel pair shares the chroma of its even pixel, Cb on the even
// entry and Cr on the odd one. The even pixel supplies it whatever it holds,
// so an odd colour pixel next to a camera code reads the code's bytes.
uint32_t crEncodeYCbCr(const unsigned char* px, int column) {
    const int zone = crMaskZone(px);
    if (zone == 2 || zone == 6) return 0xFF00u + static_cast<uint32_t>(zone);
    if (zone >= 0) return crCodeEntry(px, zone);
    const uint32_t chroma = column % 2 == 0 ? crChromaBlue(px) : crChromaRed(px - 3);
    return (chroma & 0xFCu) * 256u + (crLuma(px) & 0xFCu) * 4u + 8u;
}

// Bytes of the map, 0 when it would not fit an int (or has no rows).
int crMapBytes(int width, int height) { return std::max(crByteCount(crPackedRowBytes(width), height), 0); }

// Bytes of a mask of a W x H map: 0 when the map or the mask would not fit
// an int, as a size that no buffer can be allocated for.
int crMaskBytes(int width, int height, int entryBytes) {
    return crMapBytes(width, height) > 0 ? crTableBytes(width, height, entryBytes) : 0;
}

// Writes one entry per map pixel, even rows first, then odd rows.
template <uint32_t (*Encode)(const unsigned char*, int), int EntryBytes>
void crWriteMask(int width, int height, const unsigned char* map, unsigned char* out, int* outLen) {
    const int bytes = crMaskBytes(width, height, EntryBytes);
    if (outLen) *outLen = bytes;
    if (bytes == 0) return;
    const int stride = crPackedStride(width);
    for (int r = 0; r < height; ++r) {
        const unsigned char* row = map + static_cast<long>(r) * stride;
        for (int c = 0; c < width; ++c) {
            const uint32_t value = Encode(row + 3 * static_cast<long>(c), c);
            unsigned char* dst = out + EntryBytes * static_cast<long>(crFieldIndex(r, c, width, height));
            if (EntryBytes == 2)
                crStoreLe16(dst, value);
            else
                crStoreLe32(dst, value);
        }
    }
}

}  // namespace

extern "C" CR_API void crMakeBinMaskRGB16(int width, int height, const unsigned char* map, unsigned char* out,
                                          int* outLen) {
    crWriteMask<crEncodeRGB16, 2>(width, height, map, out, outLen);
}

extern "C" CR_API void crMakeBinMaskRGB32(int width, int height, const unsigned char* map, unsigned char* out,
                                          int* outLen) {
    crWriteMask<crEncodeRGB32, 4>(width, height, map, out, outLen);
}

extern "C" CR_API void crMakeBinMaskYCbCr(int width, int height, const unsigned char* map, unsigned char* out,
                                          int* outLen) {
    crWriteMask<crEncodeYCbCr, 2>(width, height, map, out, outLen);
}

extern "C" CR_API void crMakeBinMaskRGB24(int width, int height, const unsigned char* map, unsigned char* out,
                                          int* outLen) {
    const int bytes = crMapBytes(width, height);
    if (bytes > 0) std::memcpy(out, map, static_cast<size_t>(bytes));
    if (outLen) *outLen = bytes;
}

// RGB16 and YCbCr entries are both two bytes: one length function serves both
// names. gcc marks the target nothrow and wants its alias to say so; clang
// holds the alias to the header's declaration, which says nothing.
#if defined(__clang__)
#define CR_LENGTH_ALIAS __attribute__((alias("crMakeBinMaskRGB16Len")))
#else
#define CR_LENGTH_ALIAS __attribute__((alias("crMakeBinMaskRGB16Len"), nothrow))
#endif

extern "C" CR_API void crMakeBinMaskRGB16Len(int width, int height, int* len) {
    if (len) *len = crMaskBytes(width, height, 2);
}
extern "C" CR_API void crMakeBinMaskYCbCrLen(int width, int height, int* len) CR_LENGTH_ALIAS;

extern "C" CR_API void crMakeBinMaskRGB32Len(int width, int height, int* len) {
    if (len) *len = crMaskBytes(width, height, 4);
}

extern "C" CR_API void crMakeBinMaskRGB24Len(int width, int height, int* len) {
    if (len) *len = crMapBytes(width, height);
}
