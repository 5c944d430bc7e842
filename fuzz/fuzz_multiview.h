// One multi-view engine's life on a parameter record and camera records taken straight from the
// input: create, Init (and optionally a second Init at another view size), the table and mask
// lengths and outputs, Apply when the caller-side buffers are small, release. View sizes reach Init
// unmodified; only the buffers the caller owns (frames, output, LUT and mask copies) are bounded.
#pragma once

#include "fuzz_input.h"

struct FuzzMultiviewControl {
    uint8_t flags;  // bit 0: second Init at the view size below
    int32_t secondWidth, secondHeight;
    int32_t lutSlot, maskFormat;
};

inline void crFuzzLutAndMask(EngineHandle* h, const FuzzMultiviewControl& control) {
    int len = 0;
    crMultiviewGetLUTLen(h, &len);
    if (len >= 0 && len <= 4 * kMaxBufferElements) {
        auto lut = crFuzzBuffer<unsigned char>(len);
        crMultiviewGetLUT(h, lut.get(), len, control.lutSlot);
    }
    len = 0;
    crMultiviewGetMaskLen(h, &len, control.maskFormat);
    if (len >= 0 && len <= 4 * kMaxBufferElements) {
        auto mask = crFuzzBuffer<unsigned char>(len);
        crMultiviewGetMask(h, mask.get(), len, control.maskFormat);
    }
}

// Frames have camera slot 0's size and the output the caller's view size; Apply runs only when
// both are small.
inline void crFuzzApply(EngineHandle* h, const MultiviewParam& param, const FuzzInput& in) {
    const CameraParam& cam0 = param.cameras[0];
    const int64_t framePixels = crFuzzArea(cam0.imageWidth, cam0.imageHeight);
    const int64_t viewPixels = crFuzzArea(param.viewWidth, param.viewHeight);
    if (framePixels < 0 || viewPixels < 0) return;
    const int64_t frameBytes = framePixels ? crFuzzPackedStride(cam0.imageWidth) * cam0.imageHeight : 0;
    const int64_t outBytes = viewPixels ? crFuzzPackedStride(param.viewWidth) * param.viewHeight : 0;
    std::unique_ptr<unsigned char[]> frames[4];
    for (auto& f : frames) f = crFuzzBuffer<unsigned char>(frameBytes), in.fill(f.get(), size_t(frameBytes));
    auto out = crFuzzBuffer<unsigned char>(outBytes);
    crMultiviewApply(h, frames[0].get(), frames[2].get(), frames[3].get(), frames[1].get(), out.get());
}

inline void crFuzzMultiview(int type, int cameraCount, FuzzInput& in) {
    MultiviewParam param = in.take<MultiviewParam>();
    std::vector<CameraParam> cams(static_cast<size_t>(cameraCount));
    in.read(cams.data(), sizeof(CameraParam) * cams.size());
    param.cameras = cams.data();
    const FuzzMultiviewControl control = in.take<FuzzMultiviewControl>();
    EngineHandle* h = crMultiviewCreate(type);
    if (!h) return;
    crMultiviewInit(h, &param);
    if (control.flags & 1) {
        param.viewWidth = control.secondWidth, param.viewHeight = control.secondHeight;
        crMultiviewInit(h, &param);
    }
    crFuzzLutAndMask(h, control);
    crFuzzApply(h, param, in);
    crMultiviewRelease(&h);
}
