#!/bin/sh
# Builds Runemill and starts it on the display. The program keeps its files
# in the folder it is started in: the folder given as the argument, else
# $HOME/Runemill, created when missing (never the source tree).
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
  echo "run.sh: no display to show Runemill on: neither DISPLAY nor WAYLAND_DISPLAY is set." >&2
  echo "Start it from a desktop session, or through ssh -X." >&2
  exit 1
fi
if [ -n "$1" ]; then
  WORK=$1
elif [ -n "$HOME" ]; then
  WORK=$HOME/Runemill
else
  echo "run.sh: HOME is not set: name the folder for Runemill's files, as in: $0 FOLDER" >&2
  exit 1
fi
"$ROOT/scripts/install-deps.sh"
cmake -S "$ROOT" -B "$ROOT/build/release" -DCMAKE_BUILD_TYPE=Release -DRUNEMILL_TESTS=OFF -DRUNEMILL_BENCH=OFF
cmake --build "$ROOT/build/release" --target runemill -j"$(nproc)"
mkdir -p "$WORK"
cd "$WORK"
# A platform without windows (as the tests use) would start a copy nobody sees.
case "$QT_QPA_PLATFORM" in offscreen* | minimal*) unset QT_QPA_PLATFORM ;; esac
exec "$ROOT/build/release/runemill"
