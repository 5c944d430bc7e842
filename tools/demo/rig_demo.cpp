// What the multi-view showcases share: the rig filmed once, Init and Apply
// timed, and the tables and masks that every multi-view engine hands out.
#include <cstdio>
#include <vector>

#include "demo.h"
#include "scene/scene.h"

const char* const kDemoSlotNames[4] = {"front", "rear", "left", "right"};

namespace {

const char* const kMaskFormats[4] = {"rgb16", "rgb32", "ycbcr", "rgb24"};

}  // namespace

void crFilmDemoRig(const DemoOptions& options, DemoRig* rig) {
    crSceneRig(rig->cams);
    const double start = crDemoMilliseconds();
    for (int slot = 0; slot < 4; ++slot) rig->frames[slot] = crSceneRender(rig->cams[slot]);
    std::printf("Rig: rendered the four cameras' frames in %.0f ms\n", crDemoMilliseconds() - start);
    for (int slot = 0; slot < 4; ++slot)
        crWriteDemoBmp(crDemoPath(options, std::string("rig_") + kDemoSlotNames[slot] + ".bmp"),
                       rig->frames[slot].data(), rig->cams[slot].imageWidth, rig->cams[slot].imageHeight);
}

double crInitDemoMultiview(EngineHandle* h, const MultiviewParam& param) {
    const double start = crDemoMilliseconds();
    if (crMultiviewInit(h, &param) != 0) return -1.0;
    return crDemoMilliseconds() - start;
}

void crApplyDemoMultiview(EngineHandle* h, const DemoRig& rig, const MultiviewParam& param, const std::string& path) {
    std::vector<unsigned char> view(static_cast<size_t>(crImageStride(3, param.viewWidth)) * param.viewHeight, 0);
    const double start = crDemoMilliseconds();
    crMultiviewApply(h, rig.frames[CR_SLOT_FRONT].data(), rig.frames[CR_SLOT_LEFT].data(),
                     rig.frames[CR_SLOT_RIGHT].data(), rig.frames[CR_SLOT_REAR].data(), view.data());
    std::printf("  Apply %.1f ms\n", crDemoMilliseconds() - start);
    crWriteDemoBmp(path, view.data(), param.viewWidth, param.viewHeight);
}

void crWriteMultiviewTables(EngineHandle* h, const DemoOptions& options, const std::string& prefix, int maskFormats) {
    crDemoLibraryFile(crDemoPath(options, prefix + "_blend.bmp"),
                      [h](const char* path) { crMultiviewSaveImage(h, path); });

    int len = 0;
    crMultiviewGetLUTLen(h, &len);
    std::vector<unsigned char> bytes(len);
    for (int slot = 0; slot < 4; ++slot) {
        bytes.assign(len, 0);
        crMultiviewGetLUT(h, bytes.data(), len, slot);
        crWriteDemoFile(crDemoPath(options, prefix + "_lut_" + kDemoSlotNames[slot] + ".bin"), bytes.data(),
                        bytes.size());
    }
    for (int format = 0; format < maskFormats; ++format) {
        crMultiviewGetMaskLen(h, &len, format);
        bytes.assign(len, 0);
        crMultiviewGetMask(h, bytes.data(), len, format);
        crWriteDemoFile(crDemoPath(options, prefix + "_mask_" + kMaskFormats[format] + ".bin"), bytes.data(),
                        bytes.size());
    }
}
