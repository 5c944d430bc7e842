// The rig's four frames composed into a top view by the top-view engine,
// with its lookup tables and blend-map masks in the target's formats.
#include <cstdio>

#include "demo.h"
#include "scene/scene.h"

void crDemoTopview(const DemoOptions& options, const DemoRig& rig) {
    std::printf("Top-view engine: %dx%d view, blend mode %d\n", options.viewWidth, options.viewHeight, options.mode);
    CameraParam cams[4];
    for (int slot = 0; slot < 4; ++slot) cams[slot] = rig.cams[slot];
    MultiviewParam param = crSceneTopview(cams, options.viewWidth, options.viewHeight);
    param.mode = options.mode;
    param.flags = CR_MULTI_BILINEAR;  // smoother far ground, where camera pixels are large
    EngineHandle* h = crMultiviewCreate(0);
    const double initMs = crInitDemoMultiview(h, param);
    if (initMs < 0.0) {
        std::printf("  the top-view engine is not available in this build; skipped\n");
        crMultiviewRelease(&h);
        return;
    }
    std::printf("  Init %.1f ms (%.1f mm per pixel)\n", initMs, param.scale);
    crApplyDemoMultiview(h, rig, param, crDemoPath(options, "top_view.bmp"));
    crWriteMultiviewTables(h, options, "top", 4);
    crMultiviewRelease(&h);
}
