# shellcheck shell=sh disable=SC2016 # wait_until evaluates its condition
# Shell functions shared by the daemon tests' scripts, which source this
# file first. The scripts report what they saw as key=value lines on
# standard output. alive treats a zombie as dead, since nobody may be left
# to reap the detached daemon.
T=$E2E_TMPDIR
P=$T/d.pid
alive() { [ -r "/proc/$1/status" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status"; }
wait_until() { i=0; while ! eval "$1"; do i=$((i+1)); [ $i -gt 400 ] && return 1; sleep 0.025; done; }
count() { n=$(grep -c "$1" "$T/events.log" 2>/dev/null); echo "${n:-0}"; }
claims() { count ' claim 0$'; }
bulks() { count ' bulk '; }
daemon_pid() { wait_until '[ -s "$P" ]' && cat "$P"; }
# Commands that record their pid in $T/cmd and then exec sleep: once they
# sleep, only what they inherited is open.
SLEEP=$(readlink -f "$(command -v sleep)")
is_sleeping() { [ -s "$T/cmd" ] && [ "$(readlink "/proc/$(cat "$T/cmd")/exe")" = "$SLEEP" ]; }
sleeping() { wait_until is_sleeping; }
# shellcheck disable=SC2012 # descriptor numbers are plain names
fds_of() { ls "/proc/$1/fd" | sort -n | paste -sd ' ' -; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# start_daemon COMMAND [OPTION...]: the daemon with the test font and the
# pid file $P, its command's line shown.
start_daemon() {
    command=$1
    shift
    "$LIDGLOW" -c "$command" -t "$FONT" -D -p "$P" "$@"
}
