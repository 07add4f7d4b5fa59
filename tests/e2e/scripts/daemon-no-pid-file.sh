#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Starts the daemon with a pid file in a directory that does not exist.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
"$LIDGLOW" -c 'echo x' -t "$FONT" -D -P 0 -p /nonexistent/dir/d.pid 2>"$T/err"
echo start=$?
echo err="$(cat "$T/err")"
wait_until 'grep -q "Daemon started" "$T/syslog"'
pid=$(sed -n 's/.*Daemon started, pid: \([0-9]*\).*/\1/p' "$T/syslog")
wait_until '[ $(claims) -ge 3 ]' && echo polling=yes
kill -TERM "$pid"
wait_until "! alive $pid" && echo gone=yes
