// Constant tables of the samplers, computed at compile time so that any
// number of threads may read them from the first call on.
#pragma once

#include <array>

// Weights of two neighbouring taps for one sub-pixel fraction f / 1024.
struct TapWeights {
    float first;
    float second;
};

constexpr int kSubpixelBits = 10;
constexpr int kSubpixelSteps = 1 << kSubpixelBits;  // 1024
constexpr int kSubpixelMask = kSubpixelSteps - 1;

// Entry f: (f / 1024, 1 - f / 1024); both are exact in single precision.
constexpr std::array<TapWeights, kSubpixelSteps + 1> crBuildLinearWeights() {
    std::array<TapWeights, kSubpixelSteps + 1> t{};
    for (int f = 0; f <= kSubpixelSteps; ++f) {
        const float w = static_cast<float>(f) / 1024.0f;
        t[f] = {w, 1.0f - w};
    }
    return t;
}

// Cubic convolution kernel with a = -0.75, the two pieces evaluated in double.
constexpr double crCubicNear(double d) { return 1.25 * d * d * d - 2.25 * d * d + 1.0; }
constexpr double crCubicFar(double d) { return -0.75 * d * d * d + 3.75 * d * d - 6.0 * d + 3.0; }

// Entry f: (K(t), K(t + 1)) with t = f / 1024. Entry f weighs the taps at and
// before the sample, entry 1024 - f the two taps after it.
constexpr std::array<TapWeights, kSubpixelSteps + 1> crBuildCubicWeights() {
    std::array<TapWeights, kSubpixelSteps + 1> t{};
    for (int f = 0; f <= kSubpixelSteps; ++f) {
        const double d = static_cast<double>(f) / 1024.0;
        t[f] = {static_cast<float>(crCubicNear(d)), static_cast<float>(crCubicFar(d + 1.0))};
    }
    return t;
}

constexpr std::array<float, 256> crBuildByteToFloat() {
    std::array<float, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<float>(i);
    return t;
}

// Index i + kClampOffset holds i limited to 0..255, for i from -256 to 512.
constexpr int kClampOffset = 256;
constexpr std::array<unsigned char, 769> crBuildClampTable() {
    std::array<unsigned char, 769> t{};
    for (int i = -kClampOffset; i <= 512; ++i)
        t[i + kClampOffset] = static_cast<unsigned char>(i < 0 ? 0 : i > 255 ? 255 : i);
    return t;
}

inline constexpr std::array<TapWeights, kSubpixelSteps + 1> kLinearWeights = crBuildLinearWeights();
inline constexpr std::array<TapWeights, kSubpixelSteps + 1> kCubicWeights = crBuildCubicWeights();
inline constexpr std::array<float, 256> kByteToFloat = crBuildByteToFloat();
inline constexpr std::array<unsigned char, 769> kClampTable = crBuildClampTable();
