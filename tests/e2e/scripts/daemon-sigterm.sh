#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Usage: daemon-sigterm.sh COMMAND CONDITION
# Runs COMMAND as the daemon with a long pause and sends it SIGTERM once
# the shell condition CONDITION holds.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
start_daemon "$1" -P 1000
pid=$(daemon_pid)
wait_until "$2"
kill -TERM "$pid"
wait_until "! alive $pid" && echo gone=yes
[ -e "$P" ] || echo pidfile_gone=yes
