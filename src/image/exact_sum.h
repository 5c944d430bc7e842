// Exact sums of byte values weighted by double constants, for the picture
// conversions. Their sums are specified in x87 extended precision (64-bit
// mantissa), which aarch64 and other targets lack. Every weight used is a
// multiple of 2^-57 and every product of one with a byte fits 65 bits, so the
// sum is held exactly as high x 2^32 + low units of 2^-57 in two int64
// limbs; truncating the exact sum gives the extended-precision result's bytes
// for every input (checked over all 2^24 pixel values).
#pragma once

#include <cstdint>

class CrExactSum {
public:
    // A byte value, or a constant such as 128 or 16.
    constexpr CrExactSum(int value) : high_(int64_t{value} << kHighShift), low_(0) {}

    friend constexpr CrExactSum operator*(double weight, CrExactSum byte) {
        const int64_t n = byte.high_ >> kHighShift;  // a whole byte: low_ is 0
        const int64_t scaled = crScaled(weight);
        return {(scaled >> 32) * n, (scaled & 0xFFFFFFFF) * n};
    }
    friend constexpr CrExactSum operator+(CrExactSum a, CrExactSum b) { return {a.high_ + b.high_, a.low_ + b.low_}; }
    friend constexpr CrExactSum operator-(CrExactSum a, CrExactSum b) { return {a.high_ - b.high_, a.low_ - b.low_}; }
    friend constexpr CrExactSum operator+(CrExactSum a, double c) { return a + CrExactSum(static_cast<int>(c)); }
    friend constexpr bool operator<(CrExactSum a, CrExactSum b) { return (a - b).normalised().high_ < 0; }

    // The sum truncated toward zero.
    constexpr int truncated() const {
        const CrExactSum n = normalised();
        if (n.high_ >= 0) return static_cast<int>(n.high_ >> kHighShift);
        const int64_t below = n.low_ == 0 ? -n.high_ : -n.high_ - 1;
        return -static_cast<int>(below >> kHighShift);
    }

private:
    static constexpr int kHighShift = 57 - 32;  // a unit in high_ is 2^-25

    constexpr CrExactSum(int64_t high, int64_t low) : high_(high), low_(low) {}

    // The weight in units of 2^-57: whole for every weight of at least 1/32
    // (the conversions' smallest is 0.05639), whose last bit is 2^-57 or more.
    static constexpr int64_t crScaled(double weight) { return static_cast<int64_t>(weight * 0x1p57); }

    // The same sum with 0 <= low_ < 2^32.
    constexpr CrExactSum normalised() const { return {high_ + (low_ >> 32), low_ & 0xFFFFFFFF}; }

    int64_t high_;
    int64_t low_;
};
