// Rounding rules shared by every writer of pixel indices and target bytes.
#pragma once

#include <climits>
#include <cstdint>

// Half away from zero: add or subtract 0.5 in the value's own precision, then
// truncate toward zero.
inline int crRoundHalfAway(float v) { return static_cast<int>(v >= 0.0f ? v + 0.5f : v - 0.5f); }
inline int crRoundHalfAway(double v) { return static_cast<int>(v >= 0.0 ? v + 0.5 : v - 0.5); }

// Truncation toward zero defined for every value: one beyond the int range,
// and NaN, gives INT_MIN, what x86's conversion gives, which every pixel
// index and position treats as far out of range.
template <typename F> inline int crTruncateToInt(F v) {
    return v > static_cast<F>(-2147483649.0) && v < static_cast<F>(2147483648.0) ? static_cast<int>(v) : INT_MIN;
}

// crRoundHalfAway for every value, out-of-range ones as crTruncateToInt.
inline int crRoundHalfAwayToInt(float v) { return crTruncateToInt(v >= 0.0f ? v + 0.5f : v - 0.5f); }
inline int crRoundHalfAwayToInt(double v) { return crTruncateToInt(v >= 0.0 ? v + 0.5 : v - 0.5); }

// A 64-bit result kept within int.
inline int crSaturatedInt(int64_t v) { return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : static_cast<int>(v); }

// The same rounding to a whole number kept in single precision. Values of
// 2^31 and more are whole already and, like NaN, come back as they are.
inline float crRoundToWhole(float v) {
    return v > -2147483648.0f && v < 2147483648.0f ? static_cast<float>(crRoundHalfAway(v)) : v;
}

// Raises n to the next multiple of 4 by adding 4 - (n mod 4), the remainder
// taking the sign of n (so -5 becomes 0 and -3 becomes 4).
template <typename I> inline I crAlign4(I n) { return n % 4 != 0 ? n + (4 - n % 4) : n; }
