// Shared by the multi-view benchmarks: the synthetic rig with an initialised
// camrig engine, timed against the usual OpenCV surround-view pipeline (four
// cv::remap calls with the same LUTs as float maps, then a per-pixel weighted
// sum with the blend map's weights). The peer gets the engine's tables the
// way any caller can: the LUT text files of crMultiviewSaveLUT and the blend
// map that crMultiviewSaveImage writes as a BMP picture.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "bench_times.h"
#include "scene/scene.h"

// Fills cams (five records; the rig's four first) and returns the record of a
// viewWidth x viewHeight view.
using CrMultiviewRecord = MultiviewParam (*)(CameraParam* cams, int viewWidth, int viewHeight);

// The two cases every multi-view benchmark runs.
struct CrBenchSize {
    int frameWidth, frameHeight, viewWidth, viewHeight;
    const char* label;
};
const CrBenchSize kCrBenchSizes[2] = {{720, 480, 720, 480, "4 x 720x480 -> 720x480"},
                                      {1280, 800, 1280, 720, "4 x 1280x800 -> 1280x720"}};

// Camera slot at each storage position of the frames: front, left, right, rear.
const int kCrSlotAt[4] = {CR_SLOT_FRONT, CR_SLOT_LEFT, CR_SLOT_RIGHT, CR_SLOT_REAR};
enum { kCrFront, kCrLeft, kCrRight, kCrRear };

// A file name of its own in the temporary folder, removed with the object.
struct CrTempFile {
    std::string path;
    CrTempFile() {
        char name[] = "/tmp/camrig_bench_XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        path = name;
    }
    ~CrTempFile() { std::remove(path.c_str()); }
};

inline std::vector<unsigned char> crReadBenchFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        unsigned char block[65536];
        for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) bytes.insert(bytes.end(), block, block + n);
        std::fclose(f);
    }
    return bytes;
}

inline int crReadLe32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24; }

// The rig's cameras resized to the case's frames (the sample lens is
// 720 x 480), its rendered frames, an initialised engine and the OpenCV
// copies of the engine's tables.
struct CrMultiviewRig {
    CameraParam cams[5];
    MultiviewParam param;
    EngineHandle* engine = nullptr;
    bool ready = false;                    // Init succeeded and the peer has its tables
    std::vector<unsigned char> frames[4];  // storage order: front, left, right, rear
    std::vector<unsigned char> out;
    cv::Mat frameMats[4], mapX[4], mapY[4], weights[4], warped[4], warpedFloat, sum, composed;

    CrMultiviewRig(int type, CrMultiviewRecord record, const CrBenchSize& size) {
        param = record(cams, size.viewWidth, size.viewHeight);
        for (int slot = 0; slot < 4; ++slot) crSceneScaleCamera(&cams[slot], size.frameWidth, size.frameHeight);
        const int stride = crImageStride(3, size.frameWidth);
        for (int pos = 0; pos < 4; ++pos) {  // filmed before Init, which may recalibrate the poses
            frames[pos] = crSceneRender(cams[kCrSlotAt[pos]]);
            frameMats[pos] = cv::Mat(size.frameHeight, size.frameWidth, CV_8UC3, frames[pos].data(), stride);
        }
        out.resize(static_cast<size_t>(crImageStride(3, size.viewWidth)) * size.viewHeight);
        engine = crMultiviewCreate(type);
        ready = crMultiviewInit(engine, &param) == 0 && crReadMaps() && crReadWeights();
    }
    ~CrMultiviewRig() { crMultiviewRelease(&engine); }

    // Float maps from the LUT text files: one "column row x y" line per view
    // pixel, row by row; a camera without source there reads 36245. Six
    // decimals leave a few entries a unit in the last place off the engine's.
    bool crReadMaps() {
        const int w = param.viewWidth, h = param.viewHeight;
        for (int pos = 0; pos < 4; ++pos) {
            const CrTempFile text;
            crMultiviewSaveLUT(engine, text.path.c_str(), kCrSlotAt[pos]);
            FILE* f = std::fopen(text.path.c_str(), "rb");
            if (!f) return false;
            mapX[pos].create(h, w, CV_32FC1);
            mapY[pos].create(h, w, CV_32FC1);
            int c = 0, r = 0, lines = 0;
            float x = 0.0f, y = 0.0f;
            while (std::fscanf(f, "%d %d %f %f", &c, &r, &x, &y) == 4 && c >= 0 && r >= 0 && c < w && r < h) {
                mapX[pos].at<float>(r, c) = x < 36245.0f ? x : -1.0f;
                mapY[pos].at<float>(r, c) = y < 36245.0f ? y : -1.0f;
                ++lines;
            }
            std::fclose(f);
            if (lines != w * h) return false;
        }
        return true;
    }

    // Per-camera weights (three equal channels) from the blend map, a 24-bit
    // BMP with bottom-up rows: a single camera 1, a pair (256 - v) / 256 and
    // v / 256. The vehicle area and other literal colours are left out of the
    // peer's sum.
    bool crReadWeights() {
        const CrTempFile picture;
        crMultiviewSaveImage(engine, picture.path.c_str());
        const std::vector<unsigned char> bmp = crReadBenchFile(picture.path);
        const int w = param.viewWidth, h = param.viewHeight, rowBytes = crImageStride(3, w);
        if (bmp.size() < 54 || crReadLe32(&bmp[18]) != w || crReadLe32(&bmp[22]) != h) return false;
        const size_t pixels = static_cast<size_t>(crReadLe32(&bmp[10]));
        if (bmp.size() < pixels + static_cast<size_t>(rowBytes) * h) return false;
        for (int pos = 0; pos < 4; ++pos) weights[pos] = cv::Mat::zeros(h, w, CV_32FC3);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                const unsigned char* code =
                    &bmp[pixels + static_cast<size_t>(h - 1 - r) * rowBytes + 3 * static_cast<size_t>(c)];
                if ((code[0] != 0 && code[0] != 255) || (code[1] != 0 && code[1] != 255)) continue;
                const int along = code[0] ? kCrRear : kCrFront, side = code[1] ? kCrRight : kCrLeft;
                const float share = code[2] / 256.0f;
                if (code[2] == 0) {
                    weights[code[0] == code[1] ? along : side].at<cv::Vec3f>(r, c) = cv::Vec3f::all(1.0f);
                } else {
                    weights[along].at<cv::Vec3f>(r, c) = cv::Vec3f::all(1.0f - share);
                    weights[side].at<cv::Vec3f>(r, c) = cv::Vec3f::all(share);
                }
            }
        return true;
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

// Init, Apply and the OpenCV peer's Apply of engine `type` for both sizes,
// then a summary headed `title`: ms per call (real / cpu) and camrig / OpenCV.
inline int crRunMultiviewBenchmarks(int argc, char** argv, const char* title, int type, CrMultiviewRecord record) {
    static std::unique_ptr<CrMultiviewRig> rigs[2];
    static int engineType;
    static CrMultiviewRecord makeRecord;
    engineType = type, makeRecord = record;
    // The rig of a case is built by the first benchmark that runs it.
    auto rigFor = [](benchmark::State& state) -> CrMultiviewRig* {
        const int size = static_cast<int>(state.range(0));
        if (!rigs[size]) rigs[size] = std::make_unique<CrMultiviewRig>(engineType, makeRecord, kCrBenchSizes[size]);
        if (!rigs[size]->ready) state.SkipWithError("the engine did not initialise");
        return rigs[size]->ready ? rigs[size].get() : nullptr;
    };
    const auto init = [rigFor](benchmark::State& state) {
        CrMultiviewRig* rig = rigFor(state);
        for (auto _ : state) {
            crMultiviewInit(rig->engine, &rig->param);
            benchmark::ClobberMemory();
        }
    };
    const auto apply = [rigFor](benchmark::State& state) {
        CrMultiviewRig* rig = rigFor(state);
        for (auto _ : state) {
            crMultiviewApply(rig->engine, rig->frames[0].data(), rig->frames[1].data(), rig->frames[2].data(),
                             rig->frames[3].data(), rig->out.data());
            benchmark::DoNotOptimize(rig->out.data());
            benchmark::ClobberMemory();
        }
    };
    const auto applyOpenCV = [rigFor](benchmark::State& state) {
        CrMultiviewRig* rig = rigFor(state);
        for (auto _ : state) {
            rig->crApplyOpenCV();
            benchmark::DoNotOptimize(rig->composed.data);
            benchmark::ClobberMemory();
        }
    };
    // Arg: 0 = 4 x 720x480 frames into a 720x480 view, 1 = 4 x 1280x800 into 1280x720.
    benchmark::RegisterBenchmark("crBenchInit", init)->ArgName("size")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("crBenchApply", apply)->ArgName("size")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("crBenchApplyOpenCV", applyOpenCV)
        ->ArgName("size")
        ->Arg(0)
        ->Arg(1)
        ->Unit(benchmark::kMillisecond);
    return crRunBenchmarks(argc, argv, [title](const CrBenchTimes& times) {
        std::printf("\n%s, ms per call (real / cpu), single thread:\n", title);
        for (int size = 0; size < 2; ++size) {
            const char* label = kCrBenchSizes[size].label;
            const std::string arg = "/size:" + std::to_string(size);
            const auto initTime = times.find("crBenchInit" + arg);
            if (initTime != times.end())
                std::printf("  %-26s Init %8.2f / %8.2f\n", label, initTime->second.real, initTime->second.cpu);
            const auto ours = times.find("crBenchApply" + arg);
            const auto peer = times.find("crBenchApplyOpenCV" + arg);
            if (ours == times.end() || peer == times.end()) continue;
            std::printf("  %-26s Apply %7.3f / %7.3f   OpenCV %7.3f / %7.3f   camrig/OpenCV %5.2f / %5.2f\n", label,
                        ours->second.real, ours->second.cpu, peer->second.real, peer->second.cpu,
                        ours->second.real / peer->second.real, ours->second.cpu / peer->second.cpu);
        }
    });
}
