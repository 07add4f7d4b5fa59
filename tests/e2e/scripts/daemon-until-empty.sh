#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Usage: daemon-until-empty.sh COMMAND [FIFO]
# Runs COMMAND as the daemon, every poll at once, and after the third claim
# (or its end) makes $T/empty, which the command may look for; the daemon
# must end by itself. With FIFO, its font is a FIFO of that name in $T,
# which nobody writes.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
export T
if [ -n "${2:-}" ]; then
    mkfifo "$T/$2"
    # shellcheck disable=SC2034 # start_daemon reads it
    FONT=$T/$2
fi
start_daemon "$1" -P 0
wait_until 'grep -q "Daemon started" "$T/syslog"'
pid=$(sed -n 's/.*Daemon started, pid: \([0-9]*\).*/\1/p' "$T/syslog")
wait_until "[ \$(claims) -ge 3 ] || ! alive $pid"
touch "$T/empty"
wait_until "! alive $pid" && echo gone=yes
[ -e "$P" ] || echo pidfile_gone=yes
