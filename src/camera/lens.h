// The lens model's two polynomials, evaluated exactly once per call site in
// single precision. Every part of the library that maps rays to pixels or
// back goes through these.
#pragma once

#include <cmath>

#include "camrig.h"

// Powers of x by binary exponentiation in single precision: x^2, x^4 and x^8
// by squaring, the others as products of those in order of rising exponent
// (x^7 = (x x^2) x^4). Every lens polynomial takes its powers from here, so
// their values are the same wherever they are evaluated.
struct CrPowers {
    float p1, p2, p4, p8;
    explicit CrPowers(float x) : p1(x), p2(x * x), p4(p2 * p2), p8(p4 * p4) {}
    float cube() const { return p1 * p2; }
    float fifth() const { return p1 * p4; }
    float sixth() const { return p2 * p4; }
    float seventh() const { return cube() * p4; }
    float ninth() const { return p1 * p8; }
};

// Image height of incidence angle theta: k1 t + k2 t^3 + k3 t^5 + k4 t^7 + k5 t^9,
// summed in term order.
inline float crLensAngleToHeight(const float* k, float theta) {
    const CrPowers t(theta);
    float rho = k[0] * theta;
    rho = rho + k[1] * t.cube();
    rho = rho + k[2] * t.fifth();
    rho = rho + k[3] * t.seventh();
    rho = rho + k[4] * t.ninth();
    return rho;
}

// Incidence angle of image height rho: c0 + c1 r + c2 r^2 + ... + c8 r^8,
// summed in term order.
inline float crLensHeightToAngle(const float* c, float rho) {
    const CrPowers r(rho);
    float theta = c[1] * rho + c[0];
    theta = theta + c[2] * r.p2;
    theta = theta + c[3] * r.cube();
    theta = theta + c[4] * r.p4;
    theta = theta + c[5] * r.fifth();
    theta = theta + c[6] * r.sixth();
    theta = theta + c[7] * r.seventh();
    theta = theta + c[8] * r.p8;
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
