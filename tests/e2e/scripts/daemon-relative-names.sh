#!/bin/sh
# shellcheck disable=SC2016 # wait_until evaluates its condition
# Starts the daemon with a font and a pid file named relative to the
# run's directory, and stops it with the same relative name.
# shellcheck source=/dev/null
. "$(dirname "$0")/daemon-lib.sh"
cp "$FONT" font.ttf
name=lidglow-e2e-$$.pid
"$LIDGLOW" -c 'echo x' -t font.ttf -D -P 0 -p "$name"; echo start=$?
wait_until '[ -s $name ]' && echo pidfile_here=yes
pid=$(cat "$name")
wait_until '[ $(claims) -ge 3 ]' && echo polling=yes
"$LIDGLOW" -k -p "$name"; echo stop=$?
wait_until "! alive $pid" && echo gone=yes
[ -e "$name" ] || echo pidfile_removed=yes
[ -e "/$name" ] || echo root_untouched=yes
