#!/bin/sh
# Runs one of the real-window tests of this folder on a program under a virtual
# X server, with a session D-Bus for the accessibility bus.
# Usage: tests/e2e/run.sh e2e.py build/ci/src/zurezive
#        tests/e2e/run.sh activation.py build/ci/tests/e2e/activation_probe
set -eu
here=$(cd "$(dirname "$0")" && pwd)
script=$1
program=$(realpath "$2")
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Debian's python, which has the AT-SPI bindings whatever python is first on the PATH.
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" \
    dbus-run-session -- /usr/bin/python3 "$here/$script" "$program" >"$log" 2>&1 || status=$?
grep -v -e 'Failed to set fd limit' -e 'XDG_RUNTIME_DIR not set' "$log" || true
exit $status
