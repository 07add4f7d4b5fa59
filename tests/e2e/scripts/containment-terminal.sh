# shellcheck shell=sh
# A row of containment.sh: the shell in a pseudo-terminal runs a line typed
# into it, as the control shows, before and after lidglow, whose decoder
# tries to type one.
mkfifo "$T/hold"
exec 3<>"$T/hold"
export T LG RUN
script -qec "sh '$SCRIPTS/containment-terminal-inner.sh'" /dev/null <&3 >"$T/terminal"
s=$?
tr -d '\r' <"$T/terminal" | grep -v '^touch '
[ ! -e "$T/control" ] || echo control typed
[ ! -e "$T/typed" ] || echo probe typed
exit $s
