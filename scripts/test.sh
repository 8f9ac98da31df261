#!/usr/bin/env bash
# Builds Scrivane twice (plain, and with AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# every test in both builds, after checking that the sources are clang-format clean; a third
# build with ThreadSanitizer runs the recovery tests (the one part with a thread of its own).
# Widget tests run on Qt's offscreen platform. The plain build is also installed into a staging tree
# and packaged as a .deb, and both are checked (scripts/check-package.sh); before that, the plain
# build's program is driven by keys and mouse on a private X server (scripts/x11-smoke.py).
#   scripts/test.sh           the whole run, as CI does it
#   scripts/test.sh --quick   the plain build and its tests only, for daily work
set -euo pipefail
quick=false
if [ "${1:-}" = "--quick" ]; then quick=true; fi
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# Line tables (-g1) are all a failure's backtrace needs: full debug information took a third of
# the compile time, the largest part of this run.
run_build() {
    local dir=$1; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
}

echo "== normal build =="
run_build build/test
if $quick; then exit 0; fi

echo "== X11 smoke: the built editor driven by keys and mouse on a private X server =="
scripts/x11-smoke.py build/test/src/app/scrivane

echo "== install tree and Debian package =="
scripts/check-package.sh build/test

echo "== clang-format =="
# Every C++ source git knows, so that a change that was not formatted fails here.
unformatted=$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep -c "warning:" || true)
if [ "$unformatted" -ne 0 ]; then
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep "warning:" | cut -d: -f1 | sort -u
    echo "clang-format: $unformatted places to reformat (clang-format -i on the files above)"
    exit 1
fi
echo "== fuzz target (clang libFuzzer): builds, and a short run against the reference =="
CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCRIVANE_FUZZ=ON \
    -DSCRIVANE_GUI=OFF -DSCRIVANE_TESTS=OFF >/dev/null
cmake --build build/fuzz -j "$jobs" --target compare_fuzz recovery_fuzz
build/fuzz/fuzz/compare_fuzz -runs=20000 -seed=1 2>&1 | tail -n 2
build/fuzz/fuzz/recovery_fuzz -runs=100000 -seed=1 2>&1 | tail -n 2

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
run_build build/asan -DSCRIVANE_SANITIZE=ON

echo "== ThreadSanitizer build: the recovery tests (the writer's thread beside the window's) =="
# gcc 12's ThreadSanitizer cannot lay out its shadow memory in an address space randomised with
# more than 28 bits (vm.mmap_rnd_bits; newer kernels use 32) and stops at start-up with
# "unexpected memory mapping". Without randomisation it can; containers may forbid
# turning it off, and then the tests run as they are.
no_aslr=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    no_aslr=(setarch "$(uname -m)" -R)
elif [ "$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 0)" -gt 28 ]; then
    echo "note: address randomisation cannot be turned off here and vm.mmap_rnd_bits is above 28;"
    echo "      if ThreadSanitizer cannot start, run: sudo sysctl vm.mmap_rnd_bits=28"
fi
# Only recovery_tests is built; its tests are listed when run, not by the build. They run three
# times over: whether the window's thread is in the event loop when a result comes back varies.
# A Release build: without debug information it builds a good minute sooner, and its reports
# still name every function.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Release -DSCRIVANE_TSAN=ON \
    -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >/dev/null
cmake --build build/tsan -j "$jobs" --target recovery_tests
TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1" \
    timeout 600 "${no_aslr[@]}" build/tsan/tests/recovery_tests --gtest_brief=1 --gtest_repeat=3
