#!/bin/sh
# Builds lidglow and runs it on the virtual display with the given options
# (default: -b), then shows what the display received.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"
if [ ! -x "$build/lidglow" ] || [ ! -x "$build/tests/vdisplay/vdisplay" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
fi
[ $# -gt 0 ] || set -- -b
status=0
"$build/tests/vdisplay/vdisplay" --show -- "$build/lidglow" "$@" || status=$?
echo "lidglow exited with status $status"
