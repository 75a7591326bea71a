#!/usr/bin/env bash
# Cross-builds the Windows adapters with mingw-w64 and runs their tests under
# wine64 in a private prefix made once per run: HOME, the trash and the
# prefix live in a temporary folder; no display; nothing installed from the
# network (Wine's Mono and Gecko offers are switched off).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WW_WIN_BUILD:-$root/build-win}
"$root/scripts/deps.sh"

wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

cmake -S "$root" -B "$build" -DWW_ADAPTERS_ONLY=ON -DWW_TESTS=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

work=$(mktemp -d "${TMPDIR:-/tmp}/ww-wine-XXXXXX")
cleanup() {
  WINEPREFIX="$work/prefix" "$wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home" "$work/tmp"
unset DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR
export HOME="$work/home" WINEPREFIX="$work/prefix" TMPDIR="$work/tmp"
export XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export XDG_CACHE_HOME="$work/home/.cache"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8

echo "Wine: $("$wine" --version 2>/dev/null || echo unknown); prefix $WINEPREFIX"
"$wine" wineboot --init >/dev/null 2>&1
# Wine's own service processes inherit a test's output and live as long as
# the server: a persistent server would keep ctest waiting for them.
"$wineserver" -w
cd "$build"
ctest --output-on-failure -j1 "$@"
