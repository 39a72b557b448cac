#!/bin/sh
# Installs the Debian packages the project needs: what building it needs, read
# from the Build-Depends of debian/control (for this machine, then for the arm64
# cross build), then what testing adds beyond the package's own build and tests.
# Skips the package index update when nothing is missing. As root, or through sudo.
set -eu
cd "$(dirname "$0")/.."

# What testing adds. Real windows: a virtual X server, a window manager, X input
# (xdotool for the package's start check, python's Xlib for the real-window tests),
# the screen saved on failure (import), the accessibility bus read from python,
# and weston with Qt's Wayland platform for the same tests under Wayland.
tests="xvfb xauth openbox xdotool python3-xlib imagemagick dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0
weston qt6-wayland"
# Fuzzing: clang with its libFuzzer and sanitizer runtimes.
tests="$tests clang libclang-rt-14-dev"
# The arm64 cross build's own build-essential, its objdump (which reads the arm64
# kernels' code) and qemu's user-mode emulator, which runs its tests.
tests="$tests crossbuild-essential-arm64 binutils-aarch64-linux-gnu qemu-user-static"
# The package's checks: lintian, the desktop entry's and the metainfo's
# validators, and file (which tells the programs' architecture).
tests="$tests lintian desktop-file-utils appstream file"
# The picture's checks: the report in a headless browser, the PDF read back,
# and the fleet playbook run against this machine.
tests="$tests chromium poppler-utils ansible-core"

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# apt knows arm64 packages once dpkg takes the architecture and the package
# index is updated, which the install below does.
dpkg --print-foreign-architectures | grep -qx arm64 || $SUDO dpkg --add-architecture arm64

# dpkg-checkbuilddeps (dpkg-dev, itself a build need) tells whether the build
# needs are there; without it, they are not.
missing=""
if ! command -v dpkg-checkbuilddeps >/dev/null ||
    ! dpkg-checkbuilddeps 2>/dev/null ||
    ! dpkg-checkbuilddeps -a arm64 -P cross,nocheck 2>/dev/null; then
    missing="build needs"
fi
for p in $tests; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

if [ -n "$missing" ]; then
    echo "installing:$missing"
    apt_get() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@"; }
    apt_get update
    apt_get build-dep --no-install-recommends ./
    apt_get build-dep --no-install-recommends -a arm64 -P cross,nocheck ./
    # shellcheck disable=SC2086 # a list of names
    apt_get install --no-install-recommends $tests
fi
