// Row arrays: a block of row pointers, each row a separate allocation.
// Matrices, pictures and LUTs all keep their elements this way.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// a x b as a byte count: -1 when either is negative or the product does not
// fit an int, the width of every size field of the records. Callers take -1
// as a failed allocation, so no size arithmetic overflows and no request is
// absurd on any platform; -1 propagates through nested calls.
inline int crByteCount(int64_t a, int64_t b) {
    if (a < 0 || b < 0 || (a != 0 && b > INT_MAX / a)) return -1;
    return static_cast<int>(a * b);
}

// malloc of `count` elements (at least one, so that an empty array is not
// mistaken for a failure); null when the byte count is refused or the
// allocation fails.
template <typename T> T* crAllocArray(int64_t count) {
    const int bytes = crByteCount(count > 0 ? count : 1, sizeof(T));
    return bytes < 0 ? nullptr : static_cast<T*>(std::malloc(static_cast<size_t>(bytes)));
}

// What `rows` separately allocated rows of `rowBytes` bytes and their
// pointer block cost: the allocator hands out no block under 32 bytes, so
// many tiny rows cost far more than their bytes. -1 for a negative size.
inline int64_t crRowArrayCost(int64_t rowBytes, int64_t rows) {
    if (rowBytes < 0 || rows < 0 || rows > INT_MAX) return -1;
    return rows * ((rowBytes < 32 ? 32 : rowBytes) + static_cast<int64_t>(sizeof(void*)));
}

// Allocates `count` rows of `perRow` elements (contents undefined). All or
// nothing: a failed row frees what was obtained and yields null. A count
// below 1 yields the (possibly empty) pointer block itself. A negative row
// length, or an array whose cost is beyond int, fails before anything is
// allocated.
template <typename T> T** crAllocRowArray(int perRow, int count) {
    const size_t blocks = count > 0 ? static_cast<size_t>(count) : 0;
    const int rowBytes = crByteCount(perRow, sizeof(T));
    if (rowBytes < 0 || crByteCount(crRowArrayCost(rowBytes, blocks), 1) < 0) return nullptr;
    T** rows = static_cast<T**>(std::malloc(blocks * sizeof(T*)));
    if (!rows) return nullptr;
    for (int i = 0; i < count; ++i) {
        rows[i] = static_cast<T*>(std::malloc(rowBytes));
        if (!rows[i]) {
            for (int j = 0; j < i; ++j) std::free(rows[j]);
            std::free(rows);
            return nullptr;
        }
    }
    return rows;
}

// Frees `count` rows, then the pointer block; a null array is ignored.
template <typename T> void crFreeRowArray(T** rows, int count) {
    if (!rows) return;
    for (int i = 0; i < count; ++i) std::free(rows[i]);
    std::free(rows);
}

// Sets the first `perRow` elements of every row to zero bytes.
template <typename T> void crClearRowArray(T** rows, int count, int perRow) {
    if (perRow < 1) return;
    for (int i = 0; i < count; ++i) std::memset(rows[i], 0, static_cast<size_t>(perRow) * sizeof(T));
}
