#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Usage: daemon-sharing.sh stop | notify
# Starts a daemon whose polls take 0.3 s at -P 0, so that it is nearly
# always running its command or sending, and meets it with -k (stop) or
# with eight one-shot messages and then -k (notify).
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
start_daemon 'sleep 0.3; date +%N' -P 0
pid=$(daemon_pid)
wait_until '[ $(bulks) -ge 6 ]'
if [ "$1" = notify ]; then
    ok=0
    for i in 1 2 3 4 5 6 7 8; do
        "$LIDGLOW" -m "Mail $i" -t "$FONT" 2>>"$T/m.err" && ok=$((ok+1))
    done
    echo shown=$ok
    echo errors="$(wc -c < "$T/m.err")"
    alive "$pid" && echo still_running=yes
fi
start=$(now_ms)
"$LIDGLOW" -k -p "$P"; echo stop=$?
wait_until "! alive $pid" && echo gone=yes
[ $(($(now_ms) - start)) -lt 3000 ] && echo within_3s=yes
