// The lens model's two polynomials, evaluated exactly once per call site in
// single precision. Every part of the library that maps rays to pixels or
// back goes through these.
#pragma once

#include <cmath>

#include "camrig.h"

// x^n by binary exponentiation in single precision (x^4 = (x^2)^2, ...).
inline float crPowi(float x, int n) {
    float result = 1.0f;
    float base = x;
    for (;;) {
        if (n & 1) result = result * base;
        n >>= 1;
        if (!n) return result;
        base = base * base;
    }
}

// Image height of incidence angle theta: k1 t + k2 t^3 + k3 t^5 + k4 t^7 + k5 t^9,
// summed in term order.
inline float crLensAngleToHeight(const float* k, float theta) {
    float rho = k[0] * theta;
    rho = rho + k[1] * crPowi(theta, 3);
    rho = rho + k[2] * crPowi(theta, 5);
    rho = rho + k[3] * crPowi(theta, 7);
    rho = rho + k[4] * crPowi(theta, 9);
    return rho;
}

// Incidence angle of image height rho: c0 + c1 r + c2 r^2 + ... + c8 r^8,
// summed in term order.
inline float crLensHeightToAngle(const float* c, float rho) {
    float theta = c[1] * rho + c[0];
    for (int i = 2; i <= 8; ++i) theta = theta + c[i] * crPowi(rho, i);
    return theta;
}

// Distance from the optical axis, at unit focal length, of the ray with
// tangent components (x / z, y / z).
inline float crTangentLength(float xn, float yn) { return sqrtf(xn * xn + yn * yn); }

// Forward projection of a ray of tangent length r: its incidence angle atan(r)
// and its image height through the polynomial k. Each caller scales the ray's
// direction to pixels in an order of products of its own, which its results
// keep.
struct CrLensRay {
    float r;
    float theta;
    float height;
};

inline CrLensRay crTraceLensRay(const float* k, float r) {
    const float theta = atanf(r);
    return {r, theta, crLensAngleToHeight(k, theta)};
}
