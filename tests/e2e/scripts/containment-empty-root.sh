# shellcheck shell=sh
# A row of containment.sh: the decoder waits to read a FIFO once it is
# contained, and its root is looked at then. Root's decoder has an empty
# directory, removed at once, as its root; any other has the system's.
mkfifo -m 644 "$T/wait.png"
# shellcheck disable=SC2086 # RUN is words
$RUN "$LG" -f "$T/wait.png" 2>/dev/null &
pid=$!
exec 3>"$T/wait.png"
decoder=$(pgrep -f -- "-decode [0-9]+ [0-9]+ $T/wait.png")
n=0
until grep -q '^NoNewPrivs:[[:space:]]*1' "/proc/$decoder/status" || [ $n -ge 200 ]; do
    sleep 0.05
    n=$((n + 1))
done
root=$(readlink "/proc/$decoder/root")
exec 3>&-
wait $pid
if [ "$(id -u)" = 0 ] && [ -z "$RUN" ]; then want=empty; else want=/; fi
case $root in
"/tmp/lidglow-decode."*" (deleted)") got=empty ;;
*) got=$root ;;
esac
if [ "$got" = "$want" ]; then echo root as expected; else echo "root $root, not $want"; fi
