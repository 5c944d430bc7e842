/* singleview: a lens-corrected view of one camera's frame with parking guides for a steering angle.
 *
 *   singleview FRAME.bmp STEERING_DEGREES VIEW.bmp
 *
 * Reads a 720 x 480 24-bit BMP frame of the camera below, draws the guide lines that the vehicle
 * would sweep at the given steering angle (whole degrees: 0 straight ahead, positive to the left,
 * negative to the right) onto a picture of the ground, lets the single-view engine correct the
 * frame and lay the guides over it, and writes the 720 x 480 view as VIEW.bmp.
 *
 * Shows how to make a guide picture with the parking-guide functions, give it to the engine, keep
 * the view record alive while the engine uses it, and size the frame and view buffers. The camera
 * is camrig_demo's sample camera (its single_camera.bmp is a frame of it) and the view is that of
 * the demo's single_view.bmp. */
#include <camrig.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "frame_io.h"

/* The guide picture lies on the ground at 10 mm per pixel (the engine's ground-picture scale): its
 * middle column on X = 0, its first row on Y = kGroundOffset / 2, 5 m ahead of the camera, its last
 * row just in front of the camera. */
enum { kGroundWidth = 600, kGroundHeight = 500, kGroundOffset = -10000 };
static const float kGroundScale = 10.0f; /* mm per picture pixel */

/* Near-equidistant fisheye, 164 pixels per sensor unit, focal length 1, 1 m above the ground
 * looking forward (toward -Y) 40 degrees below the horizon. */
static void fillCamera(CameraParam* cam) {
    static const float forward[5] = {1.0f, -0.055f, 0.004f, 0.0f, 0.0f};
    static const float inverse[9] = {0.0f,          1.00007546f,    -0.00145806419f, 0.0649852529f,  -0.0333670452f,
                                     0.0661249086f, -0.0629172474f, 0.0349392667f,   -0.00820070598f};
    memset(cam, 0, sizeof *cam);
    cam->focalLength = 1.0f;
    cam->pixelScaleX = 164.0f;
    cam->pixelScaleY = 164.0f;
    cam->principalX = 360.0f;
    cam->principalY = 240.0f;
    memcpy(cam->distortion, forward, sizeof forward);
    memcpy(cam->undistortion, inverse, sizeof inverse);
    cam->imageWidth = 720;
    cam->imageHeight = 480;
    cam->positionZ = -1000.0f; /* Z points down */
    cam->angleX = 50.0f;       /* optical axis 50 degrees from straight down */
}

/* A 720 x 480 corrected view: the lens undone, a flat centre panel with folded side panels, and
 * the ground picture laid over it. */
static void fillView(ViewParam* view, CameraParam* cam) {
    memset(view, 0, sizeof *view);
    view->flags = CR_VIEW_BILINEAR | CR_VIEW_LENS | CR_VIEW_FOLD | CR_VIEW_OVERLAY;
    view->modeParam = 0.5f;   /* fold strength of the side panels */
    view->bandWidth = 160.0f; /* half-width of the flat centre panel, pixels */
    view->zoomX = 110.0f;     /* view pixels per unit of ray slope */
    view->zoomY = 110.0f;
    view->outWidth = 720;
    view->outHeight = 480;
    view->centerX = 360.0f;
    view->centerY = 240.0f;
    view->overlayScale = kGroundScale;
    view->overlayOffset = kGroundOffset;
    view->camera = cam;
}

/* The brush of crDrawLineBresenham hangs right of and below each point: 60 mm of paint. */
enum { kBrush = 6 };

/* Guide picture column and row of a ground point, placed so that the brush is centred on it.
 * crDrawLineBresenham skips a line with an end off the picture. */
static int groundColumn(Point2f p) { return (int)(p.x / kGroundScale + kGroundWidth / 2 + 0.5f) - kBrush / 2; }
static int groundRow(Point2f p) {
    const float row = (p.y - kGroundOffset / 2) / kGroundScale;
    return row < 0.0f ? -1 : (int)(row + 0.5f) - kBrush / 2;
}

/* Draws the guide outline for `steering` degrees into the packed ground picture `pixels` (black,
 * which the engine treats as transparent), one colour per distance band. */
static int drawGuides(int steering, unsigned char* pixels) {
    static const uint32_t colours[3] = {0x002020E0, 0x0020E0E0, 0x0020C020}; /* 0x00BBGGRR: red, yellow, green */
    Point2f points[62];
    unsigned char* rows[kGroundHeight];
    Image img;
    PgsParam pgs;
    int i;
    memset(&pgs, 0, sizeof pgs);
    pgs.guideWidth = 1800; /* the vehicle's width: lines at x = -900 and 900 */
    pgs.wheelbase = 2700;
    pgs.vehicleLength = 4500;
    pgs.steeringAngle = steering;
    /* Lines start (vehicleLength - wheelbase) / 2 = 900 mm beyond the turning axle, at the bumper,
     * plus startOffset; axleOffset + wheelbase / 2, here -900, is added to every y, which puts the
     * bumper, where the camera is, at y = 0. */
    pgs.axleOffset = -2250;
    pgs.startOffset = 300;    /* the guide starts 30 cm ahead of the bumper */
    pgs.band1Distance = 1000; /* band ends, from the start of the guide */
    pgs.band2Distance = 2000;
    pgs.band3Distance = 3000;
    pgs.pointCount = (int32_t)(sizeof points / sizeof points[0]); /* capacity in, count out */
    if (crGetPGSWorldPoints(&pgs, points) != 0) {
        fprintf(stderr, "no guide\n");
        return 0;
    }

    crImageWrap(&img, 3, kGroundWidth, kGroundHeight, pixels, rows);
    /* Per band (band1Points, band2Points, band3Points points): the right line near to far, then
     * the left line far to near, then a (-1, -1) separator. y comes negated: ahead of the camera,
     * toward -Y, where the ground picture lies. */
    for (i = 0; i + 1 < pgs.pointCount; ++i) {
        const Point2f a = points[i], b = points[i + 1];
        const int band = i < pgs.band1Points ? 0 : i < pgs.band1Points + pgs.band2Points ? 1 : 2;
        if ((a.x == -1.0f && a.y == -1.0f) || (b.x == -1.0f && b.y == -1.0f)) continue;
        crDrawLineBresenham(&img, groundColumn(a), groundRow(a), groundColumn(b), groundRow(b), colours[band], kBrush);
    }
    return 1;
}

/* Corrects one frame into `out` (outHeight rows of crImageStride(3, outWidth) bytes). */
static int correct(EngineHandle* h, ViewParam* view, const unsigned char* ground, const unsigned char* frame,
                   unsigned char* out) {
    int len = 0;
    /* The ground picture must be in place before Init, which draws it into the view's overlay. */
    if (crSingleviewSetImage(h, kGroundWidth, kGroundHeight, ground, 0) != 0) {
        fprintf(stderr, "SetImage failed\n");
        return 0;
    }
    /* Init returns -1 only for an engine without state; tables it could not allocate show as a
     * LUT length of 0. */
    if (crSingleviewInit(h, view) != 0 || crSingleviewGetLUTLen(h, &len) != 0 || len == 0) {
        fprintf(stderr, "the engine could not build its tables\n");
        return 0;
    }
    if (crSingleviewApply(h, frame, out) != 0) {
        fprintf(stderr, "Apply failed\n");
        return 0;
    }
    return 1;
}

int main(int argc, char** argv) {
    /* The engine keeps `view` (and through it `cam`) by address until Release. */
    CameraParam cam;
    ViewParam view;
    EngineHandle* h = NULL;
    unsigned char *frame = NULL, *ground = NULL, *out = NULL;
    char* end = NULL;
    long steering;
    int ok = 0;
    if (argc != 4) {
        fprintf(stderr, "usage: %s FRAME.bmp STEERING_DEGREES VIEW.bmp\n", argv[0]);
        return 2;
    }
    errno = 0;
    steering = strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || errno != 0 || steering < -60 || steering > 60) {
        fprintf(stderr, "steering angle: whole degrees from -60 to 60\n");
        return 2;
    }
    fillCamera(&cam);
    fillView(&view, &cam);
    frame = loadFrame(argv[1], cam.imageWidth, cam.imageHeight);
    ground = calloc((size_t)crImageStride(3, kGroundWidth) * kGroundHeight, 1);
    out = calloc((size_t)crImageStride(3, view.outWidth) * view.outHeight, 1);
    if (frame && (!ground || !out)) fprintf(stderr, "out of memory\n");
    if (frame && ground && out && drawGuides((int)steering, ground)) {
        h = crSingleviewCreate(0);
        if (!h) fprintf(stderr, "cannot create the single-view engine\n");
        ok = h && correct(h, &view, ground, frame, out) && saveBmp(argv[3], out, view.outWidth, view.outHeight);
    }
    crSingleviewRelease(&h); /* a null handle is fine */
    free(out);
    free(ground);
    free(frame);
    if (ok) printf("wrote %s\n", argv[3]);
    return ok ? 0 : 1;
}
