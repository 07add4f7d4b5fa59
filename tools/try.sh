#!/bin/sh
# Builds lidglow and runs it on the virtual display with the given options
# (default: -m "Hello, lid"), then shows what the display received.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"
font_option=
# Debian has no font at the built-in default path; point this build at
# DejaVu so that -m and -c work without -t.
dejavu=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
if [ ! -e /usr/local/share/fonts/TTF/luxisr.ttf ] && [ -e "$dejavu" ]; then
    font_option="-DLIDGLOW_DEFAULT_FONT=$dejavu"
fi
if [ ! -x "$build/lidglow" ] || [ ! -x "$build/tests/vdisplay/vdisplay" ]; then
    echo "Building lidglow in $build ..."
    # shellcheck disable=SC2086
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $font_option >/dev/null
    cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
fi
[ $# -gt 0 ] || set -- -m "Hello, lid"
status=0
"$build/tests/vdisplay/vdisplay" --show -- "$build/lidglow" "$@" || status=$?
echo "lidglow exited with status $status"
