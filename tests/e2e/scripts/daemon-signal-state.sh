#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Reports the blocked and ignored signals and the process group of a
# command run once and of one run by the daemon, beside those of what
# started them. lidglow is started with SIGPIPE ignored and SIGUSR1
# blocked.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
export T
command='echo $$ > $T/cmd; echo x; exec sleep 1'
env --ignore-signal=PIPE --block-signal=USR1 "$LIDGLOW" -c "$command" -t "$FONT" &
once_pid=$!
# Blocked and ignored signals 1 to 31; the C library keeps its own above.
mask_of() { v=$(sed -n "s/^$2:[[:space:]]*//p" "/proc/$1/status"); echo $((0x${v#????????} & 0x7fffffff)); }
signals_of() { echo "$(mask_of "$1" SigBlk) $(mask_of "$1" SigIgn)"; }
group_of() { sed 's/.*) //' "/proc/$1/stat" | cut -d' ' -f3; }
sleeping && cmd=$(cat "$T/cmd")
echo once_given="$(signals_of $once_pid)"
echo once="$(signals_of "$cmd")"
[ "$(group_of "$cmd")" = "$(group_of $once_pid)" ] && echo once_group=lidglow
wait
env --ignore-signal=PIPE --block-signal=USR1 "$LIDGLOW" -c "$command" -t "$FONT" -D -p "$P" -P 0
pid=$(daemon_pid)
wait_until '[ $(claims) -ge 2 ]'
rm -f "$T/cmd"
sleeping && cmd=$(cat "$T/cmd")
echo polled="$(signals_of "$cmd")"
[ "$(group_of "$cmd")" = "$cmd" ] && echo polled_group=own
kill -TERM "$pid"
wait_until "! alive $pid" && echo gone=yes
