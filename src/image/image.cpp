// Pictures and row arrays: construction, release and packed-buffer copies.
#include "image.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kPairBytes = 2 * sizeof(float);

}  // namespace

// A picture's rows lie in one block, one stride apart, so that the samplers
// can address every pixel from the first row. The size checks are those of
// any row array.
unsigned char** crAllocRows(int rowBytes, int count) {
    if (rowBytes < 0 || crByteCount(crRowArrayCost(rowBytes, count > 0 ? count : 0), 1) < 0) return nullptr;
    unsigned char** rows = crAllocArray<unsigned char*>(count);
    if (!rows || count <= 0) return rows;
    unsigned char* block = crAllocArray<unsigned char>(static_cast<int64_t>(rowBytes) * count);
    if (!block) {
        std::free(rows);
        return nullptr;
    }
    for (int i = 0; i < count; ++i) rows[i] = block + static_cast<size_t>(i) * rowBytes;
    return rows;
}

void crFreeRows(unsigned char** rows, int count) {
    if (!rows) return;
    if (count > 0) std::free(rows[0]);
    std::free(rows);
}

void crClearRows(unsigned char** rows, int count, int rowBytes) { crClearRowArray(rows, count, rowBytes); }

Image* crCreateImage(int channels, int width, int height) {
    if (width < 0 || height < 0) return nullptr;
    const int stride = crPaddedBytes(crByteCount(channels < 1 ? 1 : channels, width));
    if (crByteCount(stride, height) < 0) return nullptr;  // as if the rows could not be allocated
    Image* img = static_cast<Image*>(std::malloc(sizeof(Image)));
    if (!img) return nullptr;
    img->size = static_cast<int32_t>(sizeof(Image));  // 32 on the 32-bit layout
    img->channels = channels < 1 ? 1 : channels;
    img->reserved = 0;
    img->width = width;
    img->height = height;
    img->stride = stride;
    img->imageSize = stride * height;
    img->data = crAllocRows(img->stride, height);
    if (!img->data) {
        std::free(img);
        return nullptr;
    }
    return img;
}

void crReleaseImage(Image** img) {
    if (!img || !*img) return;
    Image* doomed = *img;
    *img = nullptr;
    if (doomed->data) crFreeRows(doomed->data, doomed->height);
    std::free(doomed);
}

float** crAllocLut(int width, int height) {
    if (crByteCount(width, kPairBytes) < 0) return nullptr;  // 2 x width floats a row must fit
    float** lut = crAllocRowArray<float>(2 * width, height);
    if (lut) crClearRowArray(lut, height, 2 * width);
    return lut;
}

void crFreeLut(float** lut, int height) { crFreeRowArray(lut, height); }

float* crFlattenLut(float* const* lut, int width, int height) {
    if (crByteCount(crByteCount(width, kPairBytes), height) < 0) return nullptr;
    const size_t rowFloats = 2 * static_cast<size_t>(width);
    auto* flat = static_cast<float*>(std::malloc(rowFloats * height * sizeof(float)));
    if (!flat) return nullptr;
    for (int r = 0; r < height; ++r) std::memcpy(flat + r * rowFloats, lut[r], rowFloats * sizeof(float));
    return flat;
}

void crCopyPackedToImage(const unsigned char* packed, Image* img) {
    const size_t pixels = static_cast<size_t>(img->channels) * img->width;
    for (int r = 0; r < img->height; ++r)
        std::memcpy(img->data[r], packed + static_cast<size_t>(r) * img->stride, pixels);
}

void crCopyImageToPacked(const Image* img, unsigned char* packed) {
    for (int r = 0; r < img->height; ++r)
        std::memcpy(packed + static_cast<size_t>(r) * img->stride, img->data[r], img->stride);
}
