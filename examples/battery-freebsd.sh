#!/bin/sh
# The charge of the battery on FreeBSD, through acpi_battery(4): "87% +"
# while charging, "87% -" while discharging, "87%" otherwise, which fits the
# display at the default size:
#   lidglow -c /path/to/battery.sh -D -P 60
# In words, "battery 87% discharging" is twice the display's
# width: roll it with -R.
# The daemon stops on a command that prints nothing, so every path prints.
life=$(sysctl -n hw.acpi.battery.life 2>/dev/null) || life=-1
state=$(sysctl -n hw.acpi.battery.state 2>/dev/null) || state=0
if [ "${life:--1}" -lt 0 ]; then
    echo "AC only"
    exit 0
fi
# Bit 0 of the state means discharging, bit 1 charging.
case $((state & 3)) in
    1) echo "$life% -" ;;
    2) echo "$life% +" ;;
    *) echo "$life%" ;;
esac
