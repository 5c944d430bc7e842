// Pictures, row arrays and LUTs shared by the samplers and the engines.
#pragma once

#include "camrig.h"
#include "numerics/rows.h"

unsigned char** crAllocRows(int rowBytes, int count);
void crFreeRows(unsigned char** rows, int count);
void crClearRows(unsigned char** rows, int count, int rowBytes);

Image* crCreateImage(int channels, int width, int height);
void crReleaseImage(Image** img);

// LUT in row form: `height` rows of `width` (x, y) float pairs, cleared to 0.
float** crAllocLut(int width, int height);
void crFreeLut(float** lut, int height);
// The LUT in flat form: a new block of width x height pairs, row after row,
// released with free; null when it cannot be allocated.
float* crFlattenLut(float* const* lut, int width, int height);

// Copies between a picture and a packed buffer whose rows lie `stride` bytes
// apart (the picture's own stride).
void crCopyPackedToImage(const unsigned char* packed, Image* img);
void crCopyImageToPacked(const Image* img, unsigned char* packed);

// Writes the picture as a BMP file; nothing when the encoding or the file
// cannot be made.
void crSaveBmpFile(const Image* img, const char* path);

// Nearest sampling of src into dst through a row-form LUT; pixels without a
// source get fill, or keep their bytes when fill is null.
void crRemapNearest(const Image* src, Image* dst, float** lut, const unsigned char* fill);
