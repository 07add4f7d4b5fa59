#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Lists the descriptors of a command run once, of one run once with its
# standard input closed, and of one run by the daemon; each command
# records its pid and sleeps.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
export T
command='echo $$ > $T/cmd; echo x; exec sleep 1'
"$LIDGLOW" -c "$command" -t "$FONT" &
sleeping && echo once="$(fds_of "$(cat "$T/cmd")")"
wait
rm -f "$T/cmd"
"$LIDGLOW" -c "$command" -t "$FONT" <&- &
sleeping && echo closed_in="$(readlink "/proc/$(cat "$T/cmd")/fd/0")"
wait
start_daemon "$command" -P 0
pid=$(daemon_pid)
wait_until '[ $(claims) -ge 3 ]'
rm -f "$T/cmd"
sleeping && echo polled="$(fds_of "$(cat "$T/cmd")")"
kill -TERM "$pid"
wait_until "! alive $pid" && echo gone=yes
