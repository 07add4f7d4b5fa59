# shellcheck shell=sh
# A row of containment.sh: lidglow is killed while its decoder waits to
# open a FIFO; the decoder must go with it.
mkfifo -m 644 "$T/wait.png"
alive() { pgrep -f -- "-decode [0-9]+ [0-9]+ $T/wait.png" >/dev/null; }
# shellcheck disable=SC2086 # RUN is words
$RUN "$LG" -f "$T/wait.png" &
pid=$!
n=0; until alive || [ $n -ge 100 ]; do sleep 0.05; n=$((n + 1)); done
alive && echo waiting
kill -KILL $pid
n=0; while alive && [ $n -lt 40 ]; do sleep 0.05; n=$((n + 1)); done
if alive; then echo still there; else echo gone; fi
