#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Usage: daemon-start-stop.sh [PREFIX]
# Starts the daemon (as the user PREFIX switches to, if given) with its pid
# file in a directory of that user, starts a second one, and stops the
# first with -k twice.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
as=$1
chmod 755 "$T"
mkdir "$T/run"
[ -z "$as" ] || chown 65534:65534 "$T/run"
P=$T/run/d.pid
# The prefix is words.
# shellcheck disable=SC2086
$as "$LIDGLOW" -c 'echo hello' -t "$FONT" -D -p "$P" -P 1
echo start=$?
pid=$(daemon_pid); echo pid="$pid"
echo mode="$(stat -c %a "$P")"
echo owner="$(stat -c %u "$P")"
echo uid="$(sed -n 's/^Uid:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$pid/status")"
alive "$pid" && echo running=yes
# Its first line is on the display before it is stopped.
wait_until '[ $(bulks) -ge 2 ]' && echo shown=yes
"$LIDGLOW" -c x -t /nonexistent -D -p "$P" 2>"$T/second.err"; echo second=$?
echo second_err="$(cat "$T/second.err")"
alive "$pid" && echo still_running=yes
"$LIDGLOW" -k -p "$P"; echo stop=$?
wait_until "! alive $pid" && echo gone=yes
[ -e "$P" ] || echo pidfile_gone=yes
"$LIDGLOW" -k -p "$P" 2>"$T/again.err"; echo again=$?
echo again_err="$(cat "$T/again.err")"
[ -e "$P" ] || echo no_file_left=yes
