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
 * rounded up to a multiple of 4), reached through `data`. */
typedef struct Image {
    int32_t size;      /* 32, set by the constructor */
    int32_t channels;  /* bytes per pixel */
    int32_t reserved;
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t imageSize; /* stride x height */
    unsigned char** data;
} Image;

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
    float positionZ;       /* negative above the ground */
    float angleX;          /* degrees */
    float angleZ;          /* degrees */
    float angleY;          /* degrees (pan) */
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
    float keystoneX;  /* degrees */
    float keystoneY;  /* degrees */
    float shiftX;
    float shiftY;
    float rotation;   /* degrees */
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
    float frontFov;   /* degrees */
    float rearFov;    /* degrees */
    float blendAngle; /* degrees */
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
 * Operations return 0, or -1 for a missing handle, table, operation or state
 * (crSingleviewGetFOV returns 0 for a null handle). */

CR_API EngineHandle* crSingleviewCreate(int type);
CR_API int crSingleviewInit(EngineHandle* h, ViewParam* view);
CR_API int crSingleviewApply(EngineHandle* h, const unsigned char* frame, unsigned char* out);
CR_API int crSingleviewGetLUTLen(EngineHandle* h, int* len);
CR_API int crSingleviewGetLUT(EngineHandle* h, unsigned char* dst, int len);
CR_API int crSingleviewSaveLUT(EngineHandle* h, const char* path);
CR_API int crSingleviewGetFOV(EngineHandle* h, float* horizontal, float* vertical);
CR_API int crSingleviewGetMaskLen(EngineHandle* h, int* len, int scaleBase);
CR_API int crSingleviewGetMask(EngineHandle* h, unsigned char* dst, int len);
CR_API int crSingleviewSetImage(EngineHandle* h, int width, int height, const unsigned char* pixels,
                                int clear);
CR_API int crSingleviewSetOverlay(EngineHandle* h, int width, int height, const unsigned char* pixels);
CR_API int crSingleviewSaveImage(EngineHandle* h, const char* path);
CR_API int crSingleviewRelease(EngineHandle** handle);

CR_API EngineHandle* crMultiviewCreate(int type);
CR_API int crMultiviewInit(EngineHandle* h, const MultiviewParam* param);
CR_API int crMultiviewApply(EngineHandle* h, const unsigned char* front, const unsigned char* left,
                            const unsigned char* right, const unsigned char* rear, unsigned char* out);
CR_API int crMultiviewGetLUTLen(EngineHandle* h, int* len);
CR_API int crMultiviewGetLUT(EngineHandle* h, unsigned char* dst, int len, int slot);
CR_API int crMultiviewSaveLUT(EngineHandle* h, const char* path, int slot);
CR_API int crMultiviewGetMaskLen(EngineHandle* h, int* len, int format);
CR_API int crMultiviewGetMask(EngineHandle* h, unsigned char* dst, int len, int format);
CR_API int crMultiviewSetImage(EngineHandle* h, int width, int height, const unsigned char* pixels, int kind,
                               int x, int y, int placedWidth, int placedHeight);
CR_API int crMultiviewSaveImage(EngineHandle* h, const char* path);
CR_API int crMultiviewAdjustCameraPose(EngineHandle* h, const MultiviewParam* param, const float* offsets,
                                       int slot);
CR_API int crMultiviewRelease(EngineHandle** handle);

/* ---- Camera model ------------------------------------------------------- */

CR_API void crFeatureUndistortion(const Point2f* pixel, Point2f* undistorted, const CameraParam* cam);
CR_API void crFeatureDistortion(const Point2f* undistorted, Point2f* pixel, const CameraParam* cam);
CR_API void crGetFOV(const CameraParam* cam, float u, float v, float* degrees);

/* ---- World and image mapping -------------------------------------------- */

CR_API void crGetProjectionZ3x3(Matrix* m, const CameraParam* cam);
CR_API void crGetProjection3x4(Matrix* m, const CameraParam* cam);
CR_API Point3f crImageToWorld(Point2f pixel, const CameraParam* cam, const Matrix* h);
CR_API Point2f crWorldToImage(const CameraParam* cam, Point3f world, const Matrix* h);
CR_API void crWorldToImage2D(const CameraParam* cam, const Point2f* world, Point2f* image, int count);
CR_API void crConvertImage2World(CameraParam* cam, int unused1, int unused2, int count);

/* ---- Calibration -------------------------------------------------------- */

CR_API void crGetHomography2D(const Point2f* src, const Point2f* dst, int n, Matrix* h);
CR_API void crGetHomography2D3P(const Point2f* src, const Point2f* dst, int n, Matrix* h);
CR_API void crGetHomography(Matrix* h, const CameraParam* cam, int imageToWorld);
CR_API void crHomographyTransform(const Point2f* in, Point2f* out, const Matrix* h);
CR_API void crGetCameraPosition(const Matrix* h, float focalLength, float* x, float* y, float* z, float* angleX,
                                float* angleY, float* angleZ);
CR_API void crGetCameraPos(CameraParam* cam);

/* ---- Feature detection -------------------------------------------------- */

/* Finds the twelve corners of two dark triangular targets with triangular
 * holes in a photograph taken by `cam` (imageHeight rows of exactly
 * 3 x imageWidth bytes, blue-green-red). `mode` 0..3 picks one of four fixed
 * pairs of search windows; any other mode prints "Invalid mode" and searches
 * a one-pixel window. Clears all 50 imagePoints and worldPoints,
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

CR_API void crGetviewModeLUT(int srcWidth, int srcHeight, float** lut, const ViewParam* view);
CR_API void crGetViewModePoint(const Point2f* in, Point2f* out, const ViewParam* view);
CR_API void crGetOverlayLUT(int pictureWidth, int pictureHeight, float** lut, const ViewParam* view);
CR_API float crAdjustCameraPosition(CameraParam* cam);
CR_API float crAdjustCameraAngle(CameraParam* cam);
CR_API float crAdjustCameraPanAngle(CameraParam* cam);
CR_API int crGetPGSWorldPoints(PgsParam* pgs, Point2f* out);
CR_API int crGetPGSWorldToImage(const CameraParam* cam, const Point2f* in, Point2f* out, int count);

/* ---- Image operations --------------------------------------------------- */

CR_API int crRemap(const Image* src, Image* dst, float** lut, int flags, const unsigned char* fill);
CR_API int crRemapAlpha(const Image* src, Image* dst, float** lut, int flags, const unsigned char* key);
CR_API int crResizeImage(const Image* src, Image* dst, int flags);
CR_API unsigned char* crImageToBmp(const Image* img, int* outSize);
CR_API void crRGB24toYUV_UY_VY(const unsigned char* src, unsigned char* dst, int width, int height);
CR_API int crRGB24toYUV422(const unsigned char* src, unsigned char* dst, int width, int height);
CR_API int crRGB24toRGB32(const unsigned char* src, unsigned char* dst, int width, int height);
CR_API void crDrawLineBresenham(Image* img, int x0, int y0, int x1, int y1, uint32_t colour, int thickness);

/* ---- Target binaries ---------------------------------------------------- */

CR_API void crMakeBinView(int width, int height, const float* lut, unsigned char* out, int* outLen, int mode);
CR_API void crMakeBinViewHalf(int width, int height, const float* lut, unsigned char* out, int* outLen, int mode);
CR_API void crMakeBinMaskRGB16(int width, int height, const unsigned char* map, unsigned char* out, int* outLen);
CR_API void crMakeBinMaskRGB24(int width, int height, const unsigned char* map, unsigned char* out, int* outLen);
CR_API void crMakeBinMaskRGB32(int width, int height, const unsigned char* map, unsigned char* out, int* outLen);
CR_API void crMakeBinMaskYCbCr(int width, int height, const unsigned char* map, unsigned char* out, int* outLen);
CR_API void crMakeBinMaskRGB16Len(int width, int height, int* len);
CR_API void crMakeBinMaskRGB24Len(int width, int height, int* len);
CR_API void crMakeBinMaskRGB32Len(int width, int height, int* len);
CR_API void crMakeBinMaskYCbCrLen(int width, int height, int* len);
CR_API void crMakeBinIPoint(const CameraParam* cams, unsigned char* out, int* len);
CR_API void crMakeBinWPoint(const CameraParam* cams, unsigned char* out, int* len);
CR_API void crMakeBinPGS(const PgsParam* pgs, unsigned char* out, int* len, int set, int all);
CR_API void crMakeTopviewParam(const MultiviewParam* param, uint16_t* out, int* len);
CR_API void crMakeFullTopviewParam(const MultiviewParam* param, uint16_t* out, int* len);
CR_API void crGetMaskCarPos(const MultiviewParam* param, int* top, int* left, int* right, int* bottom);

#ifdef __cplusplus
}
#endif

#endif /* CAMRIG_H */
