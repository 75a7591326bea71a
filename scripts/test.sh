#!/usr/bin/env bash
# Builds everything and runs every test: unit and widget tests, then the
# end-to-end scenarios under a private Xvfb with openbox.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WW_BUILD:-$root/build-test}
WW_BUILD=$build "$root/scripts/build.sh" -DWW_TESTS=ON -DWW_BENCH=ON

# A private X server and window manager for the widget and end-to-end tests.
source "$root/tests/e2e/xserver.sh"
start_xserver
trap stop_xserver EXIT

cd "$build"
ctest --output-on-failure -j1 "$@"
