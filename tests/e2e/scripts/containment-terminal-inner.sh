#!/bin/sh
# Run by containment-terminal.sh in the pseudo-terminal: types a line into
# it as the control, runs what is typed, then has the decoder of lidglow
# ($LG, run through the words $RUN) try the same, and again runs what is
# typed.
# shellcheck disable=SC2016 # bash evaluates the line it reads
/usr/bin/python3 -c 'import fcntl, sys, termios
for c in sys.argv[1].encode(): fcntl.ioctl(0, termios.TIOCSTI, bytes([c]))' "touch $T/control
"
# shellcheck disable=SC2016
bash -c 'read -r -t 1 line && eval "$line"'
printf 'probe tty %s\n' "$T/typed" >probe.png
# shellcheck disable=SC2086 # RUN is words
$RUN "$LG" -f probe.png
s=$?
# shellcheck disable=SC2016
bash -c 'read -r -t 1 line && eval "$line"'
exit $s
