#!/bin/sh
# Runs one of the real-window tests of this folder on a program under a virtual
# X server, with a session D-Bus for the accessibility bus; with --wayland, the
# program runs on the Wayland compositor weston, itself in a window of that
# X server. With --repeat N, runs it N times, each on a fresh X server, and
# prints how many passed and why each failure failed.
# Usage: tests/e2e/run.sh [--repeat N] [--wayland] e2e.py build/ci/src/zurezive
#        tests/e2e/run.sh [--repeat N] [--wayland] activation.py build/ci/tests/e2e/activation_probe
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ "$1" = --repeat ]; then
    runs=$2
    shift 2
    passed=0
    run=1
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    while [ "$run" -le "$runs" ]; do
        if TARVO_E2E_RUN=$run "$0" "$@" >"$log" 2>&1; then
            passed=$((passed + 1))
        else
            echo "run $run FAILED:"
            # The verdict, where the screen and weston's log were saved, or the
            # end of the output when the test did not get that far.
            if grep -q 'test FAILED' "$log"; then sed -n '/test FAILED/,$p' "$log" | sed '/ends with:$/q'
            else tail -n 15 "$log"; fi
        fi
        run=$((run + 1))
    done
    echo "$passed of $runs runs passed: $*"
    [ "$passed" -eq "$runs" ]
    exit
fi
platform=x11
if [ "$1" = --wayland ]; then
    platform=wayland
    shift
fi
script=$1
program=$(realpath "$2")
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Debian's python, which has the AT-SPI bindings whatever python is first on the
# PATH. No reset of the X server when its last client goes: a client connecting
# then would be turned away. Every wait of the test is bounded; the timeout
# bounds what is not (a hung program or bus).
status=0
TARVO_E2E_PLATFORM=$platform timeout -k 10 900 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    dbus-run-session -- /usr/bin/python3 "$here/$script" "$program" >"$log" 2>&1 || status=$?
grep -v -e 'Failed to set fd limit' -e 'XDG_RUNTIME_DIR not set' "$log" || true
[ "$status" -ne 124 ] || echo "$script: stopped after 900 s"
exit $status
