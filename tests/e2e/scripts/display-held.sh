#!/bin/sh
# Usage: display-held.sh
# Runs lidglow -e while another program holds interface 0 of the display
# through a file of its own, and exits with lidglow's status. The holder
# lets go with a release once lidglow has ended: the release also has
# vdisplay read the close of lidglow's handle before the holder's own,
# since inotify folds two like events in a row into one.
T=$E2E_TMPDIR
mkfifo "$T/go"
python3 "$(dirname "$0")/claims.py" 'a = node()
print(claim(a), flush=True)
open(os.environ["E2E_TMPDIR"] + "/go").read()
release(a)' > "$T/held" &
i=0
while [ ! -s "$T/held" ] && [ $i -lt 400 ]; do i=$((i+1)); sleep 0.025; done
"$LIDGLOW" -e
status=$?
echo > "$T/go"
wait
exit $status
