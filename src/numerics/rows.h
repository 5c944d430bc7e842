// Row arrays: a block of row pointers, each row a separate allocation.
// Matrices, pictures and LUTs all keep their elements this way.
#pragma once

#include <cstdlib>
#include <cstring>

// Allocates `count` rows of `perRow` elements (contents undefined). All or
// nothing: a failed row frees what was obtained and yields null. A count
// below 1 yields the (possibly empty) pointer block itself.
template <typename T>
T** crAllocRowArray(int perRow, int count) {
    const size_t blocks = count > 0 ? static_cast<size_t>(count) : 0;
    T** rows = static_cast<T**>(std::malloc(blocks * sizeof(T*)));
    if (!rows) return nullptr;
    for (int i = 0; i < count; ++i) {
        rows[i] = static_cast<T*>(std::malloc(static_cast<size_t>(perRow) * sizeof(T)));
        if (!rows[i]) {
            for (int j = 0; j < i; ++j) std::free(rows[j]);
            std::free(rows);
            return nullptr;
        }
    }
    return rows;
}

// Frees `count` rows, then the pointer block; a null array is ignored.
template <typename T>
void crFreeRowArray(T** rows, int count) {
    if (!rows) return;
    for (int i = 0; i < count; ++i) std::free(rows[i]);
    std::free(rows);
}

// Sets the first `perRow` elements of every row to zero bytes.
template <typename T>
void crClearRowArray(T** rows, int count, int perRow) {
    for (int i = 0; i < count; ++i) std::memset(rows[i], 0, static_cast<size_t>(perRow) * sizeof(T));
}
