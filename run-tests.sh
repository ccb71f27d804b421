#!/usr/bin/env bash
# Builds and runs the whole test suite: the normal build (warnings are errors),
# the address and undefined-behaviour sanitizer build, short fuzz runs, and the
# format check.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
jobs=$(nproc)

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFLEETFORGE_WERROR=ON >/dev/null
ninja -C build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== sanitizer build and test (address, undefined)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFLEETFORGE_SANITIZE=ON \
  -DFLEETFORGE_BENCH=OFF >/dev/null
ninja -C build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== fuzz (short runs)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DFLEETFORGE_FUZZ=ON \
  -DFLEETFORGE_TESTS=OFF -DFLEETFORGE_BENCH=OFF >/dev/null
ninja -C build-fuzz -j"$jobs" $(cd fuzz && ls *.cpp 2>/dev/null | sed 's/\.cpp$//')
for src in fuzz/*.cpp; do
  name=$(basename "$src" .cpp)
  corpus="fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "-- $name"
  "build-fuzz/fuzz/$name" -max_total_time=30 -print_final_stats=0 "$work" 2>&1 | tail -n 2
  rm -rf "$work"
done

echo "== format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "all checks passed"
