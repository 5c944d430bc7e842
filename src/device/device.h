// Target device byte layouts: table entries, sizes and markers shared by the
// view, mask, point and parameter binaries.
#pragma once

#include <cstdint>

#include "camrig.h"
#include "image/image.h"
#include "numerics/rounding.h"
#include "numerics/rows.h"

// A target table entry of two 16-bit values: x in the low half, y in the high
// half, each keeping only the low 16 bits of its 32-bit value.
inline uint32_t crPackPair16(uint32_t x, uint32_t y) { return (x & 0xFFFFu) | (y << 16); }

// Bytes of a table of width x height entries of entryBytes each; 0 (no
// table) when a size is negative or the byte count does not fit an int.
inline int crTableBytes(int width, int height, int entryBytes) {
    const int bytes = crByteCount(crByteCount(width, height), entryBytes);
    return bytes < 0 ? 0 : bytes;
}

// No-source marker of the LUT and point tables: x = y = -1.
constexpr uint32_t kCrNoSource = 0xFFFFFFFFu;
