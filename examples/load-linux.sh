#!/bin/sh
# The load averages of the last 1, 5 and 15 minutes on Linux, for example
# "load 0.12 0.20 0.18".
#   lidglow -c /usr/local/share/doc/lidglow/examples/load-linux.sh -D -P 15
read -r one five fifteen _ </proc/loadavg
echo "load $one $five $fifteen"
