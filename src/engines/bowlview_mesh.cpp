// Bowl view: the bowl mesh and its pinhole projection into the cameras.
#include <cmath>

#include "bowlview.h"
#include "camera/camera.h"

PinholeCamera crPinholeCamera(const CameraParam* cam) {
    PinholeCamera p;
    crCameraExtrinsics(cam, p.e);
    p.scaleX = cam->pixelScaleX;
    p.scaleY = cam->pixelScaleY;
    p.principalX = cam->principalX;
    p.principalY = cam->principalY;
    return p;
}

Point2f crPinholePixel(const PinholeCamera& cam, const float q[3]) {
    return {cam.scaleX * q[0] / q[2] + cam.principalX, cam.scaleY * q[1] / q[2] + cam.principalY};
}

// Ring i sits at the angle 3i degrees up the wall's quarter ellipse, point j at
// 6j degrees around the bowl. Rings 0..30 form the wall, from the rim at
// height bowlHeight down to the floor edge, an ellipse with semi-axes
// t = bowlWallX * bowlFloorY / bowlWallY along X and bowlFloorY along Y;
// rings 31..50 are that ellipse shrunk in twentieths down to the centre.
void crBuildBowlMesh(BowlviewState* s) {
    const float a = s->bowlWallX, b = s->bowlWallY, c = s->bowlHeight, d = s->bowlFloorY;
    const float t = a * d / b;
    const float x0 = s->bowlCenterX, y0 = s->bowlCenterY;
    for (int i = 0; i < kBowlRings; ++i) {
        const float theta = crDegToRad(static_cast<float>(3 * i));
        const float cosTheta = cosf(theta), sinTheta = sinf(theta);
        const int k = kBowlRings - 1 - i;
        const float shrink = static_cast<float>(k) / 20.0f;
        for (int j = 0; j < kBowlRingPoints; ++j) {
            const float phi = crDegToRad(static_cast<float>(6 * j));
            const float cosPhi = cosf(phi), sinPhi = sinf(phi);
            BowlVertex& v = s->mesh[kBowlRingPoints * i + j];
            if (i <= kBowlFloorEdgeRing) {
                v.x = x0 + cosPhi * (a * cosTheta + t);
                v.y = y0 + sinPhi * (b * cosTheta + d);
                v.z = c * (sinTheta - 1.0f);
            } else {
                v.x = x0 + shrink * t * cosPhi;
                v.y = y0 + shrink * d * sinPhi;
                v.z = 0.0f;
            }
            if (v.z > 0.0f) v.z = 0.0f;
        }
    }
}

void crProjectMesh(BowlviewState* s, const PinholeCamera& cam, float BowlVertex::*u, float BowlVertex::*v) {
    for (BowlVertex& vertex : s->mesh) {
        float q[3];
        crProjectPoint(cam.e, vertex.x, vertex.y, vertex.z, q);
        const Point2f p = crPinholePixel(cam, q);
        vertex.*u = p.x;
        vertex.*v = p.y;
    }
}
