#!/bin/sh
# The day and the time, for example "Tue 09 Dec 14:05".
#   lidglow -c /usr/local/share/doc/lidglow/examples/clock.sh -D -P 10
exec date '+%a %d %b %H:%M'
