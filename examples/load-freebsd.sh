#!/bin/sh
# The load averages of the last 1, 5 and 15 minutes on FreeBSD, for
# example "load 0.12 0.20 0.18".
#   lidglow -c /usr/local/share/doc/lidglow/examples/load-freebsd.sh -D -P 15
# sysctl prints them as "{ 0.12 0.20 0.18 }".
sysctl -n vm.loadavg | {
    read -r _ one five fifteen _
    echo "load $one $five $fifteen"
}
