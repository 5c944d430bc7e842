// Init of the single-view engine on the sample camera, single-threaded: the
// corrected 720x480 view through the lens alone, and with the panel-fold
// layout and a ground picture drawn in as the overlay (the view-mode LUT and
// the overlay LUT both built). Init has no OpenCV peer; its time is printed
// alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_times.h"
#include "camrig.h"
#include "scene/scene.h"

namespace {

// The ground picture of the corrected view (crSceneCorrectedView).
constexpr int kGroundWidth = kSceneGuideWidth;
constexpr int kGroundHeight = kSceneGuideHeight;

// A chequer of 50 x 50 pixel squares, alternately painted and transparent.
std::vector<unsigned char> crGroundPicture() {
    const int stride = crImageStride(3, kGroundWidth);
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * kGroundHeight, 0);
    for (int r = 0; r < kGroundHeight; ++r)
        for (int c = 0; c < kGroundWidth; ++c)
            if ((r / 50 + c / 50) % 2 == 0) {
                unsigned char* p = &pixels[static_cast<size_t>(r) * stride + 3 * static_cast<size_t>(c)];
                p[0] = 32, p[1] = 192, p[2] = 224;
            }
    return pixels;
}

// Arg 0: lens correction alone; 1: fold layout and ground overlay as well.
ViewParam crBenchView(CameraParam* cam, bool folded) {
    ViewParam view = crSceneCorrectedView(cam);
    if (!folded) view.flags &= ~(CR_VIEW_FOLD | CR_VIEW_OVERLAY);
    return view;
}

void crBenchInit(benchmark::State& state) {
    CameraParam cam = crSceneSampleCamera();
    ViewParam view = crBenchView(&cam, state.range(0) != 0);
    EngineHandle* engine = crSingleviewCreate(0);
    const std::vector<unsigned char> ground = crGroundPicture();
    crSingleviewSetImage(engine, kGroundWidth, kGroundHeight, ground.data(), 0);
    if (crSingleviewInit(engine, &view) != 0) state.SkipWithError("the engine did not initialise");
    for (auto _ : state) {
        crSingleviewInit(engine, &view);
        benchmark::ClobberMemory();
    }
    crSingleviewRelease(&engine);
}

BENCHMARK(crBenchInit)->ArgName("overlay")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void crPrintSummary(const CrBenchTimes& times) {
    std::printf("\nSingle view 720x480 of the sample camera, Init ms per call (real / cpu), single thread:\n");
    const char* labels[2] = {"lens correction", "fold layout + ground overlay"};
    for (int overlay = 0; overlay < 2; ++overlay) {
        const auto t = times.find("crBenchInit/overlay:" + std::to_string(overlay));
        if (t != times.end()) std::printf("  %-30s %8.2f / %8.2f\n", labels[overlay], t->second.real, t->second.cpu);
    }
}

}  // namespace

int main(int argc, char** argv) { return crRunBenchmarks(argc, argv, crPrintSummary); }
