#!/bin/sh
# The artist and title of the music playing, from an MPRIS player through
# playerctl(1) or from MPD through mpc(1); the same on FreeBSD and Linux.
# Titles are usually wider than the display, so roll them with -R:
#   lidglow -c /path/to/now-playing.sh -R -D -P 5
# MPRIS players live on the session bus, so run this daemon as the user who
# plays the music, with a pid file of that user (see lidglow(1)).
# The daemon stops on a command that prints nothing, so every path prints.
if command -v playerctl >/dev/null 2>&1 &&
    [ "$(playerctl status 2>/dev/null)" = Playing ]; then
    playerctl metadata --format '{{artist}} - {{title}}' 2>/dev/null && exit 0
fi
if command -v mpc >/dev/null 2>&1; then
    song=$(mpc current 2>/dev/null)
    if [ -n "$song" ]; then
        echo "$song"
        exit 0
    fi
fi
echo "no music"
