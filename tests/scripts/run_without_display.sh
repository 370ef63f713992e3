#!/bin/sh
# Without a display the run command says so and fails at once. $1: the source tree.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY sh "$1/scripts/run.sh" 2>&1) && { echo "succeeded: $out"; exit 1; }
echo "$out" | grep -q "DISPLAY" || { echo "no word of the display: $out"; exit 1; }
