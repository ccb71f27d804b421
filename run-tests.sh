#!/usr/bin/env bash
# Builds and runs the whole test suite, each configuration in its own folder
# under build/ (CMakePresets.json), warnings as errors: the development build
# (tests, benchmarks built), the address and undefined-behaviour sanitizer
# build, short fuzz runs, the format check, and the Windows build (mingw-w64)
# with its tests under Wine, compared with the development build. Any stage
# that fails, or that finds no tests, stops the run.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh tests
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
jobs=$(nproc)

echo "== build and test (build/dev)"
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$jobs"
ctest --preset dev -j"$jobs"

echo "== sanitizer build and test, address and undefined behaviour (build/sanitize)"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs"

echo "== fuzz, short runs (build/fuzz)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs" --target $(cd fuzz && ls *.cpp | sed 's/\.cpp$//')
for src in fuzz/*.cpp; do
  name=$(basename "$src" .cpp)
  corpus="fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "-- $name"
  "build/fuzz/fuzz/$name" -max_total_time=30 -print_final_stats=0 "$work" 2>&1 | tail -n 2
  rm -rf "$work"
done

echo "== format (clang-format)"
find buttonbar bench cli compdate fuzz global host icon ide layout options package tests \
  -name '*.cpp' -o -name '*.h' | sort | xargs clang-format --dry-run --Werror

echo "== Windows build and test under Wine (build/windows)"
cmake --preset windows -DFLEETFORGE_POSIX_CLI="$PWD/build/dev/fleetforge" >/dev/null
cmake --build --preset windows -j"$jobs"
ctest --preset windows -j"$jobs"
echo "all checks passed"
