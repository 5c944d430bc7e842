// Top view on several threads: four engines, each with its own output, and
// 1, 2 or 4 threads that the program creates (the library creates none);
// thread t applies engines t, t + n, ... in turn. Prints the views composed
// per second for each thread count, camrig next to four OpenCV pipelines run
// the same way. The cores of the machine bound the scaling. Timed by hand:
// each count is one wall-clock measurement of whole rounds.
#include <array>
#include <chrono>
#include <thread>

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

// Wall-clock seconds for `rounds` rounds in which n threads apply every
// engine once between them (thread t takes engines t, t + n, ...), after one
// untimed round that lets each engine and each OpenCV buffer settle.
template <typename Apply> double crTimeRounds(int n, int rounds, Apply apply) {
    auto work = [&](int t, int count) {
        for (int r = 0; r < count; ++r)
            for (int e = t; e < kEngines; e += n) apply(e);
    };
    for (int e = 0; e < kEngines; ++e) apply(e);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(n));
    for (int t = 0; t < n; ++t) threads.emplace_back(work, t, rounds);
    for (std::thread& thread : threads) thread.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    cv::setNumThreads(1);  // each pipeline on its caller's thread, as the engines
    CrFleet f;             // built before any thread starts
    if (!f.ready) {
        std::fprintf(stderr, "the engines did not initialise\n");
        return 1;
    }
    const auto& frames = f.rig.frames;
    auto camrig = [&](int e) {
        crMultiviewApply(f.engines[e], frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data(),
                         f.outs[e].data());
    };
    auto opencv = [&](int e) { f.rig.crApplyOpenCV(f.peers[e]); };
    const int rounds = 20;
    std::printf("Top view %s, %d engines: views per second over %d rounds (and against one thread)\n",
                kCrBenchSizes[1].label, kEngines, rounds);
    std::printf("  %-8s %18s %18s %14s\n", "threads", "camrig", "OpenCV", "camrig/OpenCV");
    double camrig1 = 0.0, opencv1 = 0.0;
    for (int n : kThreadCounts) {
        const double views = static_cast<double>(kEngines) * rounds;
        const double ours = views / crTimeRounds(n, rounds, camrig);
        const double theirs = views / crTimeRounds(n, rounds, opencv);
        if (n == 1) camrig1 = ours, opencv1 = theirs;
        std::printf("  %-8d %9.1f (%4.2fx) %9.1f (%4.2fx) %14.2f\n", n, ours, ours / camrig1, theirs, theirs / opencv1,
                    ours / theirs);
    }
    return 0;
}
