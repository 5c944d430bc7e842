// Byte-for-byte equality of two objects.
#pragma once

#include <cstring>

// Results are bit-exact and records carry spare words that must survive untouched, so tests compare object
// representations: a not-a-number equals itself, and -0 differs from 0. Only for types without padding.
template <typename T> bool crSameBytes(const T& a, const T& b) {
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): the bit patterns are what is compared
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}
