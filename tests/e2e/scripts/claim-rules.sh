#!/bin/sh
# Usage: claim-rules.sh CODE
# Runs CODE with the helpers of claims.py on the virtual display.
exec python3 "$(dirname "$0")/claims.py" "$1"
