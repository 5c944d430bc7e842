#!/usr/bin/env bash
# Style checks: every C and C++ file formatted as .clang-format says, and
# clang-tidy's bugprone and performance checks (.clang-tidy) clean on the
# library, the toolkit, the tools, the benchmarks, the tests and the Python
# module (the files build/x64 compiles).
#   style.sh          check (uses build/x64's compile commands; builds them if absent)
#   style.sh --fix    reformat the files in place instead
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${sources[@]}"
  exit 0
fi
echo "clang-format: ${#sources[@]} files"
clang-format --dry-run -Werror "${sources[@]}"

[ -f build/x64/compile_commands.json ] || scripts/build.sh x64 >/dev/null
mapfile -t tidied < <(git ls-files 'src/*.cpp' 'toolkit/*.cpp' 'tools/*.cpp' 'bench/*.cpp' 'tests/*.cpp' 'python/*.cpp')
echo "clang-tidy: ${#tidied[@]} files"
run-clang-tidy -quiet -p build/x64 -j "$(nproc)" "${tidied[@]/#/$PWD/}" >build/x64/tidy.log 2>&1 || {
  grep -E 'error:|warning:' build/x64/tidy.log | grep -v 'warnings generated' | sed 's/\x1b\[[0-9;]*m//g' | sort -u
  exit 1
}
