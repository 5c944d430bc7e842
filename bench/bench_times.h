// Shared by the benchmark programs: collect each benchmark's time per
// iteration so that a summary can set camrig against its OpenCV peer.
#pragma once

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include <cstring>
#include <map>
#include <string>
#include <vector>

// Time per iteration in the benchmark's unit: wall clock and CPU.
struct CrBenchTime {
    double real;
    double cpu;
};

using CrBenchTimes = std::map<std::string, CrBenchTime>;

class CrTimesReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)  // a run that stopped with an error has no time
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times_[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    const CrBenchTimes& times() const { return times_; }

private:
    CrBenchTimes times_;
};

// Copy bandwidth, the yardstick of each program's physical limit: a 64 MiB
// block copied, counting the bytes read and written. Register as "crBenchCopy".
constexpr double kCrCopyBlock = 64 << 20;
inline void crBenchCopy(benchmark::State& state) {
    std::vector<unsigned char> from(static_cast<size_t>(kCrCopyBlock), 1), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

// Bytes per ms at the copy bandwidth the run measured, or 0 without it.
inline double crCopyBytesPerMs(const CrBenchTimes& times) {
    const auto copy = times.find("crBenchCopy");
    return copy == times.end() ? 0.0 : 2.0 * kCrCopyBlock / copy->second.real;
}

// Runs the registered benchmarks with OpenCV on one thread, then prints
// summarise(times).
template <typename Summary> int crRunBenchmarks(int argc, char** argv, Summary summarise) {
    cv::setNumThreads(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CrTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    summarise(reporter.times());
    benchmark::Shutdown();
    return 0;
}
