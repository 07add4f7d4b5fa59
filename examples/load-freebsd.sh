#!/bin/sh
# The load average of the last minute on FreeBSD, for example "0.12", which
# fits the display at the default size:
#   lidglow -c /path/to/load.sh -D -P 15
# All three averages, "load 0.12 0.20 0.18", are twice the display's
# width: show them with -s 11, or rolling with -R.
# sysctl prints them as "{ 0.12 0.20 0.18 }".
sysctl -n vm.loadavg | {
    read -r _ one _
    echo "$one"
}
