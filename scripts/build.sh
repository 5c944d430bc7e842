#!/usr/bin/env bash
# Configures and builds one configuration: build.sh x64|i386|arm64|clang|asan [targets...]
#   x64, i386  gcc, the 64-bit and the 32-bit library
#   arm64      gcc, the 64-bit ARM library
#   clang      clang, 64-bit
#   asan       clang, 64-bit, AddressSanitizer + UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
config=$1; shift
case "$config" in
  x64)  extra=() ;;
  i386) extra=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/i386-toolchain.cmake" -DCAMRIG_BUILD_BENCH=OFF) ;;
  arm64) extra=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-toolchain.cmake" -DCAMRIG_BUILD_BENCH=OFF) ;;
  clang) extra=(-DCAMRIG_BUILD_BENCH=OFF); export CC=clang CXX=clang++ ;;
  asan) extra=(-DCAMRIG_BUILD_BENCH=OFF -DCAMRIG_SANITIZE=address); export CC=clang CXX=clang++ ;;
  *) echo "usage: build.sh x64|i386|arm64|clang|asan [targets...]" >&2; exit 2 ;;
esac
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "build/$config" -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCAMRIG_WERROR=ON "${launcher[@]}" "${extra[@]}" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "build/$config" -j "$(nproc)" --target "$@"
else
  cmake --build "build/$config" -j "$(nproc)"
fi
