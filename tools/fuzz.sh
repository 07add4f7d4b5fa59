#!/bin/sh
# Usage: tools/fuzz.sh [SECONDS]
#
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz/ and runs
# every one of them for SECONDS (default 60), seeded from
# fuzz/corpus/<target>/. What the fuzzer adds to a corpus stays in
# build-fuzz/corpus/, so later runs go on from there; the input of a crash
# is written to build-fuzz/crashes/. Ends with "N passed, M failed" and
# exits non-zero when any target fails.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$top/build-fuzz
jobs=$(nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DLIDGLOW_FUZZ=ON -DLIDGLOW_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_targets -j "$jobs"
mkdir -p "$build/crashes"

passed=0
failed=0
for target in "$build"/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name=$(basename "$target" _fuzz)
    work=$build/corpus/$name
    log=$build/$name.log
    mkdir -p "$work"
    # The targets' own messages (getopt's, the frame conversion's) are
    # closed off; libFuzzer and the sanitizers still report.
    if "$target" -max_total_time="$seconds" -print_final_stats=1 -close_fd_mask=3 \
        -artifact_prefix="$build/crashes/$name-" "$work" "$top/fuzz/corpus/$name" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "$name: passed, $runs runs in $seconds s"
        passed=$((passed + 1))
    else
        echo "$name: FAILED (log: $log)"
        grep -E 'ERROR|SUMMARY|Test unit written|runtime error' "$log" | head -n 5 | sed 's/^/    /'
        failed=$((failed + 1))
    fi
done

if [ $((passed + failed)) -eq 0 ]; then
    echo "no fuzz target was built"
    failed=1
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
