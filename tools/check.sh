#!/bin/sh
# Builds and runs every test: the release build with warnings as errors, its
# Debian package, the end-to-end test on real windows, the whole suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets
# for a bounded time each.
set -eu
cd "$(dirname "$0")/.."
cmake --workflow --preset ci
tools/package.sh build/ci
tests/e2e/run.sh build/ci/src/zurezive
cmake --workflow --preset asan
tools/fuzz.sh 60
