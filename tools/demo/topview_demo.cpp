// The rig's four frames composed into a top view by the top-view engine,
// with its lookup tables and blend-map masks in the target's formats.
#include <cstdio>
#include <vector>

#include "demo.h"
#include "scene/scene.h"

namespace {

const char* const kSlotNames[4] = {"front", "rear", "left", "right"};
const char* const kMaskFormats[4] = {"rgb16", "rgb32", "ycbcr", "rgb24"};

void crWriteTables(EngineHandle* h, const DemoOptions& options) {
    crDemoLibraryFile(crDemoPath(options, "top_blend.bmp"), [h](const char* path) { crMultiviewSaveImage(h, path); });

    int len = 0;
    crMultiviewGetLUTLen(h, &len);
    std::vector<unsigned char> bytes(len);
    for (int slot = 0; slot < 4; ++slot) {
        bytes.assign(len, 0);
        crMultiviewGetLUT(h, bytes.data(), len, slot);
        crWriteDemoFile(crDemoPath(options, std::string("top_lut_") + kSlotNames[slot] + ".bin"), bytes.data(),
                        bytes.size());
    }
    for (int format = 0; format < 4; ++format) {
        crMultiviewGetMaskLen(h, &len, format);
        bytes.assign(len, 0);
        crMultiviewGetMask(h, bytes.data(), len, format);
        crWriteDemoFile(crDemoPath(options, std::string("top_mask_") + kMaskFormats[format] + ".bin"),
                        bytes.data(), bytes.size());
    }
}

}  // namespace

void crDemoTopview(const DemoOptions& options) {
    std::printf("Top-view engine: %dx%d view, blend mode %d\n", options.viewWidth, options.viewHeight,
                options.mode);
    CameraParam cams[4];
    crSceneRig(cams);
    std::vector<unsigned char> frames[4];
    const double renderStart = crDemoMilliseconds();
    for (int slot = 0; slot < 4; ++slot) frames[slot] = crSceneRender(cams[slot]);
    std::printf("  rendered the rig's frames in %.0f ms\n", crDemoMilliseconds() - renderStart);
    for (int slot = 0; slot < 4; ++slot)
        crWriteDemoBmp(crDemoPath(options, std::string("rig_") + kSlotNames[slot] + ".bmp"), frames[slot].data(),
                       cams[slot].imageWidth, cams[slot].imageHeight);

    MultiviewParam param = crSceneTopview(cams, options.viewWidth, options.viewHeight);
    param.mode = options.mode;
    param.flags = CR_MULTI_BILINEAR;  // smoother far ground, where camera pixels are large
    EngineHandle* h = crMultiviewCreate(0);
    double start = crDemoMilliseconds();
    if (crMultiviewInit(h, &param) != 0) {
        std::printf("  the top-view engine is not available in this build; skipped\n");
        crMultiviewRelease(&h);
        return;
    }
    std::printf("  Init %.1f ms (%.1f mm per pixel)\n", crDemoMilliseconds() - start, param.scale);

    std::vector<unsigned char> view(static_cast<size_t>(crPackedStride(param.viewWidth)) * param.viewHeight, 0);
    start = crDemoMilliseconds();
    crMultiviewApply(h, frames[CR_SLOT_FRONT].data(), frames[CR_SLOT_LEFT].data(), frames[CR_SLOT_RIGHT].data(),
                     frames[CR_SLOT_REAR].data(), view.data());
    std::printf("  Apply %.1f ms\n", crDemoMilliseconds() - start);
    crWriteDemoBmp(crDemoPath(options, "top_view.bmp"), view.data(), param.viewWidth, param.viewHeight);
    crWriteTables(h, options);
    crMultiviewRelease(&h);
}
