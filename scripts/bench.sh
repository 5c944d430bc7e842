#!/usr/bin/env bash
# Builds and runs every benchmark (camrig against its OpenCV peer).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh x64
for b in build/x64/bench/bench_*; do
  [ -x "$b" ] && "$b" "$@"
done
