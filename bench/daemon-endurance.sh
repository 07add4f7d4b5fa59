#!/bin/sh
# Runs the daemon on the virtual display at -P 0 with a line that changes at
# every poll, and prints polls per second, resident memory and open
# descriptors at the start and at the end. Both must stay flat.
#
# usage: bench/daemon-endurance.sh [polls] [build directory]
set -eu
polls=${1:-10000}
top=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$top/build}
if [ ! -x "$build/lidglow" ] || [ ! -x "$build/tests/vdisplay/vdisplay" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
fi
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo 0 > "$work/n"

# The inner script expands its variables itself.
# shellcheck disable=SC2016
BENCH_DIR=$work BENCH_POLLS=$polls BENCH_FONT=$font LIDGLOW="$build/lidglow" \
"$build/tests/vdisplay/vdisplay" -- sh -c '
    set -eu
    T=$BENCH_DIR
    export T
    # Each poll bumps the counter and prints it, so every line is new.
    "$LIDGLOW" -c "n=\$(cat $T/n); echo \$((n+1)) > $T/n.new; mv $T/n.new $T/n; echo poll \$n" \
        -t "$BENCH_FONT" -D -P 0 -p "$T/pid"
    while [ ! -s "$T/pid" ]; do sleep 0.05; done
    pid=$(cat "$T/pid")
    sample() {
        rss=$(sed -n "s/^VmRSS:[[:space:]]*//p" /proc/$pid/status)
        fds=$(ls /proc/$pid/fd | wc -l)
        echo "$1: poll $(cat $T/n), resident $rss, descriptors $fds"
    }
    while [ "$(cat $T/n)" -lt 100 ]; do sleep 0.1; done
    sample start
    start_polls=$(cat "$T/n"); start_time=$(date +%s.%N)
    while [ "$(cat $T/n)" -lt "$BENCH_POLLS" ]; do sleep 0.5; done
    end_polls=$(cat "$T/n"); end_time=$(date +%s.%N)
    sample end
    rate=$(awk "BEGIN { printf \"%.1f\", ($end_polls - $start_polls) / ($end_time - $start_time) }")
    echo "polls per second: $rate"
    "$LIDGLOW" -k -p "$T/pid" || true
    while [ -d /proc/$pid ] && ! grep -q "^State:[[:space:]]*Z" /proc/$pid/status 2>/dev/null; do sleep 0.05; done
'
