// Mapping points between the camera image and the ground through a 3 x 3
// homography or the camera's own pose.
#include "camera.h"
#include "numerics/numerics.h"

bool crSensorToGround(const CameraParam* cam, Matrix* h) {
    const CrMatrixSet m = {{3, 3}, {3, 3}, {3, 3}};
    Matrix *projection = m[0], *inverse = m[1], *sensorScale = m[2];
    if (!m.ok()) return false;
    crGetProjectionZ3x3(projection, cam);
    if (!crInverseMat(projection, inverse)) return false;
    crIdentityMat(sensorScale, 1.0f);
    sensorScale->data[0][0] = 1.0f / cam->focalLength;
    sensorScale->data[1][1] = 1.0f / cam->focalLength;
    crMultiplyMat(inverse, sensorScale, h);
    return true;
}

Point2f crImageToWorld2D(const CameraParam* cam, const Matrix* h, Point2f pixel) {
    Point2f sensor;
    crFeatureUndistortion(&pixel, &sensor, cam);
    const Point2f ground = crDehomogenise(crApplyHomography(h, sensor.x, sensor.y));
    return {ground.x + cam->originX, ground.y + cam->originY};
}

extern "C" CR_API Point3f crImageToWorld(Point2f pixel, const CameraParam* cam, const Matrix* h) {
    const Point2f ground = crImageToWorld2D(cam, h, pixel);
    return {ground.x, ground.y, 0.0f};
}

// The height enters only the third homogeneous coordinate.
extern "C" CR_API Point2f crWorldToImage(const CameraParam* cam, Point3f world, const Matrix* h) {
    Point3f p = crApplyHomography(h, world.x, world.y);
    p.z = p.z + world.z;
    const Point2f sensor = crDehomogenise(p);
    Point2f pixel;
    crFeatureDistortion(&sensor, &pixel, cam);
    return pixel;
}

// (-1, -1) marks a point without position and passes through unchanged.
extern "C" CR_API void crWorldToImage2D(const CameraParam* cam, const Point2f* world, Point2f* image, int count) {
    Matrix* projection = crCreateMatrix(3, 3);
    if (!projection) return;
    crGetProjectionZ3x3(projection, cam);
    for (int i = 0; i < count; ++i) {
        if (world[i].x == -1.0f && world[i].y == -1.0f) {
            image[i] = {-1.0f, -1.0f};
            continue;
        }
        const Point2f tangent = crDehomogenise(crApplyHomography(projection, world[i].x, world[i].y));
        image[i] = crTangentToPixel(cam, tangent.x, tangent.y);
    }
    crFreeMatrix(&projection);
}

// A count above the pairs the record holds is limited to them rather than
// refused: the caller still gets every pair the record can hold, and nothing
// beyond the arrays is read or written. Without memory for the homography no
// ground point is written.
extern "C" CR_API void crConvertImage2World(CameraParam* cam, int, int, int count) {
    const int pairs = count < kPairCapacity ? count : kPairCapacity;
    CrStackMatrix3 sensorToGround;
    if (!crSensorToGround(cam, &sensorToGround.m)) return;
    for (int i = 0; i < pairs; ++i) cam->worldPoints[i] = crImageToWorld2D(cam, &sensorToGround.m, cam->imagePoints[i]);
}
