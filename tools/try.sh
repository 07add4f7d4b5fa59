#!/bin/sh
# Shows what lidglow would put on the display for the given options (default:
# -m "Hello, lid"), with no display attached: lidglow-preview runs the same
# code as lidglow and draws the packets it would send. The first run builds
# the two programs; later runs only rebuild what changed.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"
jobs=$(nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)
[ -x "$build/lidglow-preview" ] ||
    echo "Building lidglow and lidglow-preview in $build (once, about a minute) ..." >&2
log="$build/try-build.log"
mkdir -p "$build"
if ! { { [ -f "$build/CMakeCache.txt" ] ||
         cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLIDGLOW_TESTS=OFF; } &&
       cmake --build "$build" -j "$jobs" --target lidglow lidglow-preview; } >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
[ $# -gt 0 ] || set -- -m "Hello, lid"
exec "$build/lidglow-preview" "$@"
