/*
 * camrig: camera geometry for vehicle surround-view systems.
 *
 * A plain C interface. The caller owns every record and buffer it passes in;
 * the library keeps nothing between calls except what an engine handle owns.
 * Records are laid out for a 32-bit platform (every field 4 bytes); on a
 * 64-bit platform pointer fields are 8 bytes and naturally aligned.
 */
#ifndef CAMRIG_H
#define CAMRIG_H

#include <stdint.h>

#if defined(CAMRIG_BUILDING) && defined(__GNUC__)
#define CR_API __attribute__((visibility("default")))
#else
#define CR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Conventions ----------------------------------------------------------
 * World frame. The ground is the plane Z = 0 and Z points down: a camera above the ground has a
 * negative positionZ. X runs across the vehicle toward its right side and Y along it toward the
 * rear, so the front lies toward -Y; a top view shows +X to the right and +Y downward. Lengths are
 * in the unit of the calibration data (world units). There are two ground frames: worldPoints,
 * and the results of crImageToWorld and crConvertImage2World, are in the calibration frame; camera
 * positions, crGetProjectionZ3x3, crWorldToImage2D and the homographies and poses estimated from
 * the calibration pairs are in the pose frame. Calibration coordinates = pose coordinates +
 * (originX, originY): originX, originY are where the pose frame's origin lies in the calibration
 * frame.
 *
 * Angles. Angles in records are degrees; lens angles are radians. A world point P has camera
 * coordinates R * (P - position), where R = Rx(-angleX) * Ry(-angleY) * Rz(-angleZ) is a product
 * of right-handed rotations about the x, y and z axes; angleY is the pan angle (the record stores
 * angleX, angleZ, angleY in that order). In the camera frame x runs along image columns, y along
 * image rows and z along the optical axis: with all angles 0 the camera looks straight down (+Z),
 * its columns along +X and its rows along +Y.
 *
 * Lens model. A pixel (u, v) lies at the sensor offset x = (u - principalX) / pixelScaleX,
 * y = (v - principalY) / pixelScaleY from the principal point (principalX, principalY), the pixel
 * of the optical centre, at image height rho = sqrt(x*x + y*y); pixelScaleX and pixelScaleY are
 * pixels per sensor unit, and focalLength, rho and the polynomials are in sensor units. Two
 * independent polynomials relate rho to the incidence angle t (radians, between the optical axis
 * and the pixel's ray):
 *   distortion   k1..k5:  rho = k1 t + k2 t^3 + k3 t^5 + k4 t^7 + k5 t^9   (odd powers)
 *   undistortion c0..c8:  t   = c0 + c1 rho + c2 rho^2 + ... + c8 rho^8
 * Neither is derived from the other: a round trip is as exact as the two agree. The undistorted
 * (pinhole) point of a pixel lies focalLength * tan(t) from the optical centre in the pixel's
 * direction, in sensor units about the optical centre (not in pixels). All arithmetic is single
 * precision.
 *
 * Pixels. A pixel position is (x, y) = (column, row) in floats, integer values at pixel centres,
 * (0, 0) the top-left pixel. A 3-channel pixel holds its bytes in the order blue, green, red; a
 * 32-bit colour is 0x00BBGGRR (red in the low byte). A LUT in row form is one row pointer per
 * output row, each to 2 x width floats: per output pixel the (x, y) source position, (-1, -1) for
 * a pixel without source.
 *
 * Matrices. The library exports no Matrix constructor: the caller makes the record over storage of
 * its own, `rows` row pointers each to `cols` floats, with rows and cols set; crMatrixWrap does
 * that over one array, for example
 *   float elements[9];
 *   float* rowPtrs[3];
 *   Matrix h;
 *   crMatrixWrap(&h, 3, 3, elements, rowPtrs);
 * A function writes the elements of the size it states (3 x 3 or 3 x 4) and never allocates,
 * resizes or frees a caller's Matrix.
 *
 * Checking. The geometric functions return nothing or a small record by value and do not check
 * pointers, sizes or record values: null or undersized arguments are the caller's error. A
 * degenerate camera or point set gives meaningless or non-finite numbers, and a singular
 * intermediate matrix may print a message ("Singular Matrix!") on the console. */

/* ---- Records ------------------------------------------------------------ */

typedef struct Point2f {
    float x;
    float y;
} Point2f;

typedef struct Point3f {
    float x;
    float y;
    float z;
} Point3f;

/* Dense single-precision matrix: `rows` row pointers of `cols` floats each. */
typedef struct Matrix {
    float** data;
    int32_t rows;
    int32_t cols;
} Matrix;

/* Picture whose rows are separate blocks of `stride` bytes (channels x width
 * rounded up to a multiple of 4), reached through `data`. The library exports
 * no constructor: the caller fills the record, e.g. with crImageWrap. */
typedef struct Image {
    int32_t size;     /* sizeof(Image), 32 on a 32-bit platform; no function reads it */
    int32_t channels; /* bytes per pixel */
    int32_t reserved;
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t imageSize; /* stride x height */
    unsigned char** data;
} Image;

/* ---- Making records -------------------------------------------------------
 * Inline helpers (no library symbols) that fill a caller's Image or Matrix over buffers the
 * caller owns. They allocate nothing and check nothing: the buffers must be large enough and
 * outlive the record. */
#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 199901L)
#define CR_INLINE static inline
#elif defined(__GNUC__)
#define CR_INLINE static __inline__ /* C89 has no inline; GCC and Clang take this spelling there */
#else
#define CR_INLINE static
#endif

/* Returns the bytes in one row of a picture `width` pixels wide with `channels` bytes per pixel:
 * channels x width rounded up to a multiple of 4. It is Image.stride, and with channels 3 the row
 * length of every frame, view and picture the engines exchange: a packed picture w x h takes
 * crImageStride(3, w) x h bytes. */
CR_INLINE int32_t crImageStride(int32_t channels, int32_t width) { return (channels * width + 3) & ~3; }

/* Fills `img` as a picture of `height` rows of `width` pixels, `channels` bytes each, over the
 * contiguous buffer `pixels` (height x crImageStride(channels, width) bytes, rows in order: the
 * layout of a packed frame or view), with `rowPtrs` (height pointers, written) as its row table:
 * rowPtrs[r] = pixels + r x stride. Sets size to sizeof(Image), reserved to 0, stride and
 * imageSize = stride x height. */
CR_INLINE void crImageWrap(Image* img, int32_t channels, int32_t width, int32_t height, unsigned char* pixels,
                           unsigned char** rowPtrs) {
    unsigned char* row = pixels;
    int32_t r;
    img->size = (int32_t)sizeof(Image);
    img->channels = channels;
    img->reserved = 0;
    img->width = width;
    img->height = height;
    img->stride = crImageStride(channels, width);
    img->imageSize = img->stride * height;
    for (r = 0; r < height; ++r, row += img->stride) rowPtrs[r] = row;
    img->data = rowPtrs;
}

/* Fills `m` as a `rows` x `cols` matrix over `elements` (rows x cols floats, row after row), with
 * `rowPtrs` (rows pointers, written) as its row table: rowPtrs[i] = elements + i x cols. */
CR_INLINE void crMatrixWrap(Matrix* m, int32_t rows, int32_t cols, float* elements, float** rowPtrs) {
    float* row = elements;
    int32_t i;
    for (i = 0; i < rows; ++i, row += cols) rowPtrs[i] = row;
    m->data = rowPtrs;
    m->rows = rows;
    m->cols = cols;
}

/* One camera: fisheye intrinsics, two lens polynomials, pose on the vehicle
 * and up to 50 calibration pairs. 249 four-byte fields, 996 bytes. */
typedef struct CameraParam {
    float focalLength;     /* sensor units */
    float pixelScaleX;     /* pixels per sensor unit along columns */
    float pixelScaleY;     /* pixels per sensor unit along rows */
    float principalX;      /* optical centre column */
    float principalY;      /* optical centre row */
    float distortion[5];   /* k1..k5: angle -> image height */
    float undistortion[9]; /* c0..c8: image height -> angle */
    int32_t imageWidth;
    int32_t imageHeight;
    int32_t spare1[2];
    float positionX;
    float positionY;
    float positionZ; /* negative above the ground */
    float angleX;    /* degrees */
    float angleZ;    /* degrees */
    float angleY;    /* degrees (pan) */
    float originX;
    float originY;
    int32_t spare2[2];
    int32_t pointCount;
    Point2f imagePoints[50]; /* distorted pixels */
    Point2f worldPoints[50]; /* ground plane */
    int32_t spare3[15];
} CameraParam;

/* View flags of ViewParam.flags */
#define CR_VIEW_BILINEAR 0x1u
#define CR_VIEW_BICUBIC 0x2u
#define CR_VIEW_LENS 0x20u
#define CR_VIEW_RADIAL 0x40u
#define CR_VIEW_FLIP 0x100u
#define CR_VIEW_MIRROR 0x200u
#define CR_VIEW_FOLD 0x1000u
#define CR_VIEW_OVERLAY 0x2000u
#define CR_VIEW_SPLIT 0x10000u
#define CR_VIEW_ROWWISE 0x20000u

/* Single-camera corrected view. */
typedef struct ViewParam {
    uint32_t flags;
    float modeParam;
    float keystoneX; /* degrees */
    float keystoneY; /* degrees */
    float shiftX;
    float shiftY;
    float rotation; /* degrees */
    float zoomX;
    float zoomY;
    float shearX;
    float shearY;
    float bandWidth;
    int32_t reserved13;
    int32_t reserved14;
    int32_t outWidth;
    int32_t outHeight;
    float centerX;
    float centerY;
    float overlayScale; /* world units per overlay pixel */
    int32_t reserved20;
    int32_t reserved21;
    int32_t reserved22;
    int32_t reserved23;
    CameraParam* camera;
    int32_t reserved25;
    int32_t overlayOffset;
} ViewParam;

/* Multi-view flags of MultiviewParam.flags */
#define CR_MULTI_BILINEAR 0x1u
#define CR_MULTI_BICUBIC 0x2u
#define CR_MULTI_TINT 0x4000u
#define CR_MULTI_TURNED 0x8000u

/* Multi-view camera slots */
#define CR_SLOT_FRONT 0
#define CR_SLOT_REAR 1
#define CR_SLOT_LEFT 2
#define CR_SLOT_RIGHT 3

/* Kinds of crMultiviewSetImage */
#define CR_CLEAR_OVERLAY 6
#define CR_CAR_PICTURE 7
#define CR_REPLACE_MAP 0x00CC0020

/* Record of every multi-view engine. Reserved fields are named by their byte
 * offset on the 32-bit layout. */
typedef struct MultiviewParam {
    uint32_t flags;
    int32_t reserved4;
    int32_t reserved8;
    int32_t carWidth;
    int32_t carLength;
    int32_t reserved20;
    int32_t reserved24;
    int32_t reserved28;
    float frontFov;    /* degrees */
    float rearFov;     /* degrees */
    float blendAngle;  /* degrees */
    uint32_t carColor; /* 0x00BBGGRR */
    int32_t lineWidth;
    int32_t mode;
    float bowlWallX;  /* bowl views: the wall's horizontal growth along X, floor edge to rim */
    float bowlWallY;  /* and along Y; the floor's X semi-axis is bowlWallX * bowlFloorY / bowlWallY */
    float bowlHeight; /* the rim's height above the ground */
    float bowlFloorY; /* the floor's semi-axis along Y */
    int32_t reserved72[8];
    int32_t viewWidth;
    int32_t viewHeight;
    float viewCenterX;
    float viewCenterY;
    float scale; /* world units per view pixel */
    int32_t reserved124[8];
    /* Slots 0 front, 1 rear, 2 left, 3 right. The bowl views (types 1 and 2)
     * read a fifth record, the virtual pinhole camera they are seen through,
     * and at Init write the poses calibrated from the pairs of slots 0..3 and
     * the view centre as the fifth record's principal point. */
    CameraParam* cameras;
} MultiviewParam;

/* Parking-guide record. */
typedef struct PgsParam {
    int32_t guideWidth;
    int32_t wheelbase;
    float segmentEnd;
    int32_t steeringAngle; /* degrees */
    int32_t reserved5;
    int32_t vehicleLength;
    int32_t reserved7;
    int32_t startOffset;
    int32_t axleOffset;
    int32_t segmentStart;
    float turnRadius;
    float arcOffset;
    int32_t reserved13;
    int32_t rowCount;
    int32_t pointCount;
    Point2f* points0;
    Point2f* points1;
    int32_t bandCount;
    int32_t reserved19;
    int32_t reserved20;
    int32_t band1Points;
    int32_t band1Distance;
    int32_t reserved23;
    int32_t reserved24;
    int32_t band2Points;
    int32_t band2Distance;
    int32_t reserved27;
    int32_t reserved28;
    int32_t band3Points;
    int32_t band3Distance;
} PgsParam;

/* Opaque view-engine handle. */
typedef struct EngineHandle EngineHandle;

/* ---- View engines --------------------------------------------------------
 * An engine turns camera frames into a view through tables that its Init builds. Create it with
 * crSingleviewCreate (one camera, corrected view) or crMultiviewCreate (four cameras: top view or
 * bowl view), call Init with the view record, then Apply once per frame; the Get, Save and Set
 * operations may run at any time after Init (the single-view SetImage and SetOverlay also before
 * it); Release frees the engine. Pass a handle only to the functions of its own family
 * (crSingleview* or crMultiview*). A handle is used by one thread at a time; handles share
 * nothing, but a record that an engine writes (see the Init, GetMaskLen, SaveImage and
 * AdjustCameraPose functions) must not be used by another engine at the same time.
 *
 * Results: an operation returns 0 whenever the handle has its state, whatever its work found: a
 * length, slot, format or size that it rejects, a call before the first Init, or a file that
 * cannot be written makes it do nothing, and it still returns 0. It returns -1 only for a null
 * handle or a handle without state (Create could not allocate it). Exceptions: crSingleviewGetFOV
 * returns 0 for a null handle, and the Release functions return 0 for a null handle.
 *
 * Pictures: frames, views and pictures exchanged with the engines are packed 3-byte pixels in the
 * byte order blue, green, red, row 0 first, each row padded to a multiple of 4 bytes: a picture
 * w pixels wide and h high takes h * ((3 * w + 3) & ~3) bytes. The caller allocates them.
 *
 * LUT text file (SaveLUT of every engine): one line per view pixel, rows top to bottom and within a
 * row columns left to right, "%d %d %.6f %.6f" and CR LF: column, row, source x, source y in camera
 * pixels; a negative coordinate (pixel without source) is written as 36245.000000. An existing
 * file is replaced; a path that cannot be opened is skipped silently. The LUT text files and the
 * BMP files of SaveImage are written under a temporary name in the same folder and renamed when
 * complete, so a failed write leaves the previous file, or none (links, devices and pipes are
 * written in place).
 *
 * Multi-view engines: camera slots 0 front, 1 rear, 2 left, 3 right (CR_SLOT_*) index
 * MultiviewParam.cameras and the slot arguments, but Apply takes its frames in the order front,
 * left, right, rear. Every frame, whatever its camera, must have camera slot 0's size
 * (cameras[0].imageWidth x cameras[0].imageHeight); the LUTs of all cameras address that size.
 * The blend map, a viewWidth x viewHeight 3-byte picture of bytes (b0, b1, b2), tells Apply how to
 * make each view pixel: (0, 0, 0) front, (255, 255, 0) rear, (255, 0, 0) left, (0, 255, 0) right
 * camera alone; with b2 = v not 0, (0, 0, v) front and left, (0, 255, v) front and right,
 * (255, 0, v) rear and left, (255, 255, v) rear and right, the side camera weighing v / 256; a
 * pixel whose b0 or b1 is neither 0 nor 255 is a colour shown as it is (the vehicle area, placed
 * pictures). A view pixel that a camera does not see is red (0, 0, 255) in that camera's share. */

/* Creates a single-view engine: one camera's frames remapped into a corrected view described by a
 * ViewParam (see crGetviewModeLUT). `type` must be 0. Returns the handle, owned by the caller
 * until crSingleviewRelease; null for any other type or when the handle cannot be allocated. If
 * only the engine's state cannot be allocated, the handle is returned and every operation on it
 * returns -1. */
CR_API EngineHandle* crSingleviewCreate(int type);
/* Builds the view's tables from `view` and its camera `view->camera`: the LUT that gives each of
 * the outWidth x outHeight view pixels its source in the camera frame, and the overlay layer made
 * from the pictures of crSingleviewSetImage and crSingleviewSetOverlay. Takes a copy of
 * view->flags. The engine keeps `view` by address and reads it again in GetFOV, GetMaskLen and
 * SaveImage: the record and its camera must stay valid until Release, and Init must run again
 * after either (or a picture) changes. Tables are re-used while the sizes stay the same; the
 * overlay layer is then not cleared, so opaque SetOverlay pixels once drawn stay unless a ground
 * picture is shown (it rewrites the whole layer). With a null view or camera nothing is done and
 * Apply hands back the last view; a size that cannot be allocated (e.g. negative) leaves no
 * tables. Returns 0, or -1 without handle state. */
CR_API int crSingleviewInit(EngineHandle* h, ViewParam* view);
/* Remaps one camera frame into the view. `frame` (read): the camera's imageHeight rows of
 * imageWidth pixels, packed. `out` (written): outHeight rows of (3 * outWidth + 3) & ~3 bytes, all
 * of them written. Sampling follows the view flags (CR_VIEW_BICUBIC, else CR_VIEW_BILINEAR, else
 * nearest); view pixels without a camera source are red (0, 0, 255). With CR_VIEW_OVERLAY the
 * non-black pixels of the overlay layer are drawn on top. Until an Init has completed, the frame is
 * not read and `out` receives the last view made, if any. Neither pointer may be null. Returns 0,
 * or -1 without handle state. */
CR_API int crSingleviewApply(EngineHandle* h, const unsigned char* frame, unsigned char* out);
/* Stores in *len (when len is not null) the byte length of the target LUT, outWidth * outHeight * 4
 * of the last Init; 0 before any. Returns 0, or -1 without handle state. */
CR_API int crSingleviewGetLUTLen(EngineHandle* h, int* len);
/* Writes the view LUT into `dst` (allocated by the caller) in the target device's format, as
 * crMakeBinView writes it with mode = flags & CR_VIEW_BILINEAR: outWidth * outHeight entries of two
 * int16 fixed-point source coordinates. `len` must equal the length from crSingleviewGetLUTLen;
 * otherwise, or before Init, nothing is written. Returns 0, or -1 without handle state. */
CR_API int crSingleviewGetLUT(EngineHandle* h, unsigned char* dst, int len);
/* Writes the view LUT as a LUT text file at `path` (format above). Nothing is written before
 * Init, with a null path, or when the file cannot be opened. Returns 0, or -1 without handle
 * state. */
CR_API int crSingleviewSaveLUT(EngineHandle* h, const char* path);
/* Stores the view's horizontal and vertical field of view, in degrees, in *horizontal and *vertical
 * (each skipped when null): the absolute sum of the camera incidence angles (as crGetFOV gives
 * them) of the outermost view pixels with a camera source in the middle row, respectively the
 * middle column, of the LUT of the last Init. Before any Init nothing is written. Returns 0, also
 * for a null handle; -1 for a handle without state. */
CR_API int crSingleviewGetFOV(EngineHandle* h, float* horizontal, float* vertical);
/* Renders and encodes the target's overlay mask and stores its byte length in *len (when len is
 * not null). The mask is the ground picture of crSingleviewSetImage as the view sees it, drawn in
 * a strip of outHeight rows and round(720 * outWidth / scaleBase) columns (scaleBase 720: the
 * view's width). Each pixel becomes the index of the nearest (by squared RGB distance, lowest index
 * on ties) of 256 colours, and the indices, row after row, are run-length coded as byte pairs
 * (index, n) standing for n + 1 equal indices, n 0..255. Palette (red, green, blue): entry
 * 36i + 6j + k < 215 is (L[i], L[j], L[k]) with L = 255, 204, 153, 102, 51, 0; entries 215..224,
 * 225..234, 235..244, 245..254 are (v, 0, 0), (0, v, 0), (0, 0, v), (v, v, v) for v = 238, 221,
 * 187, 170, 136, 119, 85, 68, 34, 17; entry 255 is black. The length is 0 before Init, without a
 * ground picture, without CR_VIEW_OVERLAY in the flags of the last Init, for scaleBase <= 0, or
 * when the mask would exceed 1,024,000 bytes. `scaleBase` is kept for crSingleviewSaveImage.
 * Rendering changes fields of the kept ViewParam while it runs and leaves view->centerX at
 * outWidth / 2. Returns 0, or -1 without handle state. */
CR_API int crSingleviewGetMaskLen(EngineHandle* h, int* len, int scaleBase);
/* Copies the mask encoded by the last crSingleviewGetMaskLen into `dst` (allocated by the caller)
 * when `len` equals the length it reported and that length is not 0; otherwise writes nothing.
 * Returns 0, or -1 without handle state. */
CR_API int crSingleviewGetMask(EngineHandle* h, unsigned char* dst, int len);
/* Sets the ground picture: `width` x `height` packed pixels (read and copied), drawn on the ground
 * plane at 10 world units per picture pixel, its middle column on world x = 0 and its row 0 on
 * world y = view->overlayOffset / 2 (overlayScale is not used); black (0, 0, 0) pixels are
 * transparent. It enters the overlay layer at the next Init when the view flags have
 * CR_VIEW_OVERLAY, and GetMaskLen and SaveImage render it as it stands. With `clear` not 0 the
 * stored picture's first `height` rows (at most all) are blackened instead; `width` and `pixels`
 * are then ignored. A size that cannot be allocated (e.g. negative) drops the stored picture.
 * Returns 0, or -1 without handle state. */
CR_API int crSingleviewSetImage(EngineHandle* h, int width, int height, const unsigned char* pixels, int clear);
/* Sets the view-plane overlay picture: `width` x `height` packed pixels (read and copied) laid over
 * the view, picture pixel (c, r) on view pixel (c, r); parts beyond the view are ignored. Black
 * (0, 0, 0) pixels are transparent; others are stored with each byte 0 raised to 1 and 255 lowered
 * to 254. A picture of the size already stored is merged into it: where the new one is black the
 * earlier pixels stay. It takes effect at the next Init, over the ground picture, and Apply shows
 * it when the view flags have CR_VIEW_OVERLAY. Null pixels or a zero width or height do nothing.
 * Returns 0, or -1 without handle state. */
CR_API int crSingleviewSetOverlay(EngineHandle* h, int width, int height, const unsigned char* pixels);
/* Writes the mask strip of crSingleviewGetMaskLen (with the scale base of its last call, 800 after
 * Init), in full colour before the palette is applied, as a 24-bit BMP file at `path`. Nothing is
 * written with a null path, before Init, without a ground picture or CR_VIEW_OVERLAY, or when the
 * file cannot be opened. Like GetMaskLen it leaves view->centerX at outWidth / 2. Returns 0, or -1
 * without handle state. */
CR_API int crSingleviewSaveImage(EngineHandle* h, const char* path);
/* Frees the engine and everything it owns and sets *handle to null. Returns 0, also when `handle`
 * or *handle is null (nothing happens, so a second Release is harmless). *handle must come from
 * crSingleviewCreate. */
CR_API int crSingleviewRelease(EngineHandle** handle);

/* Creates a multi-view engine: type 0 the top view (the ground around the vehicle seen from
 * above), types 1 and 2 the bowl views (the surroundings modelled as a bowl and seen through a
 * virtual camera; the two types differ in Init's use of `mode`, Apply's tint and SetImage).
 * Returns the handle, owned by the caller until crMultiviewRelease; null for any other type or when
 * the handle cannot be allocated. If only the state cannot be allocated, the handle is returned
 * and every operation on it returns -1. */
CR_API EngineHandle* crMultiviewCreate(int type);
/* Builds the engine's tables from `param`: per camera a LUT (view pixel to camera pixel) and the
 * blend map. The engine keeps nothing of `param` or its cameras after the call. Buffers are re-used
 * while the view size stays the same, and the overlay of SetImage then survives. A null param or
 * null param->cameras does nothing; a view size below 1 or one that cannot be allocated leaves the
 * engine without tables, as before the first Init. Returns 0, or -1 without handle state.
 * Top view (type 0): reads cameras[0..3] and writes nothing into them. View pixel (c, r) shows the
 * ground point ((c - viewCenterX) * scale, (r - viewCenterY) * scale); with CR_MULTI_TURNED it
 * shows ((viewCenterY - 1 - r) * scale, (c - viewCenterX) * scale), a quarter turn. The vehicle
 * rectangle, carWidth / scale by carLength / scale pixels (each rounded, then up to a multiple of
 * 4) around the view centre, is painted in carColor. `mode` shares the four corners between the
 * front or rear and the side camera: 0 mixed by closeness to each camera's image centre and
 * distance from the vehicle; 1 mixed by the incidence angle within frontFov / 2 or rearFov / 2,
 * over a ramp blendAngle degrees wide; 2 and 3 split at seams that leave the vehicle's corners at
 * frontFov / 2 or rearFov / 2 from the vertical, drawn as lines lineWidth pixels thick in
 * carColor; 5 mixed by the angle between seam and vertical; 4 keeps the blend map as it is (e.g.
 * one set with CR_REPLACE_MAP); any other value shows the front camera everywhere. Unless mode is
 * 4, the overlay is then drawn into the map.
 * Bowl views (types 1, 2): read five records, cameras[0..3] and the virtual pinhole camera
 * cameras[4]. Init writes viewCenterX and viewCenterY into cameras[4].principalX and principalY
 * and, for each of cameras[0..3] with at least 4 calibration pairs, the pose estimated from them
 * (as crGetCameraPos does) into its position and angle fields, so a pose set by the caller does
 * not survive. The bowl's floor is an ellipse centred on cameras[0]'s (originX, originY) with
 * semi-axes bowlWallX * bowlFloorY / bowlWallY along X and bowlFloorY along Y; its wall rises to
 * bowlHeight, growing by bowlWallX and bowlWallY. The vehicle outline, carWidth x carLength
 * around cameras[4]'s (originX, originY), splits the view; corners are mixed by incidence angle
 * as in top-view mode 1, and the vehicle area is (1, 1, 1). Type 1 keeps the blend map when mode
 * is 4, otherwise repaints it and draws the overlay into it; type 2 always repaints it and does
 * not draw the overlay. CR_MULTI_TURNED is ignored. */
CR_API int crMultiviewInit(EngineHandle* h, const MultiviewParam* param);
/* Makes one view from the four camera frames, given in the order front, left, right, rear (not the
 * slot order). Each frame (read) has camera slot 0's size, packed; a null frame keeps that
 * camera's picture from the previous Apply. `out` (written): viewHeight rows of
 * (3 * viewWidth + 3) & ~3 bytes, each pixel made as the blend map says; a null out writes nothing.
 * Sampling follows the flags (CR_MULTI_BICUBIC, else CR_MULTI_BILINEAR, else nearest). With
 * CR_MULTI_TINT the red byte of a pixel becomes the mean of itself and the pixel's blend-map byte
 * b2: the top view does it where b2 is 1..254, type 1 everywhere, type 2 never. Before Init
 * nothing is read or written. Returns 0, or -1 without handle state. */
CR_API int crMultiviewApply(EngineHandle* h, const unsigned char* front, const unsigned char* left,
                            const unsigned char* right, const unsigned char* rear, unsigned char* out);
/* Stores in *len (when len is not null) the byte length of one camera's target LUT,
 * viewWidth * viewHeight * 4 of the last Init; 0 before any. Returns 0, or -1 without handle
 * state. */
CR_API int crMultiviewGetLUTLen(EngineHandle* h, int* len);
/* Writes the LUT of camera `slot` (CR_SLOT_*) into `dst` (allocated by the caller, the length of
 * crMultiviewGetLUTLen) in the target device's format, as crMakeBinView writes it with
 * mode = flags & CR_MULTI_BILINEAR: viewWidth x viewHeight entries in the view's own layout (also
 * under CR_MULTI_TURNED), source coordinates in pixels of a camera-slot-0-sized frame. The top
 * view writes only when `len` equals that length; the bowl views do not read `len`. A slot outside
 * 0..3, a null dst or a call before Init writes nothing. Returns 0, or -1 without handle state. */
CR_API int crMultiviewGetLUT(EngineHandle* h, unsigned char* dst, int len, int slot);
/* Writes the LUT of camera `slot` (CR_SLOT_*) as a LUT text file at `path` (format above). Under
 * CR_MULTI_TURNED the top view writes its turned working frame, viewHeight columns by viewWidth
 * rows. Nothing is written for a null path, a slot outside 0..3, before Init, or when the file
 * cannot be opened. Returns 0, or -1 without handle state. */
CR_API int crMultiviewSaveLUT(EngineHandle* h, const char* path, int slot);
/* Stores in *len (when len is not null) the byte length of the blend map encoded in `format`, with
 * w = viewWidth and h = viewHeight of the last Init: 0 RGB16, w * h * 2; 1 RGB32, w * h * 4;
 * 2 YCbCr, w * h * 2; 3 RGB24 (top view only), h * ((3 * w + 3) & ~3). Any other format, and any
 * format before Init, gives 0. Returns 0, or -1 without handle state. */
CR_API int crMultiviewGetMaskLen(EngineHandle* h, int* len, int format);
/* Writes the blend map, in the view's own layout, into `dst` encoded in `format` as
 * crMakeBinMaskRGB16 (0), crMakeBinMaskRGB32 (1), crMakeBinMaskYCbCr (2) or, top view only,
 * crMakeBinMaskRGB24 (3) encode it. `len` is not read: the caller must allocate at least the
 * length crMultiviewGetMaskLen reports for the format. Another format, a null dst or a call
 * before Init writes nothing. Returns 0, or -1 without handle state. */
CR_API int crMultiviewGetMask(EngineHandle* h, unsigned char* dst, int len, int format);
/* Places a picture on the view, or replaces the blend map. `pixels` (read): `width` x `height`
 * packed pixels; positions and sizes are in view pixels of the view's own layout. By `kind`:
 * - CR_CLEAR_OVERLAY (top view, type 1): clears the overlay; the picture arguments are ignored.
 * - CR_REPLACE_MAP: the picture, which must be viewWidth x viewHeight, becomes the blend map as it
 *   is; it lasts until an Init repaints the map.
 * - CR_CAR_PICTURE (top view): a drawing of the vehicle seen from above, front up (also under
 *   CR_MULTI_TURNED), scaled so that the part between the black margins of its middle row spans
 *   the vehicle rectangle's width and its height the rectangle's length, placed on the rectangle.
 * - any other (also 6 for type 2 and 7 for bowl views): the picture scaled (bilinear) to
 *   placedWidth x placedHeight with its top-left corner at (x, y), cut off at the view's edges.
 * A placed picture first clears the overlay, then goes on it and from there into the blend map,
 * where it shows as colours; earlier pictures stay in the map until an Init repaints it, and the
 * top view and type 1 draw the overlay into the map again at Init. The top view and type 1 draw
 * only pixels whose three bytes lie in 1..254 and leave empty a band of 1 (top view) or 2 (type 1)
 * pixels inside the edges of the placed area; type 2 draws every pixel, with bytes 0 and 255 made 1
 * and 254. Nothing happens before Init or with null pixels. Returns 0, or -1 without handle
 * state. */
CR_API int crMultiviewSetImage(EngineHandle* h, int width, int height, const unsigned char* pixels, int kind, int x,
                               int y, int placedWidth, int placedHeight);
/* Writes the blend map (not a composed view), viewWidth x viewHeight in the view's own layout, as
 * a 24-bit BMP file at `path`. Nothing is written for a null path, before Init, or when the file
 * cannot be opened. Returns 0, or -1 without handle state. */
CR_API int crMultiviewSaveImage(EngineHandle* h, const char* path);
/* Top view only; the bowl views do nothing. For camera `slot` of param->cameras, casts each of its
 * first pointCount (at most 50) imagePoints onto the ground through a trial pose, the record's
 * pose plus `offsets` (read, 6 floats in the record's order: positionX, positionY, positionZ in
 * world units, angleX, angleZ, angleY in degrees; angleY is not used), and writes the ground point
 * (x, -y), Y negated, into its worldPoints; the pose fields are not changed. A point whose ray
 * misses the ground gets the trial position (x, -y). Then, if `param` has the view size of the
 * last Init, rebuilds the four LUTs from the camera records as they now stand; the blend map is
 * not repainted. A null param, cameras or offsets, or a slot outside 0..3, does nothing. Returns
 * 0, or -1 without handle state. */
CR_API int crMultiviewAdjustCameraPose(EngineHandle* h, const MultiviewParam* param, const float* offsets, int slot);
/* Frees the engine and everything it owns and sets *handle to null. Returns 0, also when `handle`
 * or *handle is null (nothing happens, so a second Release is harmless). *handle must come from
 * crMultiviewCreate. */
CR_API int crMultiviewRelease(EngineHandle** handle);

/* ---- Camera model ------------------------------------------------------- */

/* Maps the camera pixel *pixel (distorted; column, row) to its undistorted sensor point
 * *undistorted: sensor units about the optical centre, focalLength * tan(t) from it in the
 * pixel's direction, with t from the undistortion polynomial c0..c8. The principal point gives
 * (0, 0). Reads only the intrinsic fields of `cam`. A zero pixelScaleX, pixelScaleY or
 * focalLength gives non-finite values; t of 90 degrees or more gives a meaningless point. */
CR_API void crFeatureUndistortion(const Point2f* pixel, Point2f* undistorted, const CameraParam* cam);
/* Inverse of crFeatureUndistortion: maps the undistorted sensor point *undistorted (sensor units
 * about the optical centre) through the distortion polynomial k1..k5 to the camera pixel *pixel
 * (distorted; column, row). (0, 0) gives (principalX, principalY). Reads only the intrinsic
 * fields of `cam`; a zero focalLength gives non-finite values. */
CR_API void crFeatureDistortion(const Point2f* undistorted, Point2f* pixel, const CameraParam* cam);
/* Writes to *degrees the incidence angle of the one pixel (u, v), in degrees: the angle between
 * the optical axis and that pixel's ray, from the undistortion polynomial (t * 57.29578). It is
 * not the camera's field of view; for that, evaluate it at the image edges (for example the left
 * half of the horizontal field at (0, principalY)). The principal point gives c0 in degrees.
 * Reads only the intrinsic fields of `cam`. */
CR_API void crGetFOV(const CameraParam* cam, float u, float v, float* degrees);

/* ---- World and image mapping -------------------------------------------- */

/* Writes into `m` (caller's 3 x 3) the ground-plane projection of `cam`'s pose: the columns are
 * the first two columns of R and -R * position, so m * (X, Y, 1) is the camera coordinates
 * (x, y, z) of the pose-frame ground point (X, Y, 0) (origin offset not applied) and (x/z, y/z)
 * its normalised image coordinates. diag(focalLength, focalLength, 1) * m maps the ground to the
 * undistorted sensor plane. A camera with positionZ 0 makes m singular. */
CR_API void crGetProjectionZ3x3(Matrix* m, const CameraParam* cam);
/* Writes into `m` (caller's 3 x 4) the projection [R | R * t] of `cam`, with
 * t = -(positionX - originX, positionY - originY, positionZ), so that m * (X, Y, Z, 1) gives
 * camera coordinates. Its first two columns equal those of crGetProjectionZ3x3; its last column
 * is that matrix's third column plus R * (originX, originY, 0). */
CR_API void crGetProjection3x4(Matrix* m, const CameraParam* cam);
/* Returns the ground point that the camera pixel `pixel` (distorted; column, row) sees: the
 * pixel is undistorted, mapped through `h` (a zero third coordinate counts as 1) and shifted by
 * (originX, originY) into the calibration frame; z is always 0. `h` is a 3 x 3 map from the
 * undistorted sensor plane to the pose-frame ground: crGetHomography(h, cam, 1), or the inverse
 * of crGetProjectionZ3x3 times diag(1/focalLength, 1/focalLength, 1). No test is made that the
 * ray meets the ground: pixels above the horizon give points behind the camera. */
CR_API Point3f crImageToWorld(Point2f pixel, const CameraParam* cam, const Matrix* h);
/* Returns the camera pixel (distorted; column, row) of `world` through `h`, a 3 x 3 map from the
 * ground to the undistorted sensor plane: crGetHomography(h, cam, 0), or
 * diag(focalLength, focalLength, 1) times crGetProjectionZ3x3. world.z is added to the third
 * homogeneous coordinate of h * (X, Y, 1), which is not a true height: pass 0 for ground points.
 * A zero third coordinate counts as 1. The origin offset is not subtracted: pass points in the
 * frame of h. Points behind the camera are not detected and come out mirrored. */
CR_API Point2f crWorldToImage(const CameraParam* cam, Point3f world, const Matrix* h);
/* Projects the `count` pose-frame ground points world[0..count-1] through `cam`'s own pose and
 * lens into image[0..count-1] (caller's, count Point2f; distorted pixels). A point equal to
 * (-1, -1) is a separator and comes out as (-1, -1). Points behind the camera are not detected.
 * count <= 0, or no working memory, writes nothing. */
CR_API void crWorldToImage2D(const CameraParam* cam, const Point2f* world, Point2f* image, int count);
/* Fills cam->worldPoints[0..count-1] with the calibration-frame ground points that
 * cam->imagePoints[0..count-1] (distorted pixels) see through `cam`'s own pose and lens, as
 * crImageToWorld would; no other field changes. A count above 50 is taken as 50; count <= 0,
 * or no working memory, changes nothing. unused1 and unused2 are ignored. A camera with
 * positionZ 0 gives meaningless points. */
CR_API void crConvertImage2World(CameraParam* cam, int unused1, int unused2, int count);

/* ---- Calibration -------------------------------------------------------- */

/* Estimates the projective homography `h` (caller's 3 x 3, written) with dst[i] ~ h * src[i] in
 * the least-squares sense over `n` >= 4 pairs (src and dst: n Point2f each). A point p maps to
 * (X/W, Y/W) with (X, Y, W) = h * (p.x, p.y, 1); h is not scaled to h(2,2) = 1. Fewer than 4
 * pairs or collinear points give a meaningless h (a console message may be printed), n = 0
 * non-finite values; a negative n, or no working memory, leaves h unchanged. */
CR_API void crGetHomography2D(const Point2f* src, const Point2f* dst, int n, Matrix* h);
/* As crGetHomography2D for an affine map from `n` >= 3 pairs; the last row of h is exactly
 * (0, 0, 1). Fewer than 3 pairs or collinear points give a meaningless h. */
CR_API void crGetHomography2D3P(const Point2f* src, const Point2f* dst, int n, Matrix* h);
/* Estimates from `cam`'s calibration pairs (the first pointCount, at most 50; imagePoints are
 * undistorted first, worldPoints less (originX, originY)) the homography `h` (caller's 3 x 3)
 * between the undistorted sensor plane and the pose-frame ground. imageToWorld non-zero: sensor
 * to ground, the `h` of crImageToWorld; 0: ground to sensor, the `h` of crWorldToImage and
 * crGetCameraPosition. With pointCount below 4 h is left unchanged. */
CR_API void crGetHomography(Matrix* h, const CameraParam* cam, int imageToWorld);
/* Writes to *out the image of *in under the 3 x 3 homography `h`: (X/W, Y/W) with
 * (X, Y, W) = h * (x, y, 1); a W of 0 counts as 1. */
CR_API void crHomographyTransform(const Point2f* in, Point2f* out, const Matrix* h);
/* Recovers a camera pose from `h`, the 3 x 3 homography from the pose-frame ground to the
 * undistorted sensor plane (crGetHomography(h, cam, 0)), and the camera's focalLength. Writes the
 * position (*x, *y, *z) in the ground frame of h and *angleX, *angleY, *angleZ in degrees, in the
 * convention of the record; a null output pointer is skipped. A computed z > 0 (camera below the
 * ground) is reported as -z with angleZ turned by 180 degrees. The angles are recovered exactly
 * only for |angleY| < 90. h(2,2) = 0 gives non-finite outputs, a degenerate h meaningless ones
 * (console messages may be printed); without working memory nothing is written. */
CR_API void crGetCameraPosition(const Matrix* h, float focalLength, float* x, float* y, float* z, float* angleX,
                                float* angleY, float* angleZ);
/* Calibrates `cam`'s pose from its own calibration pairs: crGetHomography(h, cam, 0), then
 * crGetCameraPosition. Writes positionX, positionY, positionZ (pose frame, that is worldPoints
 * less (originX, originY)) and angleX, angleY, angleZ (degrees), and nothing else. The caller
 * fills pointCount >= 4 pairs (the first 50 are used): imagePoints in distorted pixels (as
 * crDetectCorner finds them) and the matching worldPoints. With fewer pairs, or without working
 * memory, the record is left unchanged. */
CR_API void crGetCameraPos(CameraParam* cam);

/* ---- Feature detection -------------------------------------------------- */

/* Finds the twelve corners of two dark triangular targets with triangular
 * holes in a photograph taken by `cam` (imageHeight rows of exactly
 * 3 x imageWidth bytes, blue-green-red). `mode` 0..3 picks one of four fixed
 * pairs of search windows, photograph rows and columns with both bounds
 * included, the same whatever the image size (they suit 720 x 480):
 *   mode  target 0                           target 1
 *   0     rows 277..356, columns  32..137    rows 284..365, columns 578..687
 *   1     rows 249..348, columns  61..155    rows 242..344, columns 563..659
 *   2     rows  63..141, columns  75..121    rows 173..288, columns 640..683
 *   3     rows 211..322, columns  56..102    rows  42..114, columns 586..642
 * The search runs on the undistorted picture, over the box that the
 * window's four corners span there; the window's edges, bent by the lens,
 * do not follow that box exactly. Each target, with floor all round it,
 * must lie inside its window: dark areas touching the box's edge are
 * ignored. Any other mode prints "Invalid mode" and searches a one-pixel
 * window. Clears all 50 imagePoints and worldPoints,
 * then writes outer corners of targets 0 and 1 at imagePoints[0..2] and
 * [3..5], hole corners at [6..8] and [9..11], in distorted pixels, and
 * pointCount = 12; a triangle that cannot be fitted stays at (0, 0). With no
 * photograph or an empty image size, pointCount stays 0. The caller fills in
 * the matching worldPoints before estimating the pose. */
CR_API void crDetectCorner(const unsigned char* photo, CameraParam* cam, int mode);
/* Labels the 8-connected components of the 0 pixels of a width x height
 * picture of 0 and 255 (`input`: height row pointers; not modified; the
 * outermost rows and columns count as background). `labels` (and `contours`
 * when not null), height rows of width int32, receive 1.. for component
 * pixels (contour pixels only in `contours`), -1 for background pixels a
 * contour walk inspected, 0 elsewhere. Returns the number of components and
 * stores it in *count when count is not null. */
CR_API int crCCL(int width, int height, unsigned char** input, int32_t** labels, int32_t** contours, int* count);

/* ---- View geometry ------------------------------------------------------ */

/* Builds the remap LUT of the corrected view that `view` describes of camera view->camera. `lut`
 * (caller's, row form: outHeight rows of 2 x outWidth floats) receives for every view pixel the
 * camera-picture position it shows, or (-1, -1) when that position lies outside the srcWidth x
 * srcHeight picture the LUT will be applied to, or in a gap of the fold or split layout. The view
 * pixel, relative to (centerX, centerY), passes in this order through: the CR_VIEW_FOLD or
 * CR_VIEW_SPLIT layout (along rows with CR_VIEW_ROWWISE; strength modeParam, band bandWidth rounded
 * to an even number of pixels), the shift, the rotation (degrees), the zooms (below 0.0001 taken
 * as 0.0001) with CR_VIEW_MIRROR and CR_VIEW_FLIP, the shear, the keystone (degrees, spread over
 * the camera's imageHeight for keystoneX and imageWidth for keystoneY), the CR_VIEW_RADIAL
 * compression (modeParam in radians, only when > 0) and, with CR_VIEW_LENS, the camera's
 * distortion polynomial; without CR_VIEW_LENS the camera is an ideal pinhole. Other flags,
 * overlayScale and overlayOffset are not read; neither record changes. outHeight < 1 writes
 * nothing. */
CR_API void crGetviewModeLUT(int srcWidth, int srcHeight, float** lut, const ViewParam* view);
/* Writes to *out the position in `view`'s corrected view of the camera-picture point *in
 * (column, row): the inverse of crGetviewModeLUT without the fold and split layouts, with the
 * shear undone to first order only and the zooms used as given (no 0.0001 limit). The result may
 * lie outside the view. Neither record changes. */
CR_API void crGetViewModePoint(const Point2f* in, Point2f* out, const ViewParam* view);
/* Builds the LUT that paints a ground-plane overlay picture into the view that `view` describes.
 * The picture is pictureWidth x pictureHeight pixels of view->overlayScale world units, its column
 * pictureWidth / 2 on the line x = 0 and its row 0 on y = overlayOffset / 2 (pose frame). `lut`
 * (caller's, row form: outHeight rows of 2 x outWidth floats) receives for every view pixel the
 * picture position of the ground point it sees, or (-1, -1) when that point is behind the camera
 * or outside the picture. The view chain is that of crGetviewModeLUT except: no fold or split
 * layout, zooms not limited, keystone spread over outHeight and outWidth, radial compression for
 * any non-zero modeParam. Neither record changes; without working memory every pair is (-1, -1). */
CR_API void crGetOverlayLUT(int pictureWidth, int pictureHeight, float** lut, const ViewParam* view);
/* Refines positionX, positionY and positionZ of `cam` against its calibration pairs (the first
 * pointCount, at most 50), one coordinate at a time in steps of 1 world unit, while the pose error
 * falls (at most 100 passes and a bounded number of steps). The pose error is the sum of squared
 * distances between the ground points of imagePoints under the trial pose and worldPoints, each
 * set centred on its own mean, so a common shift of all worldPoints is not followed. Writes the
 * three fields and returns the error of the written pose (squared world units). With pointCount
 * <= 0 returns 0 and the pose stays; without working memory returns NaN and changes nothing. */
CR_API float crAdjustCameraPosition(CameraParam* cam);
/* Refines the pan angle angleY of `cam` with the pose error of crAdjustCameraPosition, in steps
 * of 1, 0.1 and 0.01 degrees (at most 100 passes and a bounded number of steps). Writes angleY;
 * angleX and angleZ keep their values. Returns the final error; pointCount and memory as for
 * crAdjustCameraPosition. */
CR_API float crAdjustCameraAngle(CameraParam* cam);
/* Same as crAdjustCameraAngle. */
CR_API float crAdjustCameraPanAngle(CameraParam* cam);
/* Computes the parking-guide outline of `pgs` as ground points into `out` (caller's, at least
 * pgs->pointCount Point2f). Reads guideWidth (lines at x = -guideWidth/2 and +guideWidth/2),
 * wheelbase, vehicleLength, steeringAngle (degrees; 0 gives straight lines, otherwise arcs about
 * the turning centre), startOffset (the lines start (vehicleLength - wheelbase)/2 + startOffset
 * from the turning axle), axleOffset (with wheelbase/2, added to every y), pointCount (capacity
 * of `out` in points) and band1..3Distance (cumulative: from the start of the guide to the far end
 * of band 1, 2, 3; read as unsigned). Writes per band the right line near to far, then the left
 * line far to near, a (-1, -1) separator after bands 1 and 2, and every y negated. Each line gets
 * (pointCount - 2) / 2 points: 40% to band 1, 40% of the rest to band 2, the rest to band 3;
 * pointCount >= 14 keeps at least 2 per band (a single point stays at its band's start). Writes
 * back pointCount (points written, never above the capacity), band1..3Points (per band, separator
 * included), bandCount = 3 and the working fields segmentStart, segmentEnd, turnRadius and
 * arcOffset; rowCount, points0 and points1 are not read. Returns -5 for a null pgs (nothing
 * written), else 0. */
CR_API int crGetPGSWorldPoints(PgsParam* pgs, Point2f* out);
/* Projects `count` guide points as crGetPGSWorldPoints writes them (y negated, (-1, -1)
 * separators) into pixels of `cam` (distorted; column, row): each y is negated back and the
 * points are projected as by crWorldToImage2D; separators stay (-1, -1). `out` (caller's, count
 * Point2f) may be the same array as `in`. Returns 0; count <= 0, or no working memory, writes
 * nothing. */
CR_API int crGetPGSWorldToImage(const CameraParam* cam, const Point2f* in, Point2f* out, int count);

/* ---- Image operations ---------------------------------------------------
 * Image records are filled by the caller (crImageWrap does it over one buffer): channels, width,
 * height, stride (channels x width rounded up to a multiple of 4) and data, `height` row pointers
 * of `stride` bytes each; rows need not be contiguous. The pixel bytes of a 3-channel picture are
 * blue, green, red.
 * A LUT in row form (float** lut) has one row per destination row, each of 2 x destination-width
 * floats: lut[r][2c] and lut[r][2c + 1] are the source column x and source row y sampled for
 * destination pixel (c, r). Whole numbers are pixel centres, (0, 0) being the centre of the
 * top-left source pixel; the pair (-1, -1) means "no source".
 * These functions keep no state; calls that write distinct outputs may run concurrently. */

/* Fills every pixel of `dst` from `src` through `lut` (row form, dst->height rows of dst->width
 * pairs). Only the low byte of `flags` is read: 0x2 (CR_VIEW_BICUBIC) selects bicubic sampling,
 * else 0x1 (CR_VIEW_BILINEAR) bilinear, else nearest. A pixel has no source unless its sample
 * lies inside src: nearest, the rounded position; bilinear, 0 <= x < width - 1 and
 * 0 <= y < height - 1; bicubic, 1 <= x < width - 2 and 1 <= y < height - 2 (both taking
 * positions to 1/1024 pixel). Such a pixel gets `fill` (dst->channels bytes), or keeps its bytes
 * when fill is null. Writes dst->channels channels; src must have at least as many. Nothing else
 * is checked: the records and lut must be valid and cover dst. Always returns 0. */
CR_API int crRemap(const Image* src, Image* dst, float** lut, int flags, const unsigned char* fill);
/* Overlay variant of crRemap: `key` (dst->channels bytes) is the colour of transparent source
 * pixels and is also written where the LUT has no source. With 0x1 set in the low byte of `flags`,
 * keyed bilinear sampling, per channel k: if the top-left of the four taps equals key[k], the
 * result is key[k]; otherwise taps equal to key[k] count as the top-left tap, so the key never
 * tints the result; key must not be null. Without 0x1, nearest sampling as in crRemap; key may
 * then be null (pixels without source keep their bytes). 0x2 is ignored. Always returns 0. */
CR_API int crRemapAlpha(const Image* src, Image* dst, float** lut, int flags, const unsigned char* key);
/* Scales `src` into `dst` (both filled by the caller) with the sampler that `flags` selects as
 * for crRemap; dst->channels channels are written, src must have at least as many. With W x H
 * the size of dst and w x h that of src, destination pixel (c, r) samples source position
 * ((c - W / 2) / (W / w) + w / 2, (r - H / 2) / (H / h) + h / 2) in single precision. dst is
 * cleared first, so pixels the sampler cannot serve (the last column and row when enlarging)
 * are 0. Equal sizes: a plain row copy, flags ignored, done only when both imageSize fields
 * are equal (otherwise dst is left as it is). Always returns 0. */
CR_API int crResizeImage(const Image* src, Image* dst, int flags);
/* Encodes `img` as a complete, uncompressed BMP file in a new buffer allocated with malloc;
 * the buffer is the caller's, who releases it with free. Stores the file's length in bytes in
 * *outSize. The bit depth is 8 x channels; a 1-channel picture gets a 256-entry grey palette
 * (entry i = (i, i, i)). Rows are stored bottom-up with their bytes unchanged, so a 3-channel
 * picture must hold blue, green, red. Returns null, leaving *outSize untouched, when the buffer
 * cannot be allocated or channels x width exceeds the stride. */
CR_API unsigned char* crImageToBmp(const Image* img, int* outSize);
/* Converts a 24-bit picture (3 bytes per pixel: blue, green, red), read from `src` as one gapless
 * run of (width / 2) x height pixel pairs (no row padding; meant for even widths), into packed
 * 4:2:2 at `dst`: U, Y0, V, Y1 per pair, 4 x (width / 2) x height bytes. Studio range, each
 * value truncated: Y = 0.257R + 0.504G + 0.098B + 16, U = 0.439B - 0.148R - 0.291G + 128,
 * V = 0.439R - 0.368G - 0.071B + 128, U and V from the first pixel of the pair.
 * Does nothing when src or dst is null or height < 1. */
CR_API void crRGB24toYUV_UY_VY(const unsigned char* src, unsigned char* dst, int width, int height);
/* Converts a 24-bit picture (blue, green, red; rows of S = 3 x width rounded up to a multiple of
 * 4 bytes) into packed 4:2:2 at `dst`: U, Y0, V, Y1 per pair of pixels, rows without gaps,
 * 4 x ((width + 1) / 2) x height bytes. Y = 0.2126R + 0.7152G + 0.0722B,
 * U = 0.436B - 0.09991R - 0.33609G + 128, V = 0.615R - 0.55861G - 0.05639B + 128, U and V from
 * the first pixel of the pair; each value limited to 1..254, then truncated. With an odd width
 * the last pair of a row uses its one pixel for both Y values. Returns S, also when it does
 * nothing because src or dst is null or height < 1. */
CR_API int crRGB24toYUV422(const unsigned char* src, unsigned char* dst, int width, int height);
/* Converts a 24-bit picture (blue, green, red; rows of S = 3 x width rounded up to a multiple of
 * 4 bytes) into 32-bit pixels at `dst`: red, green, blue, alpha, rows without gaps,
 * 4 x width x height bytes. Alpha is 0 for black (0, 0, 0), the transparent colour, and 255
 * otherwise. Returns S, also when it does nothing because src or dst is null or height < 1. */
CR_API int crRGB24toRGB32(const unsigned char* src, unsigned char* dst, int width, int height);
/* Draws a straight line from (x0, y0) to (x1, y1), both ends included, into a picture of 3 bytes
 * per pixel (img->channels is not read). `colour` is 0x00BBGGRR: each pixel drawn receives the
 * bytes BB, GG, RR in that order (blue, green, red); the top byte is ignored. Every point of the
 * line stamps a `thickness` x `thickness` square whose top-left pixel is the point, clipped to
 * the picture. Draws nothing when an end point lies outside the picture, when the two end points
 * are equal, or when thickness < 1. */
CR_API void crDrawLineBresenham(Image* img, int x0, int y0, int x1, int y1, uint32_t colour, int thickness);

/* ---- Target binaries ----------------------------------------------------
 * Byte tables for the target display device: little-endian, no header. The caller allocates `out`
 * with the size each function states (the *Len functions report it for the masks); when the
 * length pointer (outLen, len) is not null it receives the number of bytes written. Per-pixel
 * tables are stored field by field: the entries of rows 0, 2, 4, ... (ceil(H / 2) rows), then
 * those of rows 1, 3, 5, ..., each row W entries left to right. Coordinates are rounded half away
 * from zero. Nothing else is checked: pointers other than the length pointer must be valid. */

/* Converts a W x H LUT in flat form (`lut`: W x H (x, y) float pairs row after row, pixel (c, r)
 * at index 2 x (r x W + c)) into the device's view table, W x H x 4 bytes in field order. Entry:
 * int16 X (source column), int16 Y (source row counted in the camera's field), 10.6 fixed point
 * (value x 64); values outside the int16 range wrap. A pair with y exactly -1 and x truncating to
 * -1, i.e. (-1, -1), is written FF FF FF FF (no source). `mode` 0, whole pixels:
 * X = round(x) x 64, Y = round(y / 2) x 64. `mode` 1, 1/64 pixel: X = round(64x),
 * Y = round(64yf) with yf = y / 2 on even output rows, (y - 1) / 2 on odd ones (y / 2 - 1 for
 * 0 <= y < 1). Other modes are not supported. A W or H below 1 writes nothing. */
CR_API void crMakeBinView(int width, int height, const float* lut, unsigned char* out, int* outLen, int mode);
/* As crMakeBinView for a device that samples the camera picture at half horizontal resolution:
 * x is halved first. An entry is written FF FF FF FF when x / 2 <= -1 and y < 0, so a plain
 * (-1, -1) pair is not marked but encoded like any other (mode 0: X = Y = -64). */
CR_API void crMakeBinViewHalf(int width, int height, const float* lut, unsigned char* out, int* outLen, int mode);
/* Encodes a W x H blend map as the device's 16-bit RGB mask, W x H x 2 bytes in field order.
 * `map` (all mask writers): H rows of W pixels (b0, b1, b2), each row padded to 3 x W rounded up
 * to a multiple of 4 bytes, as the rows of a 3-channel Image laid end to end. (b0, b1) = (0, 0),
 * (255, 0), (255, 255), (0, 255) is a camera code: with b2 = 0 the front, left, rear or right
 * camera alone (zones 0, 2, 4, 6), with b2 = v != 0 the pair front-left, rear-left, rear-right
 * or front-right mixed with weight v (zones 1, 3, 5, 7). Any other pixel is a colour, b0 blue,
 * b1 green, b2 red. Entry: a code is v x 256 + zone (v = 0 alone, bit 3 clear); a colour is
 * (b2 & 0xF0) << 8 | (b1 & 0xF0) << 4 | (b0 & 0xF0) | 8 (4 bits each of red, green, blue, bit 3
 * set). */
CR_API void crMakeBinMaskRGB16(int width, int height, const unsigned char* map, unsigned char* out, int* outLen);
/* Copies the W x H blend map `map` (rows padded as for crMakeBinMaskRGB16) unchanged into `out`:
 * S x H bytes with S = 3 x W rounded up to a multiple of 4, rows in order, not split into
 * fields. */
CR_API void crMakeBinMaskRGB24(int width, int height, const unsigned char* map, unsigned char* out, int* outLen);
/* As crMakeBinMaskRGB16 with 32-bit entries, W x H x 4 bytes in field order: a camera code is
 * v x 256 + zone; a colour is b2 << 24 | b1 << 16 | b0 << 8 | 8 (red, green, blue, bit 3 set). */
CR_API void crMakeBinMaskRGB32(int width, int height, const unsigned char* map, unsigned char* out, int* outLen);
/* As crMakeBinMaskRGB16 with 16-bit luma/chroma entries, W x H x 2 bytes in field order. Camera
 * codes as there, except that the single-camera codes of the left and right cameras are 0xFF02
 * and 0xFF06. A colour is (C & 0xFC) << 8 | (Y & 0xFC) << 2 | 8, with R = b2, G = b1, B = b0:
 * Y = 0.257R + 0.504G + 0.098B + 16 of the pixel itself; C is Cb = 0.439B - 0.148R - 0.291G + 128
 * on even columns and Cr = 0.439R - 0.368G - 0.071B + 128 on odd columns, both taken from the
 * even pixel of the pair (columns 2i, 2i + 1); each clamped to 0..255, then truncated. */
CR_API void crMakeBinMaskYCbCr(int width, int height, const unsigned char* map, unsigned char* out, int* outLen);
/* Stores in *len (when len is not null) the byte length of crMakeBinMaskRGB16's output for a
 * W x H map: W x H x 2, or 0 when W or H is below 1. */
CR_API void crMakeBinMaskRGB16Len(int width, int height, int* len);
/* Stores in *len (when len is not null) the byte length of crMakeBinMaskRGB24's output for a
 * W x H map: S x H with S = 3 x W rounded up to a multiple of 4, or 0 when W or H is below 1. */
CR_API void crMakeBinMaskRGB24Len(int width, int height, int* len);
/* Stores in *len (when len is not null) the byte length of crMakeBinMaskRGB32's output for a
 * W x H map: W x H x 4, or 0 when W or H is below 1. */
CR_API void crMakeBinMaskRGB32Len(int width, int height, int* len);
/* Stores in *len (when len is not null) the byte length of crMakeBinMaskYCbCr's output for a
 * W x H map: W x H x 2, or 0 when W or H is below 1 (one function with
 * crMakeBinMaskRGB16Len). */
CR_API void crMakeBinMaskYCbCrLen(int width, int height, int* len);
/* Writes the calibration image points of four cameras (`cams`: four consecutive records) to `out`:
 * for cameras 0 to 3 in turn, the first pointCount imagePoints (a count below 1 adds none), each
 * 4 bytes: int16 x, int16 y in pixels, rounded, low 16 bits kept. `out` must hold 4 x the sum of
 * the four pointCount values; that sum must not exceed 50. *len receives the bytes written. */
CR_API void crMakeBinIPoint(const CameraParam* cams, unsigned char* out, int* len);
/* As crMakeBinIPoint with the cameras' worldPoints (ground-plane world units). */
CR_API void crMakeBinWPoint(const CameraParam* cams, unsigned char* out, int* len);
/* Writes parking-guide points of `pgs` to `out`, each 4 bytes: int16 x, int16 y, rounded, low
 * 16 bits kept; the no-point (-1, -1) stays FF FF FF FF. `set` != 0 reads points1, else points0,
 * each rowCount x pointCount points row by row. `all` != 0 writes every row
 * (4 x rowCount x pointCount bytes); `all` = 0 only the middle row, (rowCount - 1) / 2
 * (4 x pointCount bytes). Reads nothing but rowCount, pointCount and the chosen array, which the
 * caller fills. *len receives the bytes written. */
CR_API void crMakeBinPGS(const PgsParam* pgs, unsigned char* out, int* len, int set, int all);
/* Writes the nine zone rectangles of the top view that `param` describes to `out`: 36 uint16
 * (72 bytes, little-endian whatever the host), x, y, width, height of the front band, front-left
 * corner, left strip, rear-left corner, rear band, rear-right corner, right strip, front-right
 * corner and vehicle, in that order, in view pixels taken modulo 65536 and halved (the device's
 * half-resolution units). The vehicle is carWidth / scale by carLength / scale pixels, its left
 * and top edge at viewCenterX and viewCenterY less half its size; sizes and edges are rounded,
 * then raised to a multiple of 4, and the edges clamped into the viewWidth x viewHeight view.
 * scale must not be 0; flags is not read. *len (when len is not null) receives 72. */
CR_API void crMakeTopviewParam(const MultiviewParam* param, uint16_t* out, int* len);
/* As crMakeTopviewParam for the view turned by 90 degrees, the vehicle's length running along
 * the columns: the front band lies left of the vehicle, the left strip below it, the rear band
 * right of it and the right strip above it; the rectangles keep the same order. */
CR_API void crMakeFullTopviewParam(const MultiviewParam* param, uint16_t* out, int* len);
/* Stores the vehicle rectangle of the top view that `param` describes, in view pixels, right
 * and bottom exclusive; size and position as for crMakeTopviewParam, but left and top are only
 * clamped at 0 and right and bottom only at the view's width and height. With CR_MULTI_TURNED in
 * flags the turned view is meant: viewHeight columns by viewWidth rows with the world origin at
 * column viewHeight - viewCenterY, row viewCenterX. All four output pointers are required. */
CR_API void crGetMaskCarPos(const MultiviewParam* param, int* top, int* left, int* right, int* bottom);

#ifdef __cplusplus
}
#endif

#endif /* CAMRIG_H */
