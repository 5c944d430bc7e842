// Top view from the synthetic four-camera rig: Init and Apply of the camrig
// engine against the usual OpenCV surround-view pipeline (four cv::remap
// calls with the same LUTs as float maps, then a per-pixel weighted sum with
// the blend map's weights), single-threaded. Prints camrig / OpenCV per case
// after the run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "bench_times.h"
#include "engines/topview.h"
#include "scene/scene.h"

namespace {

// The rig with its cameras resized to frameWidth x frameHeight (the sample
// lens is 720 x 480), its rendered frames, an initialised engine and the
// OpenCV copies of the engine's tables.
struct Rig {
    CameraParam cams[4];
    MultiviewParam param;
    EngineHandle* engine = nullptr;
    std::vector<unsigned char> frames[4];  // storage order: front, left, right, rear
    std::vector<unsigned char> out;
    cv::Mat frameMats[4], mapX[4], mapY[4], weights[4], warped[4], warpedFloat, sum, composed;

    Rig(int frameWidth, int frameHeight, int viewWidth, int viewHeight) {
        crSceneRig(cams);
        for (CameraParam& c : cams) crScaleCamera(&c, frameWidth, frameHeight);
        param = crSceneTopview(cams, viewWidth, viewHeight);
        param.flags = CR_MULTI_BILINEAR;
        engine = crMultiviewCreate(0);
        crMultiviewInit(engine, &param);
        out.resize(static_cast<size_t>(crPackedStride(viewWidth)) * viewHeight);
        for (int pos = 0; pos < 4; ++pos) {
            frames[pos] = crSceneRender(cams[kTopviewSlotOf[pos]]);
            frameMats[pos] = cv::Mat(frameHeight, frameWidth, CV_8UC3, frames[pos].data(), crPackedStride(frameWidth));
        }
        crCopyTables();
    }
    ~Rig() { crMultiviewRelease(&engine); }

    static void crScaleCamera(CameraParam* c, int width, int height) {
        const float sx = static_cast<float>(width) / static_cast<float>(c->imageWidth);
        const float sy = static_cast<float>(height) / static_cast<float>(c->imageHeight);
        c->pixelScaleX *= sx;
        c->pixelScaleY *= sy;
        c->principalX *= sx;
        c->principalY *= sy;
        c->imageWidth = width;
        c->imageHeight = height;
    }

    // Float maps from the LUTs; per-camera weights (three equal channels)
    // from the blend map: a single camera 1, a pair (256 - v) / 256 and
    // v / 256. The vehicle colour is left out of the peer's sum.
    void crCopyTables() {
        const auto* s = static_cast<const TopviewState*>(engine->state);
        const int w = s->width, h = s->height;
        for (int pos = 0; pos < 4; ++pos) {
            mapX[pos].create(h, w, CV_32FC1);
            mapY[pos].create(h, w, CV_32FC1);
            weights[pos] = cv::Mat::zeros(h, w, CV_32FC3);
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c) {
                    mapX[pos].at<float>(r, c) = s->luts[pos][r][2 * c];
                    mapY[pos].at<float>(r, c) = s->luts[pos][r][2 * c + 1];
                }
        }
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                const unsigned char* code = s->blendMap->data[r] + 3 * c;
                if ((code[0] != 0 && code[0] != 255) || (code[1] != 0 && code[1] != 255)) continue;
                const int along = code[0] ? kPosRear : kPosFront, side = code[1] ? kPosRight : kPosLeft;
                const float share = code[2] / 256.0f;
                if (code[2] == 0) {
                    weights[code[0] == code[1] ? along : side].at<cv::Vec3f>(r, c) = cv::Vec3f::all(1.0f);
                } else {
                    weights[along].at<cv::Vec3f>(r, c) = cv::Vec3f::all(1.0f - share);
                    weights[side].at<cv::Vec3f>(r, c) = cv::Vec3f::all(share);
                }
            }
    }

    void crApplyOpenCV() {
        sum = cv::Mat::zeros(weights[0].size(), CV_32FC3);
        for (int pos = 0; pos < 4; ++pos) {
            cv::remap(frameMats[pos], warped[pos], mapX[pos], mapY[pos], cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                      cv::Scalar(0, 0, 255));
            warped[pos].convertTo(warpedFloat, CV_32FC3);
            cv::accumulateProduct(warpedFloat, weights[pos], sum);
        }
        sum.convertTo(composed, CV_8UC3);
    }
};

Rig& crRig(int which) {
    static Rig small(720, 480, 720, 480);
    static Rig large(1280, 800, 1280, 720);
    return which == 0 ? small : large;
}

void crBenchInit(benchmark::State& state) {
    Rig& rig = crRig(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        crMultiviewInit(rig.engine, &rig.param);
        benchmark::ClobberMemory();
    }
}

void crBenchApply(benchmark::State& state) {
    Rig& rig = crRig(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        crMultiviewApply(rig.engine, rig.frames[0].data(), rig.frames[1].data(), rig.frames[2].data(),
                         rig.frames[3].data(), rig.out.data());
        benchmark::DoNotOptimize(rig.out.data());
        benchmark::ClobberMemory();
    }
}

void crBenchApplyOpenCV(benchmark::State& state) {
    Rig& rig = crRig(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        rig.crApplyOpenCV();
        benchmark::DoNotOptimize(rig.composed.data);
        benchmark::ClobberMemory();
    }
}

// Arg: 0 = 4 x 720x480 frames into a 720x480 view, 1 = 4 x 1280x800 into 1280x720.
void crSizes(benchmark::internal::Benchmark* b) {
    b->ArgName("size")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}

BENCHMARK(crBenchInit)->Apply(crSizes);
BENCHMARK(crBenchApply)->Apply(crSizes);
BENCHMARK(crBenchApplyOpenCV)->Apply(crSizes);

// Collects the time per iteration of every run for the closing table.
void crPrintSummary(const CrBenchTimes& times) {
    const char* sizes[] = {"4 x 720x480 -> 720x480", "4 x 1280x800 -> 1280x720"};
    std::printf("\nTop view, ms per call (real / cpu), single thread:\n");
    for (int size = 0; size < 2; ++size) {
        const std::string arg = "/size:" + std::to_string(size);
        const auto init = times.find("crBenchInit" + arg);
        if (init != times.end())
            std::printf("  %-26s Init %8.2f / %8.2f\n", sizes[size], init->second.real, init->second.cpu);
        const auto ours = times.find("crBenchApply" + arg);
        const auto peer = times.find("crBenchApplyOpenCV" + arg);
        if (ours == times.end() || peer == times.end()) continue;
        std::printf("  %-26s Apply %7.3f / %7.3f   OpenCV %7.3f / %7.3f   camrig/OpenCV %5.2f / %5.2f\n", sizes[size],
                    ours->second.real, ours->second.cpu, peer->second.real, peer->second.cpu,
                    ours->second.real / peer->second.real, ours->second.cpu / peer->second.cpu);
    }
}

}  // namespace

int main(int argc, char** argv) { return crRunBenchmarks(argc, argv, crPrintSummary); }
