#!/usr/bin/env bash
# Builds the 64-bit and the 32-bit configuration and runs every test of both.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
status=0
for config in x64 i386; do
  echo "== $config: build"
  scripts/build.sh "$config"
  echo "== $config: test"
  (cd "build/$config" && ctest -j "$(nproc)" --output-on-failure --timeout 600) || status=1
done
exit $status
