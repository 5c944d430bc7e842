// crDetectCorner on each rig camera's calibration photograph, in the camera's
// own mode. The detector's only full-frame work is the grey conversion; the
// rest runs on the two canvas windows, so OpenCV's grey conversion of the
// same photograph is printed beside it as the floor of the cost.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "bench_times.h"
#include "camrig.h"
#include "scene/scene.h"

namespace {

struct Photos {
    CameraParam cams[4];
    std::vector<unsigned char> photos[4];
    Photos() {
        crSceneRig(cams);
        ScenePhotoConditions how;
        how.floor = 190, how.target = 95, how.blur = 0.6f;
        for (int slot = 0; slot < 4; ++slot) {
            SceneTarget targets[2];
            crSceneTargets(cams[slot], slot, ScenePlacement{}, targets);
            photos[slot] = crScenePhotograph(cams[slot], targets, 2, how);
        }
    }
};

const Photos& crPhotos() {
    static const Photos photos;
    return photos;
}

void crBenchDetect(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const Photos& p = crPhotos();
    CameraParam cam = p.cams[mode];
    for (auto _ : state) {
        crDetectCorner(p.photos[mode].data(), &cam, mode);
        benchmark::DoNotOptimize(cam.imagePoints[0]);
    }
    if (cam.pointCount != 12) state.SkipWithError("the detector did not process both targets");
}

void crBenchOpenCVGray(benchmark::State& state) {
    const Photos& p = crPhotos();
    const CameraParam& cam = p.cams[0];
    const cv::Mat photo(cam.imageHeight, cam.imageWidth, CV_8UC3, const_cast<unsigned char*>(p.photos[0].data()));
    cv::Mat gray;
    for (auto _ : state) {
        cv::cvtColor(photo, gray, cv::COLOR_BGR2GRAY);
        benchmark::DoNotOptimize(gray.data);
    }
}

BENCHMARK(crBenchDetect)->ArgNames({"mode"})->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(crBenchOpenCVGray)->Unit(benchmark::kMillisecond);

void crPrintSummary(const CrBenchTimes& times) {
    const auto gray = times.find("crBenchOpenCVGray");
    std::printf("\ncrDetectCorner per 720x480 photograph, ms (real / cpu):\n");
    for (int mode = 0; mode < 4; ++mode) {
        const auto t = times.find("crBenchDetect/mode:" + std::to_string(mode));
        if (t == times.end()) continue;
        std::printf("  mode %d  %7.2f / %7.2f", mode, t->second.real, t->second.cpu);
        if (gray != times.end()) std::printf("   (OpenCV grey conversion alone: %.3f ms)", gray->second.cpu);
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) { return crRunBenchmarks(argc, argv, crPrintSummary); }
