// Compile-time checks that the interface records keep their 32-bit layout.
#include <cstddef>

#include "camrig.h"

#define CR_AT(record, field, offset) static_assert(offsetof(record, field) == (offset), #record "." #field)

static_assert(sizeof(Point2f) == 8, "Point2f");
static_assert(sizeof(Point3f) == 12, "Point3f");
CR_AT(CameraParam, distortion, 20);
CR_AT(CameraParam, undistortion, 40);
CR_AT(CameraParam, imageWidth, 76);
CR_AT(CameraParam, imageHeight, 80);
CR_AT(CameraParam, spare1, 84);
CR_AT(CameraParam, positionX, 92);
CR_AT(CameraParam, angleX, 104);
CR_AT(CameraParam, angleZ, 108);
CR_AT(CameraParam, angleY, 112);
CR_AT(CameraParam, originX, 116);
CR_AT(CameraParam, originY, 120);
CR_AT(CameraParam, spare2, 124);
CR_AT(CameraParam, pointCount, 132);
CR_AT(CameraParam, imagePoints, 136);
CR_AT(CameraParam, worldPoints, 536);
CR_AT(CameraParam, spare3, 936);
static_assert(sizeof(CameraParam) == 996, "CameraParam holds 249 four-byte fields");

#if defined(__i386__)
static_assert(sizeof(Matrix) == 12, "Matrix");
static_assert(sizeof(Image) == 32, "Image");
CR_AT(Image, channels, 4);
CR_AT(Image, width, 12);
CR_AT(Image, height, 16);
CR_AT(Image, stride, 20);
CR_AT(Image, imageSize, 24);
CR_AT(Image, data, 28);

CR_AT(ViewParam, modeParam, 4);
CR_AT(ViewParam, bandWidth, 44);
CR_AT(ViewParam, outWidth, 56);
CR_AT(ViewParam, outHeight, 60);
CR_AT(ViewParam, centerX, 64);
CR_AT(ViewParam, centerY, 68);
CR_AT(ViewParam, overlayScale, 72);
CR_AT(ViewParam, camera, 92);
CR_AT(ViewParam, overlayOffset, 100);
static_assert(sizeof(ViewParam) == 104, "ViewParam holds 26 fields");

CR_AT(MultiviewParam, carWidth, 12);
CR_AT(MultiviewParam, carLength, 16);
CR_AT(MultiviewParam, frontFov, 32);
CR_AT(MultiviewParam, rearFov, 36);
CR_AT(MultiviewParam, blendAngle, 40);
CR_AT(MultiviewParam, carColor, 44);
CR_AT(MultiviewParam, lineWidth, 48);
CR_AT(MultiviewParam, mode, 52);
CR_AT(MultiviewParam, bowlWallX, 56);
CR_AT(MultiviewParam, bowlWallY, 60);
CR_AT(MultiviewParam, bowlHeight, 64);
CR_AT(MultiviewParam, bowlFloorY, 68);
CR_AT(MultiviewParam, viewWidth, 104);
CR_AT(MultiviewParam, viewHeight, 108);
CR_AT(MultiviewParam, viewCenterX, 112);
CR_AT(MultiviewParam, viewCenterY, 116);
CR_AT(MultiviewParam, scale, 120);
CR_AT(MultiviewParam, cameras, 156);
static_assert(sizeof(MultiviewParam) == 160, "MultiviewParam");

CR_AT(PgsParam, segmentEnd, 8);
CR_AT(PgsParam, steeringAngle, 12);
CR_AT(PgsParam, vehicleLength, 20);
CR_AT(PgsParam, startOffset, 28);
CR_AT(PgsParam, axleOffset, 32);
CR_AT(PgsParam, segmentStart, 36);
CR_AT(PgsParam, turnRadius, 40);
CR_AT(PgsParam, arcOffset, 44);
CR_AT(PgsParam, rowCount, 52);
CR_AT(PgsParam, pointCount, 56);
CR_AT(PgsParam, points0, 60);
CR_AT(PgsParam, points1, 64);
CR_AT(PgsParam, bandCount, 68);
CR_AT(PgsParam, band1Points, 80);
CR_AT(PgsParam, band1Distance, 84);
CR_AT(PgsParam, band2Points, 96);
CR_AT(PgsParam, band2Distance, 100);
CR_AT(PgsParam, band3Points, 112);
CR_AT(PgsParam, band3Distance, 116);
static_assert(sizeof(PgsParam) == 120, "PgsParam holds 30 fields");
#endif
