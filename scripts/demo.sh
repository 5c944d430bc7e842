#!/usr/bin/env bash
# Builds the library and runs the demo: demo.sh [demo arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh x64 camrig_demo
build/x64/tools/camrig_demo "$@"
