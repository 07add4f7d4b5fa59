#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# A command whose background job holds the output pipe for 8 s, polled
# every second for 3.5 s.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
export T
start_daemon 'echo . >> $T/polls; sleep 8 & printf hi' -P 1
pid=$(daemon_pid)
sleep 3.5
echo polls="$(wc -l < "$T/polls")"
"$LIDGLOW" -k -p "$P"; echo stop=$?
wait_until "! alive $pid" && echo gone=yes
