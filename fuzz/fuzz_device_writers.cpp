// Target binary writers, top-view parameter blocks and BMP encoding. Sizes come from the input
// unmodified (negative and zero included); the buffers the caller owns are derived from them and
// the call is skipped when they would exceed the harness's cap.
#include <algorithm>
#include <cstdlib>

#include "fuzz_input.h"

namespace {

enum Op : uint8_t {
    kBinView,
    kBinViewHalf,
    kMaskRgb16,
    kMaskRgb24,
    kMaskRgb32,
    kMaskYCbCr,
    kMaskLengths,
    kPgs,
    kTopviewParam,
    kFullTopviewParam,
    kMaskCarPos,
    kImageToBmp,
    kOpCount
};

using ViewWriter = void (*)(int, int, const float*, unsigned char*, int*, int);
using MaskWriter = void (*)(int, int, const unsigned char*, unsigned char*, int*);

void crFuzzBinView(ViewWriter writer, FuzzInput& in) {
    const int32_t w = in.take<int32_t>(), h = in.take<int32_t>(), mode = in.take<int32_t>();
    const int64_t n = crFuzzArea(w, h);
    if (n < 0) return;
    auto lut = crFuzzBuffer<float>(2 * n);
    auto out = crFuzzBuffer<unsigned char>(4 * n);
    in.read(lut.get(), sizeof(float) * size_t(2 * n));
    int len = 0;
    writer(w, h, lut.get(), out.get(), &len, mode);
}

// `entryBytes` 0 stands for the 24-bit copy, whose output is the padded map itself.
void crFuzzMask(MaskWriter writer, int entryBytes, FuzzInput& in) {
    const int32_t w = in.take<int32_t>(), h = in.take<int32_t>();
    const int64_t n = crFuzzArea(w, h);
    if (n < 0) return;
    const int64_t mapBytes = n ? crFuzzPackedStride(w) * h : 0;
    auto map = crFuzzBuffer<unsigned char>(mapBytes);
    auto out = crFuzzBuffer<unsigned char>(entryBytes ? entryBytes * n : mapBytes);
    in.read(map.get(), size_t(mapBytes));
    int len = 0;
    writer(w, h, map.get(), out.get(), &len);
}

void crFuzzMaskLengths(FuzzInput& in) {  // no buffer involved: any size goes
    const int32_t w = in.take<int32_t>(), h = in.take<int32_t>();
    int len = 0;
    crMakeBinMaskRGB16Len(w, h, &len);
    crMakeBinMaskRGB24Len(w, h, &len);
    crMakeBinMaskRGB32Len(w, h, &len);
    crMakeBinMaskYCbCrLen(w, h, &len);
}

// Both point lists hold rowCount x pointCount points (at least one row: with
// no rows the middle row is row 0); the output holds 4 bytes for each.
void crFuzzPgs(FuzzInput& in) {
    PgsParam pgs = in.take<PgsParam>();
    const int32_t set = in.take<int32_t>(), all = in.take<int32_t>();
    const int64_t n = crFuzzArea(pgs.rowCount == 0 ? 1 : pgs.rowCount, pgs.pointCount);
    if (n < 0) return;
    auto points0 = crFuzzBuffer<Point2f>(n), points1 = crFuzzBuffer<Point2f>(n);
    in.read(points0.get(), sizeof(Point2f) * size_t(n));
    in.read(points1.get(), sizeof(Point2f) * size_t(n));
    pgs.points0 = points0.get(), pgs.points1 = points1.get();
    auto out = crFuzzBuffer<unsigned char>(4 * n);
    int len = 0;
    crMakeBinPGS(&pgs, out.get(), &len, set, all);
}

void crFuzzTopviewParam(uint8_t op, FuzzInput& in) {
    MultiviewParam param = in.take<MultiviewParam>();
    param.cameras = nullptr;  // not read by these functions
    uint16_t block[36] = {};
    int len = 0, top = 0, left = 0, right = 0, bottom = 0;
    if (op == kTopviewParam) crMakeTopviewParam(&param, block, &len);
    if (op == kFullTopviewParam) crMakeFullTopviewParam(&param, block, &len);
    if (op == kMaskCarPos) crGetMaskCarPos(&param, &top, &left, &right, &bottom);
}

// An Image laid out as the library's constructor lays it out, its rows large enough for both the
// channel count and the low byte of it that the encoder's bit count is made of.
void crFuzzImageToBmp(FuzzInput& in) {
    const int32_t channels = in.take<int32_t>(), w = in.take<int32_t>(), h = in.take<int32_t>();
    const int64_t pixelBytes = channels > (channels & 0xFF) ? channels : (channels & 0xFF);
    const int64_t stride = (int64_t(channels) * w + 3) & ~int64_t(3);
    const int64_t rowBytes = w > 0 ? std::max(stride, (pixelBytes * w + 3) & ~int64_t(3)) : 0;
    const int64_t rows = h > 0 ? h : 0;
    if (rows > kMaxBufferElements || rowBytes > 4 * kMaxBufferElements || rows * rowBytes > 4 * kMaxBufferElements)
        return;
    auto pointers = crFuzzBuffer<unsigned char*>(rows);
    std::vector<std::unique_ptr<unsigned char[]>> storage;
    for (int64_t r = 0; r < rows; ++r) {
        storage.push_back(crFuzzBuffer<unsigned char>(rowBytes));
        in.fill(storage.back().get(), size_t(rowBytes));
        pointers[r] = storage.back().get();
    }
    const uint32_t imageSize = uint32_t(stride) * uint32_t(h);  // as the 32-bit fields would wrap
    Image img{32, channels, 0, w, h, int32_t(stride), int32_t(imageSize), pointers.get()};
    int outSize = 0;
    free(crImageToBmp(&img, &outSize));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t op = in.take<uint8_t>() % kOpCount;
    switch (op) {
    case kBinView: crFuzzBinView(crMakeBinView, in); break;
    case kBinViewHalf: crFuzzBinView(crMakeBinViewHalf, in); break;
    case kMaskRgb16: crFuzzMask(crMakeBinMaskRGB16, 2, in); break;
    case kMaskRgb24: crFuzzMask(crMakeBinMaskRGB24, 0, in); break;
    case kMaskRgb32: crFuzzMask(crMakeBinMaskRGB32, 4, in); break;
    case kMaskYCbCr: crFuzzMask(crMakeBinMaskYCbCr, 2, in); break;
    case kMaskLengths: crFuzzMaskLengths(in); break;
    case kPgs: crFuzzPgs(in); break;
    case kTopviewParam:
    case kFullTopviewParam:
    case kMaskCarPos: crFuzzTopviewParam(op, in); break;
    case kImageToBmp: crFuzzImageToBmp(in); break;
    }
    return 0;
}
