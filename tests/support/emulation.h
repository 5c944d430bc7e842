// The cross builds run their tests under an emulator, tens of times slower
// than natively: there the slowest tests take a sample of their cases. The
// native builds take every case.
#pragma once

#include <cstddef>

#ifdef CAMRIG_TEST_UNDER_EMULATOR
constexpr bool kUnderEmulator = true;
#else
constexpr bool kUnderEmulator = false;
#endif

// Whether case `index` of a table runs: every case natively, every
// `stride`-th one under an emulator.
constexpr bool crCaseRuns(size_t index, size_t stride) { return !kUnderEmulator || index % stride == 0; }

// Cases of a sampled sweep: `native`, or `emulated` under an emulator.
constexpr size_t crSweepCases(size_t native, size_t emulated) { return kUnderEmulator ? emulated : native; }
