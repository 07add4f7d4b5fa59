#!/bin/sh
# The charge of the battery on FreeBSD, through acpi_battery(4), for
# example "battery 87% charging".
#   lidglow -c /usr/local/share/doc/lidglow/examples/battery-freebsd.sh -D -P 60
# The daemon stops on a command that prints nothing, so every path prints.
life=$(sysctl -n hw.acpi.battery.life 2>/dev/null) || life=-1
state=$(sysctl -n hw.acpi.battery.state 2>/dev/null) || state=0
if [ "${life:--1}" -lt 0 ]; then
    echo "no battery"
    exit 0
fi
# Bit 0 of the state means discharging, bit 1 charging.
case $((state & 3)) in
    1) echo "battery $life% in use" ;;
    2) echo "battery $life% charging" ;;
    *) echo "battery $life%" ;;
esac
