#!/usr/bin/env bash
# Builds everything and runs every test: the layer check, unit, adapter and
# widget tests, then the end-to-end scenarios under a private Xvfb with
# openbox. The Windows adapters are cross-built with mingw-w64 and their
# tests run under wine64 (scripts/test-win.sh) when both are installed. A second
# build with AddressSanitizer and UndefinedBehaviorSanitizer runs the unit,
# adapter and widget tests again; any sanitizer report fails. A third, with
# the do-nothing adapters, only has to link. Warnings are errors in all three.
# The fuzz targets, built by clang, replay their corpora.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WW_BUILD:-$root/build-test}
WW_BUILD=$build "$root/scripts/build.sh" -DWW_TESTS=ON -DWW_BENCH=ON -DWW_WERROR=ON
WW_BUILD=$build-sanitize "$root/scripts/build.sh" -DWW_TESTS=ON -DWW_BENCH=OFF -DWW_SANITIZE=ON \
  -DWW_WERROR=ON
# The do-nothing adapter set must link the program: an interface added to one
# set alone fails here.
WW_BUILD=$build-dummy "$root/scripts/build.sh" -DWW_PLATFORM=dummy -DWW_TESTS=OFF -DWW_BENCH=OFF \
  -DWW_WERROR=ON

# A private X server and window manager for the widget and end-to-end tests;
# the tests that need it fail, not skip, when it is missing.
source "$root/tests/e2e/xserver.sh"
start_xserver
trap stop_xserver EXIT
export WW_REQUIRE_DISPLAY=1

(cd "$build" && ctest --output-on-failure -j1 "$@")

# Libraries outside the program (fontconfig, GLib's type system) keep some
# memory for good; their leaks are listed in the suppressions file.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/sanitizer-suppressions.txt:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
(cd "$build-sanitize" && ctest --output-on-failure -j1 -LE e2e "$@")

# The fuzz targets, built by clang, run once over their corpora (the seeds and
# the inputs of past findings): seconds. scripts/fuzz.sh searches for longer.
if cxx=$(command -v clang++-14 || command -v clang++); then
  CC=${cxx/clang++/clang} CXX=$cxx cmake -S "$root" -B "$build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DWW_FUZZ=ON -DWW_TESTS=OFF -DWW_BENCH=OFF >/dev/null
  cmake --build "$build-fuzz" -j"$(nproc)" --target fuzz_targets
  (cd "$build-fuzz" && ctest --output-on-failure -L fuzz)
else
  echo "clang missing: the fuzz targets were not replayed" >&2
fi

if command -v x86_64-w64-mingw32-g++-posix >/dev/null &&
   { command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ]; }; then
  WW_WIN_BUILD=$build-win "$root/scripts/test-win.sh"
else
  echo "mingw-w64 or wine64 missing: the Windows adapters were not tested" >&2
fi
