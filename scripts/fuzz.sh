#!/usr/bin/env bash
# Builds the libFuzzer targets (clang) and runs each for a bounded time: fuzz.sh [seconds], default 30.
# Each target starts from a scratch copy of fuzz/corpus/<target> so the committed seeds stay as they
# are. Any crash, sanitizer report, leak, timeout or oversized allocation fails the run; the inputs
# that caused them are kept in <build>/findings/<target>/.
# CAMRIG_FUZZ_BUILD overrides the build directory (default build/fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=${CAMRIG_FUZZ_BUILD:-build/fuzz}
targets=(fuzz_camera fuzz_view_mode fuzz_topview fuzz_bowlview fuzz_device_writers fuzz_rig_reader)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" -DCAMRIG_BUILD_FUZZ=ON \
  -DCAMRIG_BUILD_TESTS=OFF -DCAMRIG_BUILD_TOOLS=OFF -DCAMRIG_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]}"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Fuzzes one target; its report line(s) go to <scratch>/<target>/report, and a
# finding also leaves <scratch>/<target>/failed.
fuzz_target() {
  local target=$1
  local corpus=$scratch/$target/corpus findings=$build/findings/$target
  local log=$scratch/$target/log report=$scratch/$target/report
  mkdir -p "$corpus" "$findings"
  cp fuzz/corpus/"$target"/* "$corpus"/
  # A single input may run past max_total_time; the timeout bounds it.
  if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 -malloc_limit_mb=1024 \
       -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1; then
    echo "$target: no finding ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs," \
      "$(grep -m1 -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$') exec/s)" >"$report"
  else
    touch "$scratch/$target/failed"
    {
      echo "$target: FINDING, inputs in $findings/"
      grep -E '^SUMMARY|runtime error|^==[0-9]+==ERROR|out-of-memory|timeout after|^ +#[0-3] ' "$log" | head -8 || tail -20 "$log"
    } >"$report"
  fi
}

# Each target is one process: they run side by side, one per core, and
# report in order once all are done.
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  fuzz_target "$target" &
done
wait
status=0
for target in "${targets[@]}"; do
  cat "$scratch/$target/report" 2>/dev/null || echo "$target: did not run"
  if [ -e "$scratch/$target/failed" ] || [ ! -e "$scratch/$target/report" ]; then status=1; fi
done
exit $status
