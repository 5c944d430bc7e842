// The sample camera's corrected view from the single-view engine: lens
// correction, a zoom, a panel-fold layout and parking guide lines painted on
// the ground.
#include <cstdio>
#include <vector>

#include "demo.h"
#include "scene/scene.h"

namespace {

// The guide picture lies on the ground (see crSceneCorrectedView).
const int kGuideWidth = kSceneGuideWidth;
const int kGuideHeight = kSceneGuideHeight;

// Pixel row of the ground line `metres` ahead of the camera.
int crGuideRow(int metres) { return kGuideHeight - 100 * metres; }

std::vector<unsigned char> crDrawGuides() {
    std::vector<unsigned char> pixels(static_cast<size_t>(crImageStride(3, kGuideWidth)) * kGuideHeight, 0);
    std::vector<unsigned char*> rows(kGuideHeight);
    Image img;
    crImageWrap(&img, 3, kGuideWidth, kGuideHeight, pixels.data(), rows.data());
    const int thick = 6;  // 60 mm paint; the brush hangs right and down from the point
    const int left = kGuideWidth / 2 - 90 - thick / 2, right = kGuideWidth / 2 + 90 - thick / 2;
    const uint32_t red = 0x002020E0, yellow = 0x0020E0E0, green = 0x0020C020;  // 0x00BBGGRR
    crDrawLineBresenham(&img, left, crGuideRow(4), left, crGuideRow(0) - thick, green, thick);
    crDrawLineBresenham(&img, right, crGuideRow(4), right, crGuideRow(0) - thick, green, thick);
    crDrawLineBresenham(&img, left, crGuideRow(1), right, crGuideRow(1), red, thick);
    for (int metres = 2; metres <= 4; ++metres) {
        const uint32_t colour = metres == 2 ? yellow : green;
        crDrawLineBresenham(&img, left, crGuideRow(metres), left + 40, crGuideRow(metres), colour, thick);
        crDrawLineBresenham(&img, right - 40, crGuideRow(metres), right, crGuideRow(metres), colour, thick);
    }
    return pixels;
}

void crWriteTables(EngineHandle* h, const DemoOptions& options) {
    int len = 0;
    crSingleviewGetLUTLen(h, &len);
    std::vector<unsigned char> bytes(len);
    crSingleviewGetLUT(h, bytes.data(), len);
    crWriteDemoFile(crDemoPath(options, "single_lut.bin"), bytes.data(), bytes.size());

    crDemoLibraryFile(crDemoPath(options, "single_lut.txt"), [h](const char* path) { crSingleviewSaveLUT(h, path); });

    crSingleviewGetMaskLen(h, &len, 800);
    bytes.assign(len, 0);
    crSingleviewGetMask(h, bytes.data(), len);
    crWriteDemoFile(crDemoPath(options, "single_mask.bin"), bytes.data(), bytes.size());

    crDemoLibraryFile(crDemoPath(options, "single_mask.bmp"),
                      [h](const char* path) { crSingleviewSaveImage(h, path); });
}

}  // namespace

void crDemoSingleview(const DemoOptions& options) {
    std::printf("Single-view engine: corrected view of the sample camera\n");
    CameraParam cam = crSceneSampleCamera();
    const std::vector<unsigned char> frame = crSceneRender(cam);
    crWriteDemoBmp(crDemoPath(options, "single_camera.bmp"), frame.data(), cam.imageWidth, cam.imageHeight);

    EngineHandle* h = crSingleviewCreate(0);
    const std::vector<unsigned char> guides = crDrawGuides();
    crSingleviewSetImage(h, kGuideWidth, kGuideHeight, guides.data(), 0);
    ViewParam view = crSceneCorrectedView(&cam);
    double start = crDemoMilliseconds();
    if (crSingleviewInit(h, &view) != 0) {
        std::printf("  the single-view engine is not available in this build; skipped\n");
        crSingleviewRelease(&h);
        return;
    }
    std::printf("  Init %.1f ms\n", crDemoMilliseconds() - start);

    std::vector<unsigned char> out(static_cast<size_t>(crImageStride(3, view.outWidth)) * view.outHeight, 0);
    start = crDemoMilliseconds();
    crSingleviewApply(h, frame.data(), out.data());
    std::printf("  Apply %.1f ms\n", crDemoMilliseconds() - start);
    crWriteDemoBmp(crDemoPath(options, "single_view.bmp"), out.data(), view.outWidth, view.outHeight);

    float horizontal = 0.0f, vertical = 0.0f;
    crSingleviewGetFOV(h, &horizontal, &vertical);
    std::printf("  field of view %.1f x %.1f deg\n", horizontal, vertical);
    crWriteTables(h, options);
    crSingleviewRelease(&h);
}
