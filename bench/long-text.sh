#!/bin/sh
# Shows a 100 KB message (34,000 CJK characters) rolling on the virtual
# display, and a message that just fills the widest surface SDL can make,
# and prints how long each run took. Only the middle of a text can be shown,
# so the two must take about the same time.
#
# usage: bench/long-text.sh [build directory]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
if [ ! -x "$build/lidglow" ] || [ ! -x "$build/tests/vdisplay/vdisplay" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
fi
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

# "你好" is six bytes and two characters about 32 columns wide each.
repeat() {
    awk -v n="$2" -v s="$1" 'BEGIN { for (i = 0; i < n; i++) printf "%s", s }'
}
long=$(repeat '你好' 17000)
filling=$(repeat '你好' 256)

run() {
    start=$(date +%s%N)
    "$build/tests/vdisplay/vdisplay" -- "$build/lidglow" -m "$2" -R -t "$font"
    end=$(date +%s%N)
    echo "$1: $(printf %s "$2" | wc -c) bytes, $(((end - start) / 1000000)) ms"
}
run "fills the widest surface" "$filling"
run "100 KB" "$long"
