#!/bin/sh
# Installs the Debian packages the project needs to build, run and test,
# skipping the package index update when nothing is missing.
set -eu

packages="cmake ninja-build g++ binutils qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
fonts-wine locales xvfb xauth imagemagick"
# Qt's platform interface (the Wayland display to flush), and Wayland itself.
packages="$packages qt6-base-private-dev qt6-wayland"
# The package: dpkg-shlibdeps and file for CPack, validators for the desktop files.
packages="$packages dpkg-dev file desktop-file-utils appstream"
# Fuzzing: clang with its libFuzzer and sanitizer runtimes.
packages="$packages clang libclang-rt-14-dev"
# Real windows: a window manager, X input, and the accessibility bus read from python;
# weston for the same tests under Wayland, in a window of the X server.
packages="$packages openbox xdotool python3-xlib dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0 weston"
# The start-up benchmark watches windows from the X server (xcb and its Damage extension).
packages="$packages libxcb1-dev libxcb-damage0-dev"
# The arm64 cross build, its tests under emulation and its package: Debian's
# multiarch Qt for the target, the cross compiler and binutils (objdump reads
# the arm64 kernels' code), qemu's user-mode emulator.
packages="$packages qt6-base-dev:arm64 qt6-base-private-dev:arm64 g++-aarch64-linux-gnu binutils-aarch64-linux-gnu qemu-user-static"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# apt knows arm64 packages once dpkg takes the architecture and the package
# index is updated, which the install below does.
dpkg --print-foreign-architectures | grep -qx arm64 || $SUDO dpkg --add-architecture arm64

if [ -n "$missing" ]; then
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
fi

# A French locale, to check that the data files keep their decimal point under it.
if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf-\?8$'; then
    $SUDO sed -i 's/^# *\(fr_FR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen || echo 'fr_FR.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen
fi
