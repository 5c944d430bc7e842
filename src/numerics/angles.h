// Angle constants and conversions. Each is used exactly as written: the short
// factor is another number than pi / 180, and a product with a factor rounds
// differently from a product with pi divided by 180, so none may stand in for
// another.
#pragma once

constexpr double kPi = 3.141592653589793;
// pi / 180 as one double, for products degrees x kRadiansPerDegree.
constexpr double kRadiansPerDegree = 0.017453292519943295;
// The short factor of the top view's seam angles, in double and in single
// precision.
constexpr double kRadiansPerDegreeShort = 0.017453;
// 180 / pi in single precision, for products with single-precision angles.
constexpr float kDegreesPerRadianF = 57.29578f;

// Degrees to radians as the pose fields use them: deg * pi / 180 in double
// precision, rounded to single precision.
inline float crDegToRad(float degrees) { return static_cast<float>(degrees * kPi / 180.0); }

// Radians to degrees as the pose fields take them: rad / pi * 180 in double
// precision, rounded to single precision.
inline float crRadToDeg(float radians) { return static_cast<float>(radians / kPi * 180.0); }
