#!/bin/sh
# The time, for example "14:05", which fits the display at the default size:
#   lidglow -c /path/to/clock.sh -D -P 10
# With the day and the date, "Tue 09 Dec 14:05" is twice the display's
# width: show it with -s 12, or rolling with -R, in this format:
#   date '+%a %d %b %H:%M'
exec date +%H:%M
