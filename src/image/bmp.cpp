// crImageToBmp: a complete, uncompressed BMP file in memory. Rows are stored
// bottom-up with their bytes unchanged; 1-channel pictures get a grey palette.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image.h"

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;
constexpr int kPaletteBytes = 256 * 4;

void crWriteHeaders(unsigned char* out, const Image* img, uint16_t bitCount, int imageSize, int pixelOffset) {
    std::memset(out, 0, kFileHeaderBytes + kInfoHeaderBytes);
    out[0] = 'B';
    out[1] = 'M';
    crStoreLe32(out + 2, static_cast<uint32_t>(pixelOffset + imageSize));
    crStoreLe32(out + 10, static_cast<uint32_t>(pixelOffset));
    unsigned char* info = out + kFileHeaderBytes;
    crStoreLe32(info, kInfoHeaderBytes);
    crStoreLe32(info + 4, static_cast<uint32_t>(img->width));
    crStoreLe32(info + 8, static_cast<uint32_t>(img->height));
    crStoreLe16(info + 12, 1);
    crStoreLe16(info + 14, bitCount);
    crStoreLe32(info + 20, static_cast<uint32_t>(imageSize));
}

// Entry i is (i, i, i, 0): black to white.
void crWriteGreyPalette(unsigned char* p) {
    for (int i = 0; i < 256; ++i, p += 4) {
        p[0] = p[1] = p[2] = static_cast<unsigned char>(i);
        p[3] = 0;
    }
}

}  // namespace

unsigned char* crImageToBmp(const Image* img, int* outSize) {
    const int channels = img->channels & 0xFF;
    const uint16_t bitCount = static_cast<uint16_t>(8 * channels);
    const int rowSize = crByteCount(channels, img->width);
    const int paddedRow = crPaddedBytes(rowSize);
    const int imageSize = crByteCount(paddedRow, img->height);
    const int pixelOffset =
        bitCount == 8 ? kFileHeaderBytes + kInfoHeaderBytes + kPaletteBytes : kFileHeaderBytes + kInfoHeaderBytes;
    // A file whose size the headers cannot state, or rows longer than the
    // picture's own, is refused like a failed allocation.
    if (imageSize < 0 || imageSize > INT_MAX - pixelOffset || rowSize > img->stride) return nullptr;
    const int fileSize = pixelOffset + imageSize;
    unsigned char* out = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(fileSize)));
    if (!out) return nullptr;

    crWriteHeaders(out, img, bitCount, imageSize, pixelOffset);
    if (bitCount == 8) crWriteGreyPalette(out + kFileHeaderBytes + kInfoHeaderBytes);
    unsigned char* row = out + pixelOffset;
    for (int r = img->height - 1; r >= 0; --r, row += paddedRow) {
        std::memcpy(row, img->data[r], static_cast<size_t>(rowSize));
        std::memset(row + rowSize, 0, static_cast<size_t>(paddedRow - rowSize));  // padding: zeros
    }
    if (outSize) *outSize = fileSize;
    return out;
}

void crSaveBmpFile(const Image* img, const char* path) {
    int size = 0;
    unsigned char* bmp = crImageToBmp(img, &size);
    if (!bmp) return;
    CrFileOutput file;
    if (crOpenFileOutput(path, &file)) {
        const size_t bytes = static_cast<size_t>(size);
        crCloseFileOutput(&file, path, std::fwrite(bmp, 1, bytes, file.stream) == bytes);
    }
    std::free(bmp);
}
