#!/usr/bin/env bash
# Builds Scrivane twice (plain, and with AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# every test in both builds. Widget tests run on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_build() {
    local dir=$1; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
}

echo "== normal build =="
run_build build/test
echo "== fuzz target (clang libFuzzer): builds, and a short run against the reference =="
CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCRIVANE_FUZZ=ON \
    -DSCRIVANE_GUI=OFF -DSCRIVANE_TESTS=OFF >/dev/null
cmake --build build/fuzz -j "$jobs" --target compare_fuzz
build/fuzz/fuzz/compare_fuzz -runs=20000 -seed=1 2>&1 | tail -n 2

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
run_build build/asan -DSCRIVANE_SANITIZE=ON
