// Pictures, row arrays and LUTs shared by the samplers and the engines.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>

#include "camrig.h"
#include "numerics/rounding.h"
#include "numerics/rows.h"

// ---- Sizes -------------------------------------------------------------------

// n rounded up to a multiple of 4, or -1 when n is negative or the result
// does not fit an int.
inline int crPaddedBytes(int n) { return n >= 0 && n <= INT_MAX - 3 ? crAlign4(n) : -1; }

// Bytes of a packed 3-channel row, or -1 for a negative width or a row that
// does not fit an int.
inline int crPackedRowBytes(int width) {
    return width >= 0 && width <= (INT_MAX - 3) / 3 ? crPackedStride(width) : -1;
}

// Bytes of the pixels of one row of `img`, or -1 when they do not fit its
// rows (or a size is negative).
inline int crPixelBytes(const Image* img) {
    const int bytes = crByteCount(img->channels, img->width);
    return bytes <= img->stride ? bytes : -1;
}

// ---- Row arrays, pictures and LUTs -------------------------------------------

// Null also when the row size is negative or the pointer block's byte count
// does not fit an int.
unsigned char** crAllocRows(int rowBytes, int count);
void crFreeRows(unsigned char** rows, int count);
void crClearRows(unsigned char** rows, int count, int rowBytes);

// Null also when stride or imageSize would not fit their fields.
Image* crCreateImage(int channels, int width, int height);
void crReleaseImage(Image** img);

// LUT in row form: `height` rows of `width` (x, y) float pairs, cleared to 0;
// null when it cannot be allocated or a row's byte count does not fit an int.
float** crAllocLut(int width, int height);
void crFreeLut(float** lut, int height);
// The LUT in flat form: a new block of width x height pairs, row after row,
// released with free; null when it cannot be allocated.
float* crFlattenLut(float* const* lut, int width, int height);

// Copies between a picture and a packed buffer whose rows lie `stride` bytes
// apart (the picture's own stride).
void crCopyPackedToImage(const unsigned char* packed, Image* img);
void crCopyImageToPacked(const Image* img, unsigned char* packed);

// ---- Files -------------------------------------------------------------------

// A file being written: a regular file is written under a temporary name in
// its folder and renamed over `path` only once complete, so a failed write
// leaves the old file (or none). Links, devices, pipes and files in folders
// where no temporary can be made are written in place.
struct CrFileOutput {
    FILE* stream;
    char* tempPath;  // null when writing in place
};

// False, with nothing created, when the file cannot be opened.
bool crOpenFileOutput(const char* path, CrFileOutput* out);
// Closes the stream; keeps the file only if `complete` and every write and
// the close succeeded. Returns whether it was kept.
bool crCloseFileOutput(CrFileOutput* out, const char* path, bool complete);

// Writes the picture as a BMP file; nothing when the encoding or the file
// cannot be made.
void crSaveBmpFile(const Image* img, const char* path);

// Nearest sampling of src into dst through a row-form LUT; pixels without a
// source get fill, or keep their bytes when fill is null.
void crRemapNearest(const Image* src, Image* dst, float** lut, const unsigned char* fill);
