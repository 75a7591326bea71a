#!/usr/bin/env bash
# Configures and builds into build/ (or $WW_BUILD).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WW_BUILD:-$root/build}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
