#!/bin/sh
# Builds and runs every test: the release build with warnings as errors.
set -eu
cd "$(dirname "$0")/.."
cmake --workflow --preset ci
