#!/bin/sh
# Compares the cost of single runs of lidglow with the least a control run
# must do. On the virtual display it runs bench/control-floor.c (find, open,
# claim, two packets with their pauses, release, close) and `lidglow -b`,
# `-e` and `-m Hello`, and prints for each the instructions it executes
# (callgrind, the dynamic loader included), the median wall time of its
# runs, both also as a multiple of the floor's, and how many SDL libraries
# it loaded (LD_DEBUG=files).
#
# Instruction counts hardly move with the machine's load; wall times do.
# The programs take turns run by run, so that a drift in the load favours
# none of them.
#
# usage: bench/control-cost.sh [runs] [build directory]
set -eu
runs=${1:-30}
top=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$top/build-bench}
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

for tool in valgrind bash; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "control-cost: needs $tool" >&2
        exit 1
    fi
done
if [ ! -r "$font" ]; then
    echo "control-cost: needs the font $font (Debian: fonts-dejavu-core)" >&2
    exit 1
fi
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target lidglow vdisplay >/dev/null
# shellcheck disable=SC2046
${CC:-cc} -O2 -g -Wall -Wextra -o "$build/control-floor" "$top/bench/control-floor.c" \
    $(pkg-config --cflags --libs libusb)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs in bash for its clock, which needs no process of its own. Prints a
# line per program: instructions, median wall time in microseconds, SDL
# libraries loaded.
cat >"$work/measure.bash" <<'EOF'
set -eu
runs=$1 floor=$2 lidglow=$3 font=$4
programs=("$floor" "$lidglow -b" "$lidglow -e" "$lidglow -m Hello -t $font")
declare -a walls
for i in $(seq "$runs"); do
    for p in "${!programs[@]}"; do
        start=$EPOCHREALTIME
        ${programs[$p]} >/dev/null 2>&1
        end=$EPOCHREALTIME
        walls[$p]="${walls[$p]:-} $(( ${end/./} - ${start/./} ))"
    done
done
for p in "${!programs[@]}"; do
    instructions=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null ${programs[$p]} 2>&1 >/dev/null |
        sed -n 's/.*Collected : //p')
    sdl=$(LD_DEBUG=files ${programs[$p]} 2>&1 >/dev/null |
        grep -c 'file=libSDL[^ ]* .*\(needed by\|dynamically loaded\)' || true)
    wall=$(printf '%s\n' ${walls[$p]} | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    echo "$instructions $wall $sdl"
done
EOF
"$build/tests/vdisplay/vdisplay" --log "$work/log" -- \
    bash "$work/measure.bash" "$runs" "$build/control-floor" "$build/lidglow" "$font" >"$work/result"

echo "control-cost: callgrind instructions and the median wall time of $runs runs on the virtual display"
printf '%-18s %14s %8s %10s %8s %8s\n' program instructions "x floor" "wall ms" "x floor" "libSDL*"
awk 'BEGIN { split("floor|lidglow -b|lidglow -e|lidglow -m Hello", name, "|") }
     NR == 1 { fi = $1; fw = $2 }
     { printf "%-18s %12.2f M %8.2f %10.2f %8.2f %8d\n", name[NR], $1 / 1e6, $1 / fi, $2 / 1e3, $2 / fw, $3 }' \
    "$work/result"
