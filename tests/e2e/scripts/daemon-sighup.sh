#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Usage: daemon-sighup.sh [PREFIX]
# Starts the daemon through PREFIX (which may block signals) with a long
# pause, and wakes it twice with SIGHUP.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
# The prefix is words.
# shellcheck disable=SC2086
$1 "$LIDGLOW" -c 'date +%N' -t "$FONT" -D -p "$P" -P 1000
pid=$(daemon_pid)
wait_until '[ $(bulks) -ge 2 ]'
kill -HUP "$pid"
wait_until '[ $(bulks) -ge 4 ]' && echo polled=yes
alive "$pid" && echo running=yes
kill -HUP "$pid"
wait_until '[ $(bulks) -ge 6 ]' && echo polled_again=yes
"$LIDGLOW" -k -p "$P"; echo stop=$?
wait_until "! alive $pid" && echo gone=yes
