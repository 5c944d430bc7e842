// Target tables of 4-byte entries: i16 x then i16 y, little-endian.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

struct Pair16 {
    int x;
    int y;
};

inline bool operator==(const Pair16& a, const Pair16& b) { return a.x == b.x && a.y == b.y; }
inline std::ostream& operator<<(std::ostream& os, const Pair16& p) {
    return os << "(" << p.x << ", " << p.y << ")";
}

inline std::vector<Pair16> crDecodePairs16(const unsigned char* bytes, size_t len) {
    std::vector<Pair16> pairs;
    for (size_t i = 0; i + 3 < len; i += 4)
        pairs.push_back({static_cast<int16_t>(bytes[i] | bytes[i + 1] << 8),
                         static_cast<int16_t>(bytes[i + 2] | bytes[i + 3] << 8)});
    return pairs;
}
