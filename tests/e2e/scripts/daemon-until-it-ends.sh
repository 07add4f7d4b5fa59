#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Usage: daemon-until-it-ends.sh COMMAND
# Runs COMMAND as the daemon, every poll at once, and waits for the daemon
# to end by itself.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
start_daemon "$1" -P 0
pid=$(daemon_pid)
wait_until "! alive $pid" && echo gone=yes
[ -e "$P" ] || echo pidfile_gone=yes
