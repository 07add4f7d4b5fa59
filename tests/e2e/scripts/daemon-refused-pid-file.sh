#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Usage: daemon-refused-pid-file.sh NAME [SETUP [KEPT]]
# Runs the shell code SETUP, which may set F, the pid file, anew from
# $T/NAME; starts the daemon and -k with $F, and reports whether the shell
# condition KEPT holds afterwards.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
F=$T/$1
eval "${2:-:}"
"$LIDGLOW" -c 'echo x' -t "$FONT" -D -p "$F" 2>"$T/err"
echo start=$?
echo start_err="$(cat "$T/err")"
"$LIDGLOW" -k -p "$F" 2>"$T/err"; echo stop=$?
echo stop_err="$(cat "$T/err")"
eval "${3:-false}" && echo kept=yes
