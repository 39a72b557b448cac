#!/bin/sh
# Runs the end-to-end test on a program (the built or the installed one) under
# a virtual X server, with a session D-Bus for the accessibility bus.
# Usage: tests/e2e/run.sh PROGRAM
set -eu
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1")
# Debian's python, which has the AT-SPI bindings whatever python is first on the PATH.
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
    dbus-run-session -- /usr/bin/python3 "$here/e2e.py" "$program"
