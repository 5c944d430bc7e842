// Decoding of fuzzer bytes into records, sizes and caller-owned buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "camrig.h"

// Reads values front to back; once the bytes run out every value reads as zero bytes.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    void read(void* dst, size_t n) {
        const size_t k = n < size_ ? n : size_;
        std::memcpy(dst, data_, k);
        std::memset(static_cast<uint8_t*>(dst) + k, 0, n - k);
        data_ += k, size_ -= k;
    }
    template <typename T> T take() {
        T v;
        read(&v, sizeof v);
        return v;
    }
    // Whatever the fuzzer left over, repeated to fill `n` bytes (a fixed grey when nothing is left).
    void fill(uint8_t* dst, size_t n) const {
        for (size_t i = 0; i < n; ++i) dst[i] = size_ ? data_[i % size_] : 0x80;
    }
    const uint8_t* rest() const { return data_; }
    size_t restSize() const { return size_; }

private:
    const uint8_t* data_;
    size_t size_;
};

// Caller buffers stay this small whatever size the fuzzer asks for; larger requests skip the call.
constexpr int64_t kMaxBufferElements = 64 * 64;

// Element count of a w x h buffer as the caller must provide it: 0 when either size is not positive,
// -1 when it exceeds the harness's cap.
inline int64_t crFuzzArea(int64_t w, int64_t h, int64_t cap = kMaxBufferElements) {
    if (w <= 0 || h <= 0) return 0;
    return w > cap || h > cap || w * h > cap ? -1 : w * h;
}

// Exactly `n` elements (a unique zero-sized block for 0), so that the sanitizer sees any overrun.
template <typename T> std::unique_ptr<T[]> crFuzzBuffer(int64_t n) { return std::unique_ptr<T[]>(new T[size_t(n)]()); }

// A rows x cols Matrix laid out as the header describes: row pointers to separate rows.
class FuzzMatrix {
public:
    FuzzMatrix(int rows, int cols) : rows_(size_t(rows)), pointers_(size_t(rows)) {
        for (int i = 0; i < rows; ++i) rows_[i].reset(new float[size_t(cols)]()), pointers_[i] = rows_[i].get();
        m_.data = pointers_.data(), m_.rows = rows, m_.cols = cols;
    }
    Matrix* get() { return &m_; }
    void load(FuzzInput& in) {
        for (int i = 0; i < m_.rows; ++i) in.read(m_.data[i], sizeof(float) * size_t(m_.cols));
    }

private:
    std::vector<std::unique_ptr<float[]>> rows_;
    std::vector<float*> pointers_;
    Matrix m_{};
};

// Rows of packed 3-byte pixels, padded to 4 bytes: the layout of camera frames and views.
inline int64_t crFuzzPackedStride(int64_t w) { return (3 * w + 3) & ~int64_t(3); }
