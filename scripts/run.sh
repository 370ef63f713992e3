#!/bin/sh
# Builds Runemill and starts it. The program keeps its files in the directory
# it is started from.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/install-deps.sh"
cmake -S "$ROOT" -B "$ROOT/build/release" -DCMAKE_BUILD_TYPE=Release -DRUNEMILL_TESTS=OFF -DRUNEMILL_BENCH=OFF
cmake --build "$ROOT/build/release" --target runemill -j"$(nproc)"
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ] && [ -z "$QT_QPA_PLATFORM" ]; then
  export QT_QPA_PLATFORM=offscreen
fi
exec "$ROOT/build/release/runemill"
