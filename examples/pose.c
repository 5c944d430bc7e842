/* pose: a camera's pose on the vehicle from marks on the ground.
 *
 *   pose
 *
 * Fills a camera's lens, places eight ground marks (millimetres) and their pixels in the camera's
 * picture, lets crGetCameraPos estimate where the camera is and how it is turned, and prints the
 * estimate next to the pose the pixels were made from. Exits 0 when the two agree within 0.05 mm
 * and 0.001 degrees.
 *
 * The pixels are what a photograph would give: here they are computed with crWorldToImage2D from
 * a known pose, the front camera of camrig_demo's rig mounted slightly off its design pose. In a
 * real calibration they come from the photograph (crDetectCorner finds the corners of its
 * targets), and the marks are where the targets were laid. */
#include <camrig.h>

#include <stdio.h>
#include <string.h>

enum { kMarks = 8 };

/* How close the estimate must come. Only the lens polynomials' round trip and single precision
 * part it from the truth: it lands about 0.003 mm and 0.00002 degrees off. */
static const float kMillimetres = 0.05f;
static const float kDegrees = 0.001f;

/* Ground marks ahead of the vehicle, in millimetres: Y runs toward the rear, so ahead is -Y. Spread
 * over the picture, as a pose from marks bunched together is poorly determined. */
static const Point2f kGround[kMarks] = {
    {-1500.0f, -3000.0f}, {-500.0f, -3000.0f}, {500.0f, -3000.0f}, {1500.0f, -3000.0f},
    {-2000.0f, -4500.0f}, {-700.0f, -4500.0f}, {700.0f, -4500.0f}, {2000.0f, -4500.0f},
};

/* Near-equidistant fisheye, 280 pixels per sensor unit, focal length 1, 720 x 480 pixels. */
static void fillLens(CameraParam* cam) {
    static const float forward[5] = {1.0f, -0.055f, 0.004f, 0.0f, 0.0f};
    static const float inverse[9] = {0.0f,          1.00007546f,    -0.00145806419f, 0.0649852529f,  -0.0333670452f,
                                     0.0661249086f, -0.0629172474f, 0.0349392667f,   -0.00820070598f};
    memset(cam, 0, sizeof *cam);
    cam->focalLength = 1.0f;
    cam->pixelScaleX = 280.0f;
    cam->pixelScaleY = 280.0f;
    cam->principalX = 360.0f;
    cam->principalY = 240.0f;
    memcpy(cam->distortion, forward, sizeof forward);
    memcpy(cam->undistortion, inverse, sizeof inverse);
    cam->imageWidth = 720;
    cam->imageHeight = 480;
}

/* Difference of two angles in degrees, folded into -180..180: 359 and -1 are the same heading. */
static float angleDifference(float a, float b) {
    float d = a - b;
    while (d > 180.0f) d -= 360.0f;
    while (d < -180.0f) d += 360.0f;
    return d;
}

static int report(const char* name, const char* unit, float truth, float found, float difference, float bound) {
    const int close = difference <= bound && difference >= -bound;
    printf("%-9s %10.3f %10.3f %+9.5f%s%s\n", name, truth, found, difference, unit, close ? "" : "  too far off");
    return close;
}

/* Largest distance, along X or Y, between a mark and the ground point its pixel maps to through
 * the homography of the camera's pairs: how well the pairs fit together. */
static float groundMiss(const CameraParam* cam) {
    float elements[9], worst = 0.0f;
    float* rows[3];
    Matrix h;
    int i;
    crMatrixWrap(&h, 3, 3, elements, rows);
    crGetHomography(&h, cam, 1); /* 1: from the undistorted sensor plane to the ground */
    for (i = 0; i < cam->pointCount; ++i) {
        const Point3f p = crImageToWorld(cam->imagePoints[i], cam, &h);
        const float dx = p.x - cam->worldPoints[i].x, dy = p.y - cam->worldPoints[i].y;
        if (dx > worst || -dx > worst) worst = dx > 0.0f ? dx : -dx;
        if (dy > worst || -dy > worst) worst = dy > 0.0f ? dy : -dy;
    }
    return worst;
}

int main(void) {
    CameraParam truth, cam;
    Point2f pixels[kMarks];
    int ok = 1;

    /* The true pose: on the front bumper 700 mm up (Z points down), 35 degrees below the horizon
     * (angleX 55 from straight down), turned 1.5 degrees to the right (angleZ) and rolled 0.8
     * degrees (angleY). */
    fillLens(&truth);
    truth.positionX = 12.0f;
    truth.positionY = -2250.0f;
    truth.positionZ = -700.0f;
    truth.angleX = 55.0f;
    truth.angleZ = 1.5f;
    truth.angleY = -0.8f;
    crWorldToImage2D(&truth, kGround, pixels, kMarks);

    /* The record to calibrate: the same lens, no pose, the marks paired with their pixels. */
    fillLens(&cam);
    cam.pointCount = kMarks;
    memcpy(cam.worldPoints, kGround, sizeof kGround);
    memcpy(cam.imagePoints, pixels, sizeof pixels);
    crGetCameraPos(&cam); /* needs at least 4 pairs; writes the position and the three angles */

    printf("%-9s %10s %10s %9s\n", "", "true", "estimated", "off");
    ok &= report("positionX", " mm", truth.positionX, cam.positionX, cam.positionX - truth.positionX, kMillimetres);
    ok &= report("positionY", " mm", truth.positionY, cam.positionY, cam.positionY - truth.positionY, kMillimetres);
    ok &= report("positionZ", " mm", truth.positionZ, cam.positionZ, cam.positionZ - truth.positionZ, kMillimetres);
    ok &= report("angleX", " deg", truth.angleX, cam.angleX, angleDifference(cam.angleX, truth.angleX), kDegrees);
    ok &= report("angleZ", " deg", truth.angleZ, cam.angleZ, angleDifference(cam.angleZ, truth.angleZ), kDegrees);
    ok &= report("angleY", " deg", truth.angleY, cam.angleY, angleDifference(cam.angleY, truth.angleY), kDegrees);
    printf("the marks' pixels map back to within %.3f mm of the marks\n", groundMiss(&cam));
    return ok ? 0 : 1;
}
