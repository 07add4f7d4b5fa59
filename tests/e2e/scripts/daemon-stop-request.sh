#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Usage: daemon-stop-request.sh CONTENT LATER [OWNER]
# Writes CONTENT into the pid file, gives it to OWNER if given, holds its
# lock as a starting daemon would, and after half a second runs the shell code LATER (which finds the
# pid of a sleeping process in $target); meanwhile -k is timed. The holder
# and the sleeper are ended and waited for at the end.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
sleep 30 &
target=$!
printf %s "$1" > "$P"
[ -z "${3:-}" ] || chown "$3" "$P"
mkfifo "$T/release"
exec 3<>"$T/release"
export P target
flock "$P" sh -c "sleep 0.5; $2; read -r _ < \"$T/release\"" &
wait_until 'flock -n "$P" true; [ $? -ne 0 ]'
start=$(now_ms)
"$LIDGLOW" -k -p "$P" 2>"$T/err"; echo stop=$?
echo ms=$(($(now_ms) - start))
echo err="$(sed "s|$P|P|" "$T/err")"
sleep 0.2
alive "$target" || echo target_gone=yes
echo >&3
kill "$target" 2>/dev/null
wait
