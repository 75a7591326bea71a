#!/usr/bin/env bash
# Builds and runs every benchmark; each prints our figure beside a peer's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WW_BUILD:-$root/build-test}
WW_BUILD=$build "$root/scripts/build.sh" -DWW_TESTS=ON -DWW_BENCH=ON
source "$root/tests/e2e/xserver.sh"
start_xserver
trap stop_xserver EXIT
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
