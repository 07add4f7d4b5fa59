#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Usage: daemon-sigterm-during-command.sh COMMAND
# Sends the daemon SIGTERM while its COMMAND, which writes its pid to
# $T/cmd, runs, and times how long the daemon and the command take to go.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
export T
start_daemon "$1" -P 1000
pid=$(daemon_pid)
wait_until '[ -s "$T/cmd" ]'
command=$(cat "$T/cmd")
sleep 0.2
before=$(bulks)
start=$(now_ms)
kill -TERM "$pid"
wait_until "! alive $pid" && echo gone=yes
echo ms=$(($(now_ms) - start))
wait_until "! alive $command" && echo command_gone=yes
[ "$(bulks)" -eq "$before" ] && echo nothing_after=yes
[ -e "$P" ] || echo pidfile_gone=yes
