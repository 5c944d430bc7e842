// crCCL against cv::connectedComponents (8-connectivity, 32-bit labels),
// single-threaded, on binary pictures of blobs with holes plus salt noise.
// Prints the ratio camrig / OpenCV per case after the run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <vector>

#include "bench_times.h"
#include "camrig.h"

namespace {

// One picture held both ways: 0-valued components for camrig, non-zero
// components (edge cleared, as camrig reads it) for OpenCV.
struct Scene {
    int width, height;
    cv::Mat picture, dark, cvLabels, labels;
    std::vector<unsigned char*> rows;
    std::vector<int32_t*> labelRows;
    int components = 0;

    Scene(int w, int h) : width(w), height(h), picture(h, w, CV_8U, cv::Scalar(255)), labels(h, w, CV_32S) {
        // Dark discs, each with an off-centre light hole, about one per 5000 pixels.
        std::mt19937 rng(2024);
        std::uniform_int_distribution<int> x(0, w - 1), y(0, h - 1), radius(6, 40);
        for (int i = 0; i < w * h / 5000; ++i) {
            const cv::Point centre(x(rng), y(rng));
            const int r = radius(rng);
            cv::circle(picture, centre, r, cv::Scalar(0), cv::FILLED);
            cv::circle(picture, centre + cv::Point(r / 5, -r / 6), r / 2, cv::Scalar(255), cv::FILLED);
        }
        // Salt noise: 1% of the pixels flipped, making specks and pinholes.
        std::bernoulli_distribution flip(0.01);
        for (auto it = picture.begin<unsigned char>(); it != picture.end<unsigned char>(); ++it)
            if (flip(rng)) *it = static_cast<unsigned char>(255 - *it);
        dark = picture == 0;
        cv::rectangle(dark, cv::Rect(0, 0, w, h), cv::Scalar(0));
        for (int r = 0; r < h; ++r) {
            rows.push_back(picture.ptr<unsigned char>(r));
            labelRows.push_back(labels.ptr<int32_t>(r));
        }
        components = cv::connectedComponents(dark, cvLabels, 8, CV_32S) - 1;
    }
};

Scene& crScene(int which) {
    static Scene large(1280, 720);
    static Scene small(720, 480);
    return which == 0 ? large : small;
}

void crBenchCamrig(benchmark::State& state) {
    Scene& s = crScene(static_cast<int>(state.range(0)));
    int count = 0;
    for (auto _ : state) {
        crCCL(s.width, s.height, s.rows.data(), s.labelRows.data(), nullptr, &count);
        benchmark::DoNotOptimize(count);
        benchmark::ClobberMemory();
    }
    if (count != s.components) state.SkipWithError("component count differs from OpenCV's");
    state.counters["components"] = count;
}

void crBenchOpenCV(benchmark::State& state) {
    Scene& s = crScene(static_cast<int>(state.range(0)));
    int count = 0;
    for (auto _ : state) {
        count = cv::connectedComponents(s.dark, s.cvLabels, 8, CV_32S) - 1;
        benchmark::DoNotOptimize(count);
        benchmark::ClobberMemory();
    }
    state.counters["components"] = count;
}

// Arg: scene (0: 1280x720, 1: 720x480).
void crCases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"scene"})->Unit(benchmark::kMillisecond);
    for (int scene = 0; scene < 2; ++scene) b->Args({scene});
}

BENCHMARK(crBenchCamrig)->Apply(crCases);
BENCHMARK(crBenchOpenCV)->Apply(crCases);

void crPrintRatios(const CrBenchTimes& times) {
    const char* scenes[] = {"1280x720", "720x480"};
    std::printf("\ncamrig / OpenCV, time per picture in ms (single thread; CPU time is steadier on a busy machine):\n");
    std::printf("  %-10s %18s %18s %14s\n", "case", "camrig real/cpu", "OpenCV real/cpu", "ratio real/cpu");
    for (int scene = 0; scene < 2; ++scene) {
        const std::string args = "/scene:" + std::to_string(scene);
        const auto ours = times.find("crBenchCamrig" + args), theirs = times.find("crBenchOpenCV" + args);
        if (ours == times.end() || theirs == times.end()) continue;
        const CrBenchTime& a = ours->second;
        const CrBenchTime& b = theirs->second;
        std::printf("  %-10s %8.3f /%8.3f %8.3f /%8.3f %6.2f /%6.2f\n", scenes[scene], a.real, a.cpu, b.real, b.cpu,
                    a.real / b.real, a.cpu / b.cpu);
    }
}

}  // namespace

int main(int argc, char** argv) { return crRunBenchmarks(argc, argv, crPrintRatios); }
