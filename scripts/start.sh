#!/usr/bin/env bash
# Builds WasteWell and starts it on the current desktop. Extra arguments go to
# the program (for example --program-folder DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
WW_BUILD=${WW_BUILD:-$root/build} "$root/scripts/build.sh" -DWW_TESTS=OFF -DWW_BENCH=OFF
exec "${WW_BUILD:-$root/build}/WasteWell" "$@"
