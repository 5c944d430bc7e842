// Decoders of the target device's binaries back into pictures and numbers,
// so that what goes to the device can be looked at.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "camrig.h"
#include "camrig_toolkit/picture.h"

namespace camrig {

// maskPalette: the single view's overlay mask (crSingleviewGetMask), pairs
// (palette index, repeats) over a strip round(720 x outWidth / scaleBase)
// pixels wide (the view's width with scale base 720).
enum class BinaryKind { lut, lutHalf, maskRgb16, maskRgb32, maskYcbcr, maskRgb24, points, zones, maskPalette };

// The kind's name as the command line takes it ("lut", "lut-half",
// "mask-rgb16", "mask-rgb32", "mask-ycbcr", "mask-rgb24", "points", "zones",
// "mask-palette") and back; parseBinaryKind throws RigError for an unknown
// name.
const char* binaryKindName(BinaryKind kind);
BinaryKind parseBinaryKind(const std::string& name);
// The kind that the file names written by the command line's view
// subcommands imply (…_lut_<camera>.bin, …_lut.bin, …_mask_<format>.bin,
// …_mask.bin for maskPalette, …_points_*.bin, …_zones.bin); false when the
// name says nothing.
bool binaryKindFromName(const std::string& path, BinaryKind* kind);

// A view LUT binary of a width x height view (crMakeBinView's layout, either
// mode): entries in view order, source (x, y) in camera pixels (rows
// restored from the field rows), and whether each has a source.
struct LutEntries {
    int width = 0, height = 0;
    std::vector<Point2f> source;
    std::vector<unsigned char> valid;
    int mode = 0;  // 1 when the entries keep 1/64 pixel, 0 for whole pixels
};
// The mode is read from the data: an entry with a fraction of a pixel means
// mode 1; all whole means mode 0, whose reading (rows to within one) also
// holds for mode-1 data that happen to be whole. Columns are read as
// unsigned 10.6 (up to 1024 pixels, which a 720-column camera needs), in
// the half format as signed and doubled. Marked entries, and entries with
// a negative source (the half format's unmarked (-1, -1)), have no source.
// Throws RigError when the length is not width x height x 4.
LutEntries decodeLut(const unsigned char* bytes, size_t length, int width, int height, bool half = false);
// The LUT as a picture: each view pixel coloured by its source position
// (red grows with x, green with y across the camera's sourceWidth x
// sourceHeight frame), pixels without source magenta.
Picture lutPicture(const LutEntries& lut, int sourceWidth, int sourceHeight);

// A mask binary of a width x height view in one of the mask formats: per
// pixel its zone (0..7, -1 for a colour pixel), the pair weight (0 for a
// single camera) and, for colour pixels, the colour as far as the format
// keeps it (maskPalette: colour pixels only). Throws RigError when the
// length does not fit.
struct MaskEntries {
    int width = 0, height = 0;
    std::vector<signed char> zone;
    std::vector<unsigned char> weight;
    std::vector<uint32_t> colour;  // 0x00BBGGRR
};
MaskEntries decodeMask(const unsigned char* bytes, size_t length, int width, int height, BinaryKind format);
// The mask as a picture: each zone in its own colour, pairs shaded by their
// weight, colour pixels as they are.
Picture maskPicture(const MaskEntries& mask);

// A point list (crMakeBinIPoint, crMakeBinWPoint or crMakeBinPGS): 16-bit
// pairs, the no-point marker as (-1, -1). Throws RigError for a length not a
// multiple of 4.
std::vector<Point2f> decodePoints(const unsigned char* bytes, size_t length);
// Draws the points (crosses) over `picture`, skipping no-point markers and
// points outside it.
void drawPoints(Picture* picture, const std::vector<Point2f>& points, uint32_t colour);

// The 72-byte zone block of crMakeTopviewParam: nine rectangles (x, y,
// width, height in view pixels, the halved values doubled back).
struct ZoneRect {
    int x, y, width, height;
};
std::vector<ZoneRect> decodeZones(const unsigned char* bytes, size_t length);
// Outlines of the zones over a picture of the view's size.
Picture zonesPicture(const std::vector<ZoneRect>& zones, int width, int height);

// A few lines that describe a decoded binary: its kind, size, counts (pixels
// with and without source, pixels per zone, points) and ranges. With the
// source frame's size, a LUT's sources are counted as lutPicture draws them:
// inside the frame, or outside it.
std::string summarise(BinaryKind kind, const unsigned char* bytes, size_t length, int width, int height,
                      int sourceWidth = 0, int sourceHeight = 0);

}  // namespace camrig
