#!/bin/sh
# Builds Runemill and runs every test: a release build, a debug build with
# AddressSanitizer and UndefinedBehaviorSanitizer, and a bounded fuzzing run.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=$(nproc)
"$ROOT/scripts/install-deps.sh"
export QT_QPA_PLATFORM=offscreen

cmake -S "$ROOT" -B "$ROOT/build/test-release" -DCMAKE_BUILD_TYPE=Release
cmake --build "$ROOT/build/test-release" -j"$JOBS"
ctest --test-dir "$ROOT/build/test-release" --output-on-failure -j"$JOBS"

cmake -S "$ROOT" -B "$ROOT/build/test-asan" -DCMAKE_BUILD_TYPE=Debug -DRUNEMILL_SANITIZE=ON -DRUNEMILL_BENCH=OFF
cmake --build "$ROOT/build/test-asan" -j"$JOBS"
ctest --test-dir "$ROOT/build/test-asan" --output-on-failure -j"$JOBS"

if [ -n "$(ls "$ROOT"/fuzz/*.cpp 2>/dev/null)" ]; then
  cmake -S "$ROOT" -B "$ROOT/build/fuzz" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DRUNEMILL_FUZZ=ON -DRUNEMILL_TESTS=OFF -DRUNEMILL_BENCH=OFF
  cmake --build "$ROOT/build/fuzz" -j"$JOBS"
  for target in "$ROOT"/build/fuzz/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="$ROOT/build/fuzz/corpus-$name"
    mkdir -p "$corpus"
    seeds="$ROOT/fuzz/corpus/$name"
    [ -d "$seeds" ] || seeds=""
    # An input that makes the target fail is kept with the test data, where
    # the replay tests run it from then on (commit it with the fix).
    failing="$ROOT/tests/data/fuzz/$name"
    mkdir -p "$failing"
    ASAN_OPTIONS=detect_leaks=0 "$target" -max_total_time=60 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$failing/" "$corpus" $seeds
  done
fi
echo "All tests passed."
