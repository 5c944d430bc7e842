#!/usr/bin/env bash
# Builds every configuration and runs every test of each:
#   x64    gcc, 64-bit
#   i386   gcc, 32-bit, under qemu-i386
#   arm64  gcc, 64-bit ARM, under qemu-aarch64
#   asan   clang, 64-bit, AddressSanitizer + UndefinedBehaviorSanitizer
#          (the ThreadSanitizer tests run in the x64 configuration)
#   style  clang-format and clang-tidy (scripts/style.sh), after x64
#   fuzz   each fuzz target for a bounded time (FUZZ_SECONDS, default 20: a smoke run;
#          longer runs are scripts/fuzz.sh by hand)
# test.sh [config...] runs only the named configurations.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
configs=("$@")
[ ${#configs[@]} -gt 0 ] || configs=(x64 style i386 arm64 asan fuzz)
status=0
for config in "${configs[@]}"; do
  start=$SECONDS
  if [ "$config" = fuzz ]; then
    echo "== fuzz"
    scripts/fuzz.sh "${FUZZ_SECONDS:-20}" || status=1
  elif [ "$config" = style ]; then
    echo "== style"
    scripts/style.sh || status=1
  else
    echo "== $config: build"
    scripts/build.sh "$config"
    echo "== $config: test"
    (cd "build/$config" && ctest -j "$(nproc)" --output-on-failure --timeout 600) || status=1
  fi
  echo "== $config: $((SECONDS - start)) s"
done
exit $status
