#!/bin/sh
# Builds the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer and runs it.
# Any sanitizer report, from a test or from a program a test starts, fails the run:
# reports go to files in the build folder and the run fails when one is there, so a
# child process whose exit code a test does not look at cannot hide one.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${SANITIZE_BUILD:-$ROOT/build-asan}
LOGS=$BUILD/sanitizer-logs
JOBS=${SANITIZE_JOBS:-2}

# -O1 keeps the checked suite quick enough; -g for readable reports.
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DQUOTARO_SANITIZE=ON \
      -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" || exit 1
cmake --build "$BUILD" -j "$JOBS" || exit 1

# Stacks are unwound quickly (frame pointers): libraries built without them end a
# stack early. For a full stack of a report, run the test again with
# ASAN_OPTIONS=fast_unwind_on_malloc=0 (several times slower).
rm -rf "$LOGS"
mkdir -p "$LOGS"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$LOGS/asan"
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$LOGS/ubsan"
LSAN_OPTIONS="suppressions=$ROOT/tools/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

cd "$BUILD" || exit 1
# One test at a time: the timing of loopback and child-process tests stays as in
# the plain run, and the result does not depend on what runs beside it.
ctest --output-on-failure --timeout 600
status=$?

for f in "$LOGS"/*; do
  [ -e "$f" ] || continue
  echo "=== sanitizer report: $f"
  cat "$f"
  status=1
done
[ "$status" -eq 0 ] && echo "sanitized suite: no failure, no report"
exit "$status"
