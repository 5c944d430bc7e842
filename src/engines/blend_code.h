// Blend-map codes: the camera, or the pair of cameras and their mix, that
// feeds each pixel of a multi-view engine's view. The engines paint and read
// them; the device's mask formats encode them.
#pragma once

#include "numerics/rounding.h"

// Storage positions of the per-camera tables, frames and pictures; a code's
// cameras are read as these.
enum MultiviewPosition { kPosFront, kPosLeft, kPosRight, kPosRear };

// A blend-map pixel (b0, b1, b2). Camera codes have b0 and b1 in {0, 255}:
// b2 = 0 names one camera, b2 in 1..254 mixes a longitudinal camera (b0: 0
// front, 255 rear) with a side camera (b1: 0 left, 255 right), b2 being the
// side camera's share in 256ths. Anything else is a colour.
struct Code {
    unsigned char b0, b1, b2;
};

constexpr Code kFrontOnly = {0, 0, 0};
constexpr Code kRearOnly = {255, 255, 0};
constexpr Code kLeftOnly = {255, 0, 0};
constexpr Code kRightOnly = {0, 255, 0};

// The corners around the vehicle, where a longitudinal and a side camera meet.
enum Corner { kFrontLeft, kFrontRight, kRearLeft, kRearRight };

inline bool crIsFront(Corner k) { return k == kFrontLeft || k == kFrontRight; }
inline bool crIsLeft(Corner k) { return k == kFrontLeft || k == kRearLeft; }

// Pair code of a corner with the side camera's share v.
inline Code crPairCode(Corner k, int v) {
    return {static_cast<unsigned char>(crIsFront(k) ? 0 : 255), static_cast<unsigned char>(crIsLeft(k) ? 0 : 255),
            static_cast<unsigned char>(v)};
}
inline Code crSideCode(Corner k) { return crIsLeft(k) ? kLeftOnly : kRightOnly; }
inline Code crLongitudinalCode(Corner k) { return crIsFront(k) ? kFrontOnly : kRearOnly; }

// Share rounded and kept off 0 and 255, which would read as single cameras;
// a share that is not a number counts as none.
inline int crClampedShare(float share) {
    if (share != share) return 1;
    const int v = crRoundHalfAway(share < 0.0f ? 0.0f : share > 255.0f ? 255.0f : share);
    return v < 1 ? 1 : v > 254 ? 254 : v;
}

// A corner pixel by the longitudinal camera's cone weight w (-1 outside its
// cone): that camera alone at full weight, the side camera alone outside the
// cone, else a pair whose side share grows as w falls.
inline Code crConeCornerCode(Corner k, float w) {
    if (w == 1.0f) return crLongitudinalCode(k);
    if (w < 0.0f) return crSideCode(k);
    return crPairCode(k, crClampedShare(255.0f * (1.0f - w)));
}

inline void crPutCode(unsigned char* pixel, Code code) {
    pixel[0] = code.b0;
    pixel[1] = code.b1;
    pixel[2] = code.b2;
}

// Whether a blend-map pixel is a camera code rather than a colour.
inline bool crIsCameraCode(int b0, int b1) { return (b0 == 0 || b0 == 255) && (b1 == 0 || b1 == 255); }

// Storage positions of the cameras a camera code names: a pair code (b2 not
// 0) takes alongPosition and sidePosition, a single-camera code takes
// singlePosition, which is (0, 0) front, (255, 255) rear, (255, 0) left and
// (0, 255) right.
struct CodeCameras {
    MultiviewPosition alongPosition;
    MultiviewPosition sidePosition;
    MultiviewPosition singlePosition;
};

inline CodeCameras crCodeCameras(int b0, int b1) {
    const MultiviewPosition along = b0 ? kPosRear : kPosFront;
    const MultiviewPosition side = b1 ? kPosRight : kPosLeft;
    return {along, side, b0 == b1 ? along : side};
}
