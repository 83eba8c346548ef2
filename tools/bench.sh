#!/bin/sh
# Runs every benchmark; they print figures and never fail on time.
# bench_inattivo measures 300 s of polling; QUOTARO_BENCH_IDLE_SECONDS shortens it.
build=${1:-build}
for b in "$build"/bench/bench_*; do
    # Skip the build's own folders (bench_*_autogen).
    [ -f "$b" ] && [ -x "$b" ] || continue
    echo "== $b"
    "$b" || exit 1
done
