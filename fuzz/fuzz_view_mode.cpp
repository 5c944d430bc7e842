// View-mode LUT, view-mode point and overlay LUT of a view record and camera record taken straight
// from the input. The LUT is the caller's: it gets exactly outHeight rows of outWidth pairs.
#include "fuzz_input.h"

namespace {

enum Op : uint8_t { kViewModeLut, kViewModePoint, kOverlayLut, kOpCount };

class FuzzLut {
public:
    // False when the record asks for more than the harness is willing to allocate.
    bool allocate(int32_t width, int32_t height) {
        const int64_t rows = height > 0 ? height : 0, cols = width > 0 ? width : 0;
        if (rows > kMaxBufferElements || cols > kMaxBufferElements || rows * cols > kMaxBufferElements) return false;
        pointers_ = crFuzzBuffer<float*>(rows);
        for (int64_t r = 0; r < rows; ++r)
            rows_.push_back(crFuzzBuffer<float>(2 * cols)), pointers_[r] = rows_.back().get();
        return true;
    }
    float** get() { return pointers_.get(); }

private:
    std::unique_ptr<float*[]> pointers_;
    std::vector<std::unique_ptr<float[]>> rows_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t op = in.take<uint8_t>() % kOpCount;
    ViewParam view = in.take<ViewParam>();
    CameraParam cam = in.take<CameraParam>();
    view.camera = &cam;
    const int32_t srcWidth = in.take<int32_t>(), srcHeight = in.take<int32_t>();
    const Point2f p = in.take<Point2f>();
    Point2f out{};
    FuzzLut lut;
    switch (op) {
    case kViewModeLut:
        if (lut.allocate(view.outWidth, view.outHeight)) crGetviewModeLUT(srcWidth, srcHeight, lut.get(), &view);
        break;
    case kViewModePoint: crGetViewModePoint(&p, &out, &view); break;
    case kOverlayLut:
        if (lut.allocate(view.outWidth, view.outHeight)) crGetOverlayLUT(srcWidth, srcHeight, lut.get(), &view);
        break;
    }
    return 0;
}
