#!/bin/sh
# Runs Quotaro against the local quote server: on the demo walk, so that it works without
# network, or with QUOTARO_FEED=live on live market data.
#
#   tools/run-demo.sh BUILD RUNHOME PORT [quotaro arguments...]
#
# BUILD   build folder that holds quotaro and quotaro-server
# RUNHOME folder used as Quotaro's home (settings, futures code, history files);
#         created if needed, and given the default DatiIndex.cfg and fut.txt
#         from data/ when they are missing
# PORT    loopback port of the server (0: any free port)
#
# The server stops when Quotaro exits; its log goes to BUILD/quotaro-server.log.
set -eu

if [ $# -lt 3 ]; then
    echo "usage: $0 BUILD RUNHOME PORT [quotaro arguments...]" >&2
    exit 2
fi
build=$1 runhome=$2 port=$3
shift 3
repo=$(cd "$(dirname "$0")/.." && pwd)

for exe in quotaro quotaro-server; do
    if [ ! -x "$build/$exe" ]; then
        echo "$0: $build/$exe is missing; build first (make build)" >&2
        exit 1
    fi
done

mkdir -p "$runhome"
runhome=$(cd "$runhome" && pwd)
for f in DatiIndex.cfg fut.txt; do
    if [ ! -e "$runhome/$f" ]; then
        if [ -e "$repo/data/$f" ]; then
            cp "$repo/data/$f" "$runhome/$f"
        else
            echo "$0: warning: $repo/data/$f not found, $runhome/$f not created" >&2
        fi
    fi
done

log="$build/quotaro-server.log"
feed=${QUOTARO_FEED:-demo}
out=$(mktemp)
server_pid=""
# shellcheck disable=SC2317 # called through the trap
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -f "$out"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

"$build/quotaro-server" --feed "$feed" --port "$port" >"$out" 2>>"$log" &
server_pid=$!

# The server prints "listening on 127.0.0.1:PORT" once it accepts connections.
address=""
tries=0
while [ -z "$address" ] && [ $tries -lt 50 ]; do
    if ! kill -0 "$server_pid" 2>/dev/null; then
        break
    fi
    address=$(sed -n 's/^listening on //p' "$out")
    [ -n "$address" ] || sleep 0.1
    tries=$((tries + 1))
done
if [ -z "$address" ]; then
    echo "$0: the quote server did not start; from $log:" >&2
    tail -n 3 "$log" >&2
    exit 1
fi
echo "Quote server ($feed feed) on $address (log: $log), Quotaro home: $runhome"

# Speech is optional: start the speech service if it is installed; it is
# harmless when one is already running.
if command -v speech-dispatcher >/dev/null 2>&1; then
    speech-dispatcher -d >/dev/null 2>&1 || true
fi

export QUOTARO_HOME="$runhome"
export QUOTARO_QUOTE_SERVER="$address"
export QUOTARO_FUTURES_SERVER="$address"

status=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    if ! command -v xvfb-run >/dev/null 2>&1; then
        echo "$0: no display (DISPLAY and WAYLAND_DISPLAY are unset) and xvfb-run is not installed" >&2
        exit 1
    fi
    echo "No display found: running Quotaro on a virtual screen (xvfb-run); its windows are not visible."
    xvfb-run -a -s "-screen 0 1280x800x24" "$build/quotaro" "$@" || status=$?
else
    "$build/quotaro" "$@" || status=$?
fi
exit $status
