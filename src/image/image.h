// Pictures, row arrays and LUTs shared by the samplers and the engines.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>

#include "camrig.h"
#include "numerics/rounding.h"
#include "numerics/rows.h"

// ---- Sizes and layouts -------------------------------------------------------

// Bytes in a packed 3-channel row of `width` pixels: 3 x width rounded up to 4.
inline int crPackedStride(int width) { return (3 * width + 3) & ~3; }

// Position of entry (r, c) of a W x H table stored field by field: the even
// rows (ceil(H / 2) of them) first, then the odd rows.
inline int32_t crFieldIndex(int r, int c, int width, int height) {
    const int evenRows = (height + 1) / 2;
    return (r % 2 == 0 ? 0 : evenRows * width) + (r / 2) * width + c;
}

// n rounded up to a multiple of 4, or -1 when n is negative or the result
// does not fit an int.
inline int crPaddedBytes(int n) { return n >= 0 && n <= INT_MAX - 3 ? crAlign4(n) : -1; }

// Bytes of a packed 3-channel row, or -1 for a negative width or a row that
// does not fit an int.
inline int crPackedRowBytes(int width) { return width >= 0 && width <= (INT_MAX - 3) / 3 ? crPackedStride(width) : -1; }

// Bytes of the pixels of one row of `img`, or -1 when they do not fit its
// rows (or a size is negative).
inline int crPixelBytes(const Image* img) {
    const int bytes = crByteCount(img->channels, img->width);
    return bytes <= img->stride ? bytes : -1;
}

// ---- Row arrays, pictures and LUTs -------------------------------------------

// `count` rows of `rowBytes` bytes in one block, one stride apart (freed with
// crFreeRows only). Null also when the row size is negative or the rows' byte
// count does not fit an int.
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

// ---- Colour ------------------------------------------------------------------

// Studio-range BT.601 luma and chroma of the bytes blue, green, red, with the
// weights rounded to three decimals. Real is the precision the sums are formed
// in: double for the device's masks, exact extended-precision sums
// (CrExactSum) for the picture conversions.
template <typename Real> Real crStudioLuma(Real b, Real g, Real r) { return 0.257 * r + 0.504 * g + 0.098 * b + 16.0; }
template <typename Real> Real crStudioChromaBlue(Real b, Real g, Real r) {
    return 0.439 * b - (0.148 * r + 0.291 * g) + 128.0;
}
template <typename Real> Real crStudioChromaRed(Real b, Real g, Real r) {
    return 0.439 * r - 0.368 * g - 0.071 * b + 128.0;
}

// The studio-range luma in 14-bit fixed point, from the unrounded weights
// (65.481, 128.553, 24.966) / 255 truncated.
inline int crStudioLumaFixed(int b, int g, int r) { return ((4207 * r + 8259 * g + 1604 * b + 8192) >> 14) + 16; }

// ---- Files -------------------------------------------------------------------

// Little-endian stores of the file headers and device binaries.
inline void crStoreLe16(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void crStoreLe32(unsigned char* p, uint32_t v) {
    crStoreLe16(p, v);
    crStoreLe16(p + 2, v >> 16);
}

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
