// crRemap against cv::remap on fisheye-undistortion LUTs: nearest, bilinear
// and bicubic, single-threaded, one frame per iteration. Prints the ratio
// camrig / OpenCV per case after the run, next to the physical limit: the
// bytes a call must move (LUT and source read, view written) at the copy
// bandwidth measured in the same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "bench_times.h"
#include "camrig.h"

namespace {

struct Scene;
void crPaintSource(Scene& s);
double crBuildFisheyeLut(Scene& s, double viewFocal);

// A camrig picture record over a 3-channel OpenCV matrix, whose rows (3 x
// width bytes, a multiple of 4 at every size here) lie end to end as
// crImageWrap expects.
struct MatImage {
    std::vector<unsigned char*> rows;
    Image img;

    explicit MatImage(cv::Mat& m) : rows(m.rows) { crImageWrap(&img, 3, m.cols, m.rows, m.data, rows.data()); }
};

// One source and one LUT, held both as camrig records and as OpenCV maps.
struct Scene {
    cv::Mat srcMat, mapX, mapY, dstMat, camrigDst, lutPairs;
    MatImage src{srcMat}, dst{camrigDst};  // after the matrices they wrap
    std::vector<float*> lut;
    double withoutSource = 0.0;  // share of view pixels that the lens does not see
    bool pairMap;                // OpenCV gets the LUT as one two-channel map

    // viewFocal: the view's focal length at a 1280-pixel-wide source.
    Scene(int srcW, int srcH, int dstW, int dstH, double viewFocal, bool oneMap)
        : srcMat(srcH, srcW, CV_8UC3),
          mapX(dstH, dstW, CV_32FC1),
          mapY(dstH, dstW, CV_32FC1),
          camrigDst(dstH, dstW, CV_8UC3),
          lutPairs(dstH, dstW, CV_32FC2),
          lut(dstH),
          pairMap(oneMap) {
        for (int r = 0; r < dstH; ++r) lut[r] = lutPairs.ptr<float>(r);
        crPaintSource(*this);
        withoutSource = crBuildFisheyeLut(*this, viewFocal);
    }
    // Bytes one call reads and writes at the least.
    double bytesMoved() const {
        return static_cast<double>(lutPairs.total()) * (8 + 3) + static_cast<double>(srcMat.total()) * 3;
    }
};

// A textured picture: smooth shading plus fine detail.
void crPaintSource(Scene& s) {
    for (int r = 0; r < s.srcMat.rows; ++r)
        for (int c = 0; c < s.srcMat.cols; ++c)
            for (int k = 0; k < 3; ++k) {
                const int v = (c * (3 + k) + r * 5 + ((c * 7) ^ (r * 11)) % 64) & 0xFF;
                s.srcMat.at<cv::Vec3b>(r, c)[k] = static_cast<unsigned char>(v);
            }
}

// An equidistant fisheye (image height = f x angle from the axis) seen
// through a pinhole view. Rays that land above, below or beside the sensor
// have no source: about a third of a wide view (focal length 200), none of a
// narrower one (420). Returns that share.
double crBuildFisheyeLut(Scene& s, double viewFocal) {
    const int srcW = s.srcMat.cols, srcH = s.srcMat.rows, dstW = s.mapX.cols, dstH = s.mapX.rows;
    const double scale = srcW / 1280.0;
    const double fisheyeF = 540.0 * scale, viewF = viewFocal * scale;
    long missing = 0;
    for (int r = 0; r < dstH; ++r)
        for (int c = 0; c < dstW; ++c) {
            const double u = (c - dstW / 2.0) / viewF, v = (r - dstH / 2.0) / viewF;
            const double angle = std::atan(std::sqrt(u * u + v * v));
            const double azimuth = std::atan2(v, u);
            double x = srcW / 2.0 + fisheyeF * angle * std::cos(azimuth);
            double y = srcH / 2.0 + fisheyeF * angle * std::sin(azimuth);
            if (x < 0 || y < 0 || x > srcW - 1 || y > srcH - 1) {
                x = y = -1.0;
                ++missing;
            }
            const cv::Vec2f source(static_cast<float>(x), static_cast<float>(y));
            s.lutPairs.at<cv::Vec2f>(r, c) = source;
            s.mapX.at<float>(r, c) = source[0], s.mapY.at<float>(r, c) = source[1];
        }
    return static_cast<double>(missing) / (static_cast<double>(dstW) * dstH);
}

constexpr int kScenes = 3;
const char* const kSceneNames[kScenes] = {"1280x800 -> 1280x720 covered, one map", "1280x800 -> 1280x720 34% uncovered",
                                          "720x480 -> 720x480 34% uncovered"};

Scene& crScene(int which) {
    static Scene covered(1280, 800, 1280, 720, 420.0, true);
    static Scene wide(1280, 800, 1280, 720, 200.0, false);
    static Scene small(720, 480, 720, 480, 200.0, false);
    return which == 0 ? covered : which == 1 ? wide : small;
}

const int kCvInterpolation[] = {cv::INTER_NEAREST, cv::INTER_LINEAR, cv::INTER_CUBIC};

void crBenchCamrig(benchmark::State& state) {
    Scene& s = crScene(static_cast<int>(state.range(0)));
    const int flags = static_cast<int>(state.range(1));
    const unsigned char fill[3] = {0, 0, 0};
    for (auto _ : state) {
        crRemap(&s.src.img, &s.dst.img, s.lut.data(), flags, fill);
        benchmark::DoNotOptimize(s.camrigDst.data);
        benchmark::ClobberMemory();
    }
    state.counters["no_source_%"] = 100.0 * s.withoutSource;
}

void crBenchOpenCV(benchmark::State& state) {
    Scene& s = crScene(static_cast<int>(state.range(0)));
    const int interpolation = kCvInterpolation[state.range(1)];
    for (auto _ : state) {
        if (s.pairMap)
            cv::remap(s.srcMat, s.dstMat, s.lutPairs, cv::noArray(), interpolation, cv::BORDER_CONSTANT,
                      cv::Scalar::all(0));
        else
            cv::remap(s.srcMat, s.dstMat, s.mapX, s.mapY, interpolation, cv::BORDER_CONSTANT, cv::Scalar::all(0));
        benchmark::DoNotOptimize(s.dstMat.data);
        benchmark::ClobberMemory();
    }
    state.counters["no_source_%"] = 100.0 * s.withoutSource;
}

BENCHMARK(crBenchCopy)->Unit(benchmark::kMillisecond);

// Args: scene (kSceneNames), sampler (0 nearest, 1 bilinear, 2 bicubic).
void crCases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"scene", "sampler"})->Unit(benchmark::kMillisecond);
    for (int scene = 0; scene < kScenes; ++scene)
        for (int sampler = 0; sampler < 3; ++sampler) b->Args({scene, sampler});
}

BENCHMARK(crBenchCamrig)->Apply(crCases);
BENCHMARK(crBenchOpenCV)->Apply(crCases);

void crPrintRatios(const CrBenchTimes& times) {
    const double bytesPerMs = crCopyBytesPerMs(times);
    const char* samplers[] = {"nearest", "bilinear", "bicubic"};
    std::printf("\ncamrig / OpenCV, time per frame in ms (single thread; CPU time is steadier on a busy machine).\n");
    std::printf("Limit: the bytes the call moves at the measured copy bandwidth (%.1f GB/s).\n", bytesPerMs / 1e6);
    std::printf("  %-38s %-9s %18s %18s %14s %7s\n", "case", "sampler", "camrig real/cpu", "OpenCV real/cpu",
                "ratio real/cpu", "limit");
    for (int scene = 0; scene < kScenes; ++scene)
        for (int sampler = 0; sampler < 3; ++sampler) {
            const std::string args = "/scene:" + std::to_string(scene) + "/sampler:" + std::to_string(sampler);
            const auto ours = times.find("crBenchCamrig" + args), theirs = times.find("crBenchOpenCV" + args);
            if (ours == times.end() || theirs == times.end()) continue;
            const CrBenchTime& a = ours->second;
            const CrBenchTime& b = theirs->second;
            const double limit = bytesPerMs > 0 ? crScene(scene).bytesMoved() / bytesPerMs : 0.0;
            std::printf("  %-38s %-9s %8.3f /%8.3f %8.3f /%8.3f %6.2f /%6.2f %7.3f\n", kSceneNames[scene],
                        samplers[sampler], a.real, a.cpu, b.real, b.cpu, a.real / b.real, a.cpu / b.cpu, limit);
        }
}

}  // namespace

int main(int argc, char** argv) { return crRunBenchmarks(argc, argv, crPrintRatios); }
