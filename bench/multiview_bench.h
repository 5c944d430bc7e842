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
#include <cstring>
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

// The top view of the rig, sampled bilinearly.
inline MultiviewParam crBenchTopviewRecord(CameraParam* cams, int viewWidth, int viewHeight) {
    crSceneRig(cams);
    MultiviewParam param = crSceneTopview(cams, viewWidth, viewHeight);
    param.flags = CR_MULTI_BILINEAR;
    return param;
}

// The cases of the multi-view benchmarks: every engine runs the first two,
// the top view also the tall 1200 x 1600 view, from the same 1280 x 800
// cameras as the second.
struct CrBenchSize {
    int frameWidth, frameHeight, viewWidth, viewHeight;
    const char* label;

    // Bytes an Apply must move at the least: the four frames read and the
    // view written.
    double bytesMoved() const {
        return 4.0 * crImageStride(3, frameWidth) * frameHeight + 1.0 * crImageStride(3, viewWidth) * viewHeight;
    }
};
constexpr int kCrBenchSizeCount = 3;
const CrBenchSize kCrBenchSizes[kCrBenchSizeCount] = {{720, 480, 720, 480, "4 x 720x480 -> 720x480"},
                                                      {1280, 800, 1280, 720, "4 x 1280x800 -> 1280x720"},
                                                      {1280, 800, 1200, 1600, "4 x 1280x800 -> 1200x1600"}};

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

// The OpenCV peer's buffers for one view; one per thread that runs the peer.
struct CrPeerBuffers {
    cv::Mat warped[4], warpedFloat, sum, composed;
};

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
    cv::Mat frameMats[4], mapX[4], mapY[4], weights[4];
    CrPeerBuffers peer;

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

    // The peer's view into b.composed; the rig's tables and frames are only read.
    void crApplyOpenCV(CrPeerBuffers& b) const {
        b.sum = cv::Mat::zeros(weights[0].size(), CV_32FC3);
        for (int pos = 0; pos < 4; ++pos) {
            cv::remap(frameMats[pos], b.warped[pos], mapX[pos], mapY[pos], cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                      cv::Scalar(0, 0, 255));
            b.warped[pos].convertTo(b.warpedFloat, CV_32FC3);
            cv::accumulateProduct(b.warpedFloat, weights[pos], b.sum);
        }
        b.sum.convertTo(b.composed, CV_8UC3);
    }
    void crApplyOpenCV() { crApplyOpenCV(peer); }
};

// Init, Apply and the OpenCV peer's Apply of engine `type` for the first
// `sizes` cases, then a summary headed `title`: ms per call (real / cpu),
// camrig / OpenCV, and the physical limit of Apply, the bytes it must move
// at the copy bandwidth measured in the same run.
inline int crRunMultiviewBenchmarks(int argc, char** argv, const char* title, int type, CrMultiviewRecord record,
                                    int sizes) {
    static std::unique_ptr<CrMultiviewRig> rigs[kCrBenchSizeCount];
    static int engineType, caseCount;
    static CrMultiviewRecord makeRecord;
    engineType = type, makeRecord = record, caseCount = sizes;
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
            benchmark::DoNotOptimize(rig->peer.composed.data);
            benchmark::ClobberMemory();
        }
    };
    // Arg: the case's index in kCrBenchSizes.
    const auto cases = [](benchmark::internal::Benchmark* b) {
        b->ArgName("size")->Unit(benchmark::kMillisecond);
        for (int size = 0; size < caseCount; ++size) b->Arg(size);
    };
    benchmark::RegisterBenchmark("crBenchCopy", crBenchCopy)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("crBenchInit", init)->Apply(cases);
    benchmark::RegisterBenchmark("crBenchApply", apply)->Apply(cases);
    benchmark::RegisterBenchmark("crBenchApplyOpenCV", applyOpenCV)->Apply(cases);
    return crRunBenchmarks(argc, argv, [title, sizes](const CrBenchTimes& times) {
        const double bytesPerMs = crCopyBytesPerMs(times);
        std::printf(
            "\n%s, ms per call (real / cpu), single thread; limit: the four frames read and the view\n"
            "written at the measured copy bandwidth (%.1f GB/s):\n",
            title, bytesPerMs / 1e6);
        for (int size = 0; size < sizes; ++size) {
            const CrBenchSize& bench = kCrBenchSizes[size];
            const std::string arg = "/size:" + std::to_string(size);
            const auto initTime = times.find("crBenchInit" + arg);
            if (initTime != times.end())
                std::printf("  %-27s Init %8.2f / %8.2f\n", bench.label, initTime->second.real, initTime->second.cpu);
            const auto ours = times.find("crBenchApply" + arg);
            const auto peer = times.find("crBenchApplyOpenCV" + arg);
            if (ours == times.end() || peer == times.end()) continue;
            const double limit = bytesPerMs > 0 ? bench.bytesMoved() / bytesPerMs : 0.0;
            std::printf(
                "  %-27s Apply %7.3f / %7.3f   limit %6.3f   OpenCV %7.3f / %7.3f   camrig/OpenCV %5.2f / %5.2f\n",
                bench.label, ours->second.real, ours->second.cpu, limit, peer->second.real, peer->second.cpu,
                ours->second.real / peer->second.real, ours->second.cpu / peer->second.cpu);
        }
    });
}
