#!/bin/sh
# Builds lidglow twice, with warnings as errors and then with AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs the whole test suite on each build.
# On Linux the end-to-end tiers (the virtual display, the shell completions)
# are required; elsewhere (FreeBSD has no umockdev) a tier whose tools are
# missing reports itself skipped.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)

e2e=
sanitizer_options=
case $(uname -s) in
    Linux)
        e2e=-DLIDGLOW_REQUIRE_E2E=ON
        # LeakSanitizer runs with AddressSanitizer on Linux only.
        sanitizer_options=detect_leaks=1
        ;;
esac

run_suite() {
    dir=$1
    shift
    cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DLIDGLOW_TESTS=ON -DLIDGLOW_WERROR=ON $e2e "$@"
    cmake --build "$dir" -j "$jobs"
    (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

run_suite "$top/build-check"
ASAN_OPTIONS=$sanitizer_options UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite "$top/build-sanitize" -DLIDGLOW_SANITIZE=ON
