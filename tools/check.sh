#!/bin/sh
# Builds lidglow twice, with warnings as errors and then with AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs the whole test suite on each build.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
    dir=$1
    shift
    cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DLIDGLOW_WERROR=ON "$@"
    cmake --build "$dir" -j "$jobs"
    (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

run_suite "$top/build-check" -DLIDGLOW_REQUIRE_E2E=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite "$top/build-sanitize" -DLIDGLOW_SANITIZE=ON -DLIDGLOW_REQUIRE_E2E=ON
