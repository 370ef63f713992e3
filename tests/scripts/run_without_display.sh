#!/bin/sh
# The run command without a display says what is missing and fails before it
# builds or starts anything. $1: the source tree.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY sh "$1/scripts/run.sh" 2>&1) && { echo "succeeded: $out"; exit 1; }
echo "$out" | grep -q "DISPLAY" || { echo "no word of the display: $out"; exit 1; }
