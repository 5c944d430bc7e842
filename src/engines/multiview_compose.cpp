// Multi-view engines: every output byte from the blend map. A camera code
// picks one warped picture or mixes a longitudinal and a side camera in
// 256ths; anything else is a colour copied as it is.
#include <array>
#include <cstdint>
#include <cstring>

#include "multiview.h"

namespace {

// Runs are found and pairs mixed in chunks of 32 pixels, loops over
// constant-length byte arrays that the compiler turns into vector code; what
// remains goes pixel by pixel.
constexpr int kChunk = 96;

// kBytesAhead[d][k] is 0xFF where byte k of a chunk lies d bytes before the
// third byte of its pixel: d = 0 marks the third bytes, 1 and 2 the second
// and first.
constexpr std::array<std::array<unsigned char, kChunk>, 3> crBytesAheadMasks() {
    std::array<std::array<unsigned char, kChunk>, 3> m{};
    for (int k = 0; k < kChunk; ++k) m[2 - k % 3][k] = 0xFF;
    return m;
}
constexpr auto kBytesAhead = crBytesAheadMasks();

// Whether the chunk's pixels all code like `code`: the same first two bytes,
// and a third byte that is zero exactly when code's is. Third bytes are
// compared as 0xFF (zero) or 0.
bool crChunkCodesLike(const unsigned char* map, const unsigned char* code) {
    const unsigned char zero = code[2] == 0 ? 0xFF : 0;
    unsigned char bad = 0;
    for (int k = 0; k < kChunk; ++k) {
        const unsigned char third = kBytesAhead[0][k];
        const unsigned char isZero = map[k] == 0 ? 0xFF : 0;
        const auto got = static_cast<unsigned char>((map[k] & ~third) | (isZero & third));
        const auto expected =
            static_cast<unsigned char>((code[0] & kBytesAhead[2][k]) | (code[1] & kBytesAhead[1][k]) | (zero & third));
        bad = static_cast<unsigned char>(bad | (got ^ expected));
    }
    return bad == 0;
}

// End of the run that starts at byte i: the pixels that code like pixel i
// (see crChunkCodesLike).
int crRunEnd(const unsigned char* map, int i, int rowBytes) {
    const unsigned char* code = map + i;
    int end = i + 3;
    while (rowBytes - end >= kChunk && crChunkCodesLike(map + end, code)) end += kChunk;
    while (end < rowBytes && map[end] == code[0] && map[end + 1] == code[1] && (map[end + 2] == 0) == (code[2] == 0))
        end += 3;
    return end;
}

// (along * 256 + (side - along) * v) >> 8 of one byte, written as the equal
// along * (256 - v) + side * v, which stays within 16 bits.
inline unsigned char crMixByte(int along, int side, int v) {
    return static_cast<unsigned char>(static_cast<uint16_t>(along * (256 - v) + side * v) >> 8);
}

// Each byte takes its pixel's share, the third map byte, from up to two
// bytes ahead, so the map is read two bytes past the chunk.
void crMixChunk(const unsigned char* map, const unsigned char* along, const unsigned char* side, unsigned char* out) {
    unsigned char mixed[kChunk];
    for (int k = 0; k < kChunk; ++k) {
        const int v =
            (map[k] & kBytesAhead[0][k]) | (map[k + 1] & kBytesAhead[1][k]) | (map[k + 2] & kBytesAhead[2][k]);
        mixed[k] = crMixByte(along[k], side[k], v);
    }
    std::memcpy(out, mixed, kChunk);
}

// A run of pair codes of the same two cameras, bytes [begin, end) of a row
// of rowBytes; the chunks leave room for crMixChunk's reads.
void crMixRun(const unsigned char* map, const unsigned char* along, const unsigned char* side, unsigned char* out,
              int begin, int end, int rowBytes) {
    int i = begin;
    for (; end - i >= kChunk && rowBytes - i > kChunk; i += kChunk) crMixChunk(map + i, along + i, side + i, out + i);
    for (; i < end; i += 3)
        for (int k = i; k < i + 3; ++k) out[k] = crMixByte(along[k], side[k], map[i + 2]);
}

// Flag 0x4000 averages the third byte with the map's.
void crTintRow(const unsigned char* map, unsigned char* out, int rowBytes, TintRule tint) {
    for (int i = 2; i < rowBytes; i += 3) {
        const int b2 = map[i];
        if (tint == TintRule::kEveryPixel || (b2 >= 1 && b2 <= 254))
            out[i] = static_cast<unsigned char>((out[i] + b2) / 2);
    }
}

// Row r of the view into `out`, run by run: a single camera's pixels and
// colours are copied, pairs mixed.
void crComposeRow(const MultiviewState* s, int r, unsigned char* out, TintRule tint) {
    const int rowBytes = 3 * s->width;
    const unsigned char* map = s->blendMap->data[r];
    for (int i = 0; i < rowBytes;) {
        const int b0 = map[i], b1 = map[i + 1], end = crRunEnd(map, i, rowBytes);
        const size_t bytes = static_cast<size_t>(end - i);
        if (!crIsCameraCode(b0, b1)) {
            std::memcpy(out + i, map + i, bytes);
        } else {
            const CodeCameras cams = crCodeCameras(b0, b1);
            const auto picture = [s, r](MultiviewPosition p) { return s->warped[p]->data[r]; };
            if (map[i + 2] == 0)
                std::memcpy(out + i, picture(cams.singlePosition) + i, bytes);
            else
                crMixRun(map, picture(cams.alongPosition), picture(cams.sidePosition), out, i, end, rowBytes);
        }
        i = end;
    }
    if ((s->flags & CR_MULTI_TINT) != 0 && tint != TintRule::kNone) crTintRow(map, out, rowBytes, tint);
}

}  // namespace

void crApplyFrames(MultiviewState* s, const unsigned char* const frames[kMultiviewCameras], ComposeTarget target) {
    const unsigned positions = crTakeFrames(s, frames);
    const int rowBytes = 3 * s->width, stride = s->blendMap->stride;
    for (int r = 0; r < s->height; ++r) {
        crWarpRow(s, r, positions);
        if (!target.rows) continue;
        unsigned char* out = target.rows + static_cast<size_t>(r) * stride;
        crComposeRow(s, r, out, target.tint);
        if (target.clearPadding) std::memset(out + rowBytes, 0, static_cast<size_t>(stride - rowBytes));
    }
}
