// Top view on several threads: four engines, each with its own output, and
// 1, 2 or 4 threads that the benchmark creates (the library creates none);
// thread t applies engines t, t + n, ... in turn. Prints the views composed
// per second for each thread count, camrig next to four OpenCV pipelines run
// the same way. The cores of the machine bound the scaling.
#include <array>

#include "multiview_bench.h"

namespace {

constexpr int kEngines = 4;
constexpr int kThreadCounts[] = {1, 2, 4};

// One rig (the 1280 x 720 case) lends its frames and the peer's tables to
// four engines and four sets of peer buffers.
struct CrFleet {
    CrMultiviewRig rig{0, crBenchTopviewRecord, kCrBenchSizes[1]};
    std::array<EngineHandle*, kEngines> engines{};
    std::array<std::vector<unsigned char>, kEngines> outs;
    std::array<CrPeerBuffers, kEngines> peers;
    bool ready = rig.ready;

    CrFleet() {
        for (int e = 0; e < kEngines; ++e) {
            engines[e] = crMultiviewCreate(0);
            ready = crMultiviewInit(engines[e], &rig.param) == 0 && ready;
            outs[e].resize(rig.out.size());
        }
    }
    ~CrFleet() {
        for (EngineHandle*& engine : engines) crMultiviewRelease(&engine);
    }
    CrFleet(const CrFleet&) = delete;
    CrFleet& operator=(const CrFleet&) = delete;
};

CrFleet* gFleet = nullptr;

// One iteration applies every engine once, spread over the threads.
void crBenchCamrigThreads(benchmark::State& state) {
    CrFleet& f = *gFleet;
    const auto& frames = f.rig.frames;
    for (auto _ : state) {
        for (int e = state.thread_index(); e < kEngines; e += state.threads()) {
            crMultiviewApply(f.engines[e], frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data(),
                             f.outs[e].data());
            benchmark::DoNotOptimize(f.outs[e].data());
        }
        benchmark::ClobberMemory();
    }
}

void crBenchOpenCVThreads(benchmark::State& state) {
    CrFleet& f = *gFleet;
    for (auto _ : state) {
        for (int e = state.thread_index(); e < kEngines; e += state.threads()) {
            f.rig.crApplyOpenCV(f.peers[e]);
            benchmark::DoNotOptimize(f.peers[e].composed.data);
        }
        benchmark::ClobberMemory();
    }
}

void crThreadCounts(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime();
    for (int n : kThreadCounts) b->Threads(n);
}

BENCHMARK(crBenchCamrigThreads)->Apply(crThreadCounts);
BENCHMARK(crBenchOpenCVThreads)->Apply(crThreadCounts);

// Views per second with n threads. The time reported per iteration is the
// wall-clock time over the iterations of all threads, and each thread's
// iteration applies kEngines / n engines.
double crViewsPerSecond(const CrBenchTimes& times, const std::string& name, int n) {
    const auto t = times.find(name);
    return t == times.end() ? 0.0 : static_cast<double>(kEngines) / n * 1000.0 / t->second.real;
}

void crPrintScaling(const CrBenchTimes& times) {
    std::printf("\nTop view %s, %d engines: views per second (and against one thread)\n", kCrBenchSizes[1].label,
                kEngines);
    std::printf("  %-8s %18s %18s %14s\n", "threads", "camrig", "OpenCV", "camrig/OpenCV");
    const double camrig1 = crViewsPerSecond(times, "crBenchCamrigThreads/real_time/threads:1", 1);
    const double opencv1 = crViewsPerSecond(times, "crBenchOpenCVThreads/real_time/threads:1", 1);
    for (int n : kThreadCounts) {
        const std::string suffix = "/real_time/threads:" + std::to_string(n);
        const double camrig = crViewsPerSecond(times, "crBenchCamrigThreads" + suffix, n);
        const double opencv = crViewsPerSecond(times, "crBenchOpenCVThreads" + suffix, n);
        std::printf("  %-8d %9.1f (%4.2fx) %9.1f (%4.2fx) %14.2f\n", n, camrig, camrig1 > 0 ? camrig / camrig1 : 0.0,
                    opencv, opencv1 > 0 ? opencv / opencv1 : 0.0, opencv > 0 ? camrig / opencv : 0.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    CrFleet fleet;  // built before any thread starts
    if (!fleet.ready) {
        std::fprintf(stderr, "the engines did not initialise\n");
        return 1;
    }
    gFleet = &fleet;
    return crRunBenchmarks(argc, argv, crPrintScaling);
}
