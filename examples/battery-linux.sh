#!/bin/sh
# The charge of the first battery on Linux, through the power_supply class
# in sysfs, for example "battery 87% Charging".
#   lidglow -c /usr/local/share/doc/lidglow/examples/battery-linux.sh -D -P 60
# The daemon stops on a command that prints nothing, so every path prints.
for dir in /sys/class/power_supply/BAT*; do
    [ -r "$dir/capacity" ] || continue
    read -r capacity <"$dir/capacity"
    status=
    [ -r "$dir/status" ] && read -r status <"$dir/status"
    echo "battery $capacity% $status"
    exit 0
done
echo "no battery"
