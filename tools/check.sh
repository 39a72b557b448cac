#!/bin/sh
# Builds and runs every test: the release build with warnings as errors, the
# Debian package (built by dpkg-buildpackage with its own run of the tests, then
# checked and installed), the real-window tests (the forms' activation rules
# under a window manager, then the whole program end to end, both under X11 and
# under Wayland; the windows on a screen scaled to 200 %), the whole suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets
# for a bounded time each. The picture files and the HTML report are opened by
# their readers (a headless browser among them). The fleet playbook runs on
# this machine, on the program built and, as root, installing the package
# built and removing it again. Every program built, and every one packaged, is
# checked for run paths that would load libraries from the working folder.
set -eu
cd "$(dirname "$0")/.."
cmake --workflow --preset ci
tools/runpaths.sh build/ci
tools/package.sh
tests/chart/pictures.sh build/ci/src/zurezive
# The fleet playbook on the program just built, then installing the package just built.
contrib/fleet/check.sh build/ci/src/zurezive \
    "build/deb-$(dpkg --print-architecture)/cpu-tarvo-32_$(dpkg-parsechangelog -S Version)_$(dpkg --print-architecture).deb"
tests/e2e/run.sh activation.py build/ci/tests/e2e/activation_probe
tests/e2e/run.sh e2e.py build/ci/src/zurezive
tests/e2e/run.sh --wayland activation.py build/ci/tests/e2e/activation_probe
tests/e2e/run.sh --wayland e2e.py build/ci/src/zurezive
tests/e2e/run.sh scaling.py build/ci/src/zurezive
tests/e2e/run.sh graphique.py build/ci/src/zurezive
tests/e2e/run.sh --wayland graphique.py build/ci/src/zurezive
TARVO_E2E_SCALE=2 tests/e2e/run.sh graphique.py build/ci/src/zurezive
cmake --workflow --preset asan
tools/runpaths.sh build/asan
tools/fuzz.sh 60
tools/runpaths.sh build/fuzz
# The same program cross-built for arm64: its whole suite run through
# qemu-aarch64-static, then its package, cross-built by dpkg-buildpackage.
cmake --workflow --preset arm64
tools/runpaths.sh build/arm64
tools/package.sh arm64
