/* topview: composes the top view around a vehicle from its four cameras' frames.
 *
 *   topview FRONT.bmp REAR.bmp LEFT.bmp RIGHT.bmp VIEW.bmp FRONT_LUT.bin
 *
 * Reads the four 24-bit BMP frames (given in camera slot order: front, rear, left, right), writes
 * the 720 x 480 top view as VIEW.bmp and the front camera's lookup table in the target device's
 * format as FRONT_LUT.bin.
 *
 * Shows how to fill the camera and view records, size every buffer the engine reads or writes,
 * check each result and save a picture. The camera records are those of camrig_demo's synthetic
 * four-camera rig, so on the demo's rig_front.bmp, rig_rear.bmp, rig_left.bmp and rig_right.bmp
 * this program writes the demo's top_view.bmp byte for byte. Replace them with your own cameras'
 * calibration. */
#include <camrig.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "frame_io.h"

/* Frame size of every camera: the engine reads all four frames at camera slot 0's size. */
enum { kFrameWidth = 720, kFrameHeight = 480 };

/* Where a camera sits on the vehicle (millimetres; Z points down, so above the ground is negative)
 * and how it is turned: angleX tilts it from straight down, angleZ turns it about the vertical
 * (0 looks forward, toward -Y; 180 backward; -90 left; 90 right). */
typedef struct Mount {
    float x, y, z;
    float angleX, angleZ;
} Mount;

/* The rig's cameras on a 1800 x 4500 mm vehicle centred on the origin, in slot order. */
static const Mount kMounts[4] = {
    {0.0f, -2250.0f, -700.0f, 55.0f, 0.0f},        /* CR_SLOT_FRONT: bumper, 35 degrees down */
    {0.0f, 2250.0f, -900.0f, 50.0f, 180.0f},       /* CR_SLOT_REAR: above the plate, 40 down */
    {-1000.0f, -1100.0f, -1000.0f, 25.0f, -90.0f}, /* CR_SLOT_LEFT: mirror, 65 down */
    {1000.0f, -1100.0f, -1000.0f, 25.0f, 90.0f},   /* CR_SLOT_RIGHT: mirror, 65 down */
};

/* One fisheye lens for all four: image height from incidence angle (k1..k5) and its fitted
 * inverse (c0..c8), in sensor units of 280 pixels, focal length 1. */
static const float kForward[5] = {1.0f, -0.055f, 0.004f, 0.0f, 0.0f};
static const float kInverse[9] = {0.0f,          1.00007546f,    -0.00145806419f, 0.0649852529f,  -0.0333670452f,
                                  0.0661249086f, -0.0629172474f, 0.0349392667f,   -0.00820070598f};

static void fillCamera(CameraParam* cam, const Mount* m) {
    memset(cam, 0, sizeof *cam); /* no calibration pairs: the top view reads only lens and pose */
    cam->focalLength = 1.0f;
    cam->pixelScaleX = 280.0f;
    cam->pixelScaleY = 280.0f;
    cam->principalX = 360.0f;
    cam->principalY = 240.0f;
    memcpy(cam->distortion, kForward, sizeof kForward);
    memcpy(cam->undistortion, kInverse, sizeof kInverse);
    cam->imageWidth = kFrameWidth;
    cam->imageHeight = kFrameHeight;
    cam->positionX = m->x;
    cam->positionY = m->y;
    cam->positionZ = m->z;
    cam->angleX = m->angleX;
    cam->angleZ = m->angleZ;
}

/* The view: 720 x 480 pixels, the vehicle in the middle and about 5 m of ground on every side. */
static void fillView(MultiviewParam* p, CameraParam cams[4]) {
    memset(p, 0, sizeof *p);
    p->flags = CR_MULTI_BILINEAR; /* smoother far ground, where camera pixels are large */
    p->carWidth = 1800;
    p->carLength = 4500;
    p->carColor = 0x00606060; /* 0x00BBGGRR */
    p->frontFov = 190.0f;     /* the lenses' whole field of view */
    p->rearFov = 190.0f;
    p->blendAngle = 10.0f;
    p->lineWidth = 2;
    p->mode = 0; /* corners mixed by closeness to each camera */
    p->viewWidth = 720;
    p->viewHeight = 480;
    p->viewCenterX = 360.0f;
    p->viewCenterY = 240.0f;
    p->scale = (4500.0f + 2.0f * 5000.0f) / 480.0f; /* millimetres per view pixel */
    p->cameras = cams;
}

/* Builds the engine's tables, composes one view and saves it with the front camera's table. */
static int compose(EngineHandle* h, MultiviewParam* p, unsigned char* frames[4], const char* viewPath,
                   const char* lutPath) {
    /* A view is viewHeight rows of crImageStride(3, viewWidth) bytes. */
    unsigned char* view = calloc((size_t)crImageStride(3, p->viewWidth) * p->viewHeight, 1);
    unsigned char* lut = NULL;
    int len = 0, ok = 0;
    if (!view) {
        fprintf(stderr, "out of memory\n");
        return 0;
    }
    /* Init returns -1 only for an engine without state; tables it could not allocate show as a
     * LUT length of 0. */
    if (crMultiviewInit(h, p) != 0 || crMultiviewGetLUTLen(h, &len) != 0 || len == 0) {
        fprintf(stderr, "the engine could not build its tables\n");
    } else if (crMultiviewApply(h, frames[CR_SLOT_FRONT], frames[CR_SLOT_LEFT], frames[CR_SLOT_RIGHT],
                                frames[CR_SLOT_REAR], view) != 0) { /* Apply's order: front, left, right, rear */
        fprintf(stderr, "Apply failed\n");
    } else if (!(lut = malloc((size_t)len))) {
        fprintf(stderr, "out of memory\n");
    } else if (crMultiviewGetLUT(h, lut, len, CR_SLOT_FRONT) != 0) {
        fprintf(stderr, "GetLUT failed\n");
    } else {
        ok = saveBmp(viewPath, view, p->viewWidth, p->viewHeight) && writeFile(lutPath, lut, (size_t)len);
    }
    free(lut);
    free(view);
    return ok;
}

int main(int argc, char** argv) {
    CameraParam cams[4];
    MultiviewParam param;
    unsigned char* frames[4] = {NULL, NULL, NULL, NULL};
    EngineHandle* h = NULL;
    int slot, ok = 1;
    if (argc != 7) {
        fprintf(stderr, "usage: %s FRONT.bmp REAR.bmp LEFT.bmp RIGHT.bmp VIEW.bmp FRONT_LUT.bin\n", argv[0]);
        return 2;
    }
    for (slot = 0; slot < 4; ++slot) {
        fillCamera(&cams[slot], &kMounts[slot]);
        /* argv[1..4] are in slot order; every frame has camera slot 0's size. */
        frames[slot] = loadFrame(argv[1 + slot], cams[CR_SLOT_FRONT].imageWidth, cams[CR_SLOT_FRONT].imageHeight);
        ok = ok && frames[slot];
    }
    fillView(&param, cams);
    if (ok && !(h = crMultiviewCreate(0))) { /* 0: top view */
        fprintf(stderr, "cannot create the top-view engine\n");
        ok = 0;
    }
    ok = ok && compose(h, &param, frames, argv[5], argv[6]);
    crMultiviewRelease(&h); /* a null handle is fine */
    for (slot = 0; slot < 4; ++slot) free(frames[slot]);
    if (ok) printf("wrote %s and %s\n", argv[5], argv[6]);
    return ok ? 0 : 1;
}
