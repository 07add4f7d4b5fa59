#!/bin/sh
# Compares the cost of a daemon poll with the least a poll must do. On the
# virtual display it runs bench/poll-floor.c (popen, first line, open, claim,
# two packets with their pauses, close) and `lidglow -c ... -D -P 0` in turn,
# for a line that changes at every poll and for one that never changes. For
# each run it prints polls per second and the CPU time of a poll, the
# command's shell included; for each line the median over the rounds of
# lidglow's polls per second over the floor's (1.00: a poll costs no more
# than it must).
#
# Polls per second are noisy on a busy machine; CPU time per poll much less.
#
# usage: bench/poll-cost.sh [seconds per run] [rounds] [build directory]
set -eu
seconds=${1:-5}
rounds=${2:-3}
top=$(cd "$(dirname "$0")/.." && pwd)
build=${3:-$top/build-bench}
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
# Polls of the first half second (font loading, first frame) are left out.
warmup=0.5

if [ ! -r "$font" ]; then
    echo "poll-cost: needs the font $font (Debian: fonts-dejavu-core)" >&2
    exit 1
fi
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target lidglow vdisplay >/dev/null
# shellcheck disable=SC2046
${CC:-cc} -O2 -g -Wall -Wextra -o "$build/poll-floor" "$top/bench/poll-floor.c" \
    $(pkg-config --cflags --libs libusb)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run floor|lidglow COMMAND: prints polls per second and CPU milliseconds
# per poll, measured after the warm-up.
run() {
    rm -f "$work/log" "$work/pid" "$work/result"
    # The inner script expands its variables itself.
    # shellcheck disable=SC2016
    BENCH_WHO=$1 BENCH_COMMAND=$2 BENCH_DIR=$work BENCH_FONT=$font \
    BENCH_WARMUP=$warmup BENCH_SECONDS=$seconds \
    BENCH_FLOOR="$build/poll-floor" BENCH_LIDGLOW="$build/lidglow" \
    "$build/tests/vdisplay/vdisplay" --log "$work/log" -- sh -c '
        set -eu
        if [ "$BENCH_WHO" = floor ]; then
            "$BENCH_FLOOR" "$BENCH_COMMAND" &
            pid=$!
        else
            "$BENCH_LIDGLOW" -c "$BENCH_COMMAND" -t "$BENCH_FONT" -D -P 0 -p "$BENCH_DIR/pid"
            i=0
            while [ ! -s "$BENCH_DIR/pid" ]; do
                i=$((i + 1)); [ $i -le 500 ] || exit 1
                sleep 0.01
            done
            pid=$(cat "$BENCH_DIR/pid")
        fi
        # The display saw one claim per poll; the CPU time of the program
        # and of the children it has reaped is in /proc, in clock ticks.
        polls() { grep -c " claim 0$" "$BENCH_DIR/log" || true; }
        ticks() { sed "s/.*) //" "/proc/$pid/stat" | awk "{ print \$12 + \$13 + \$14 + \$15 }"; }
        sleep "$BENCH_WARMUP"
        polls_before=$(polls); ticks_before=$(ticks); start=$(date +%s%N)
        sleep "$BENCH_SECONDS"
        polls_after=$(polls); ticks_after=$(ticks); end=$(date +%s%N)
        kill "$pid"
        while kill -0 "$pid" 2>/dev/null; do sleep 0.01; done
        awk -v n=$((polls_after - polls_before)) -v t=$((ticks_after - ticks_before)) \
            -v hz="$(getconf CLK_TCK)" -v ns=$((end - start)) \
            "BEGIN { if (n > 0) printf \"%.1f %.2f\\n\", n * 1e9 / ns, t * 1000 / hz / n }" \
            > "$BENCH_DIR/result"
    ' 2>/dev/null || true
    if [ -s "$work/result" ]; then cat "$work/result"; else echo "0 0"; fi
}

median() {
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

echo "poll-cost: $rounds rounds of $seconds s per program at -P 0 on the virtual display"
for case in changing unchanged; do
    # $$ is the shell's pid, new at every poll.
    # shellcheck disable=SC2016
    if [ "$case" = changing ]; then command='echo poll $$'; else command='echo poll'; fi
    ratios=
    round=1
    while [ "$round" -le "$rounds" ]; do
        # Which program goes first alternates, so that a drift in the
        # machine's load favours neither.
        if [ $((round % 2)) -eq 1 ]; then
            floor=$(run floor "$command"); lidglow=$(run lidglow "$command")
        else
            lidglow=$(run lidglow "$command"); floor=$(run floor "$command")
        fi
        # shellcheck disable=SC2086
        set -- $floor $lidglow
        ratio=$(awk -v a="$3" -v b="$1" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')
        printf '%s line, round %d: floor %s polls/s %s ms CPU/poll, lidglow %s polls/s %s ms CPU/poll, ratio %s\n' \
            "$case" "$round" "$1" "$2" "$3" "$4" "$ratio"
        ratios="$ratios $ratio"
        round=$((round + 1))
    done
    # shellcheck disable=SC2086
    echo "$case line: median ratio $(median $ratios)"
done
