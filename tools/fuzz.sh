#!/bin/sh
# Builds the libFuzzer targets of fuzz/ with clang and runs each for a bounded time
# (FUZZ_SECONDS, 60 by default). Each run starts from a copy of its seed corpus in
# tests/fuzz-corpus/, so the repository's corpus never grows. A crash, a sanitizer
# report or a broken property fails the run; the input that caused it is kept in
# the build folder (artifacts/) to be turned into a regression test.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${FUZZ_BUILD:-$ROOT/build-fuzz}
SECONDS_EACH=${FUZZ_SECONDS:-60}
TARGETS=${FUZZ_TARGETS:-"impostazioni quotazione storico"}

"$ROOT/tools/install-deps.sh" clang libclang-rt-14-dev || exit 1
cmake -S "$ROOT/fuzz" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ || exit 1
cmake --build "$BUILD" -j 2 || exit 1

# A small quarantine keeps each run's memory modest on a shared machine.
ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64}
export ASAN_OPTIONS
mkdir -p "$BUILD/artifacts"
status=0
for t in $TARGETS; do
  corpus=$BUILD/corpus/$t
  rm -rf "$corpus"
  mkdir -p "$corpus"
  cp "$ROOT/tests/fuzz-corpus/$t/"* "$corpus/" || exit 1
  echo "=== fuzz_$t: $SECONDS_EACH s"
  if ! "$BUILD/fuzz_$t" -max_total_time="$SECONDS_EACH" -timeout=10 -max_len=8192 \
       -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$t-" "$corpus"; then
    echo "fuzz_$t FAILED: see $BUILD/artifacts/"
    status=1
  fi
done
exit "$status"
