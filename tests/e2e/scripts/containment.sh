#!/bin/sh
# Usage: containment.sh PORT RUN ROW
# Puts a copy of lidglow in the run's directory T, with the tests' decoder
# ($DECODE_STANDIN) where the copy looks for its decoder
# ($DECODER_RELATIVE_PATH from its own directory), and runs the shell code
# ROW. ROW finds LG (the copy), RUN (the words that switch to the row's
# user), PORT (a loopback port that listens), SCRIPTS (this directory) and
# probe WHAT [ARGUMENT] (lidglow -f probe.png, the picture holding that
# probe).
# shellcheck disable=SC2034 # the rows use them
{
    T=$E2E_TMPDIR
    SCRIPTS=$(dirname "$0")
    PORT=$1
}
RUN=$2
chmod 755 "$T"
LG=$T/bin/lidglow
decoder=$T/bin/$DECODER_RELATIVE_PATH
mkdir -p "$T/bin" "$(dirname "$decoder")" && cp "$LIDGLOW" "$LG" && cp "$DECODE_STANDIN" "$decoder" ||
    exit 99
# shellcheck disable=SC2086 # RUN is words
probe() { printf 'probe %s\n' "$*" >probe.png; $RUN "$LG" -f probe.png; }
eval "$3"
