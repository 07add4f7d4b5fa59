#!/bin/sh
# The charge of the first battery on Linux, through the power_supply class
# in sysfs: "87% +" while charging, "87% -" while discharging, "87%"
# otherwise, which fits the display at the default size:
#   lidglow -c /path/to/battery.sh -D -P 60
# In words, "battery 87% Discharging" is twice the display's
# width: roll it with -R.
# The daemon stops on a command that prints nothing, so every path prints.
for dir in /sys/class/power_supply/BAT*; do
    [ -r "$dir/capacity" ] || continue
    read -r capacity <"$dir/capacity"
    status=
    [ -r "$dir/status" ] && read -r status <"$dir/status"
    case $status in
        Charging) echo "$capacity% +" ;;
        Discharging) echo "$capacity% -" ;;
        *) echo "$capacity%" ;;
    esac
    exit 0
done
echo "AC only"
