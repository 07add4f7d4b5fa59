#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Usage: daemon-until-polls.sh COMMAND PERIOD CONDITION
# Runs COMMAND as the daemon every PERIOD seconds until the shell condition
# CONDITION holds, then stops it with -k.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
export T
start_daemon "$1" -P "$2"
pid=$(daemon_pid)
wait_until "$3"
"$LIDGLOW" -k -p "$P"
wait_until "! alive $pid" && echo gone=yes
