/* A C99 caller of the installed library: undistorts the optical centre of a
 * camera and creates and releases an engine. */
#include <camrig.h>
#include <stdio.h>

int main(void) {
    CameraParam cam = {0};
    Point2f centre, out;
    EngineHandle* engine;
    cam.focalLength = 1.0f;
    cam.pixelScaleX = cam.pixelScaleY = 300.0f;
    cam.principalX = 360.0f;
    cam.principalY = 240.0f;
    cam.undistortion[1] = 1.0f / 300.0f;
    centre.x = cam.principalX;
    centre.y = cam.principalY;
    crFeatureUndistortion(&centre, &out, &cam);
    engine = crMultiviewCreate(0);
    if (!engine || crMultiviewRelease(&engine) != 0 || engine) return 1;
    printf("%g %g\n", out.x, out.y);
    return out.x == 0.0f && out.y == 0.0f ? 0 : 1;
}
