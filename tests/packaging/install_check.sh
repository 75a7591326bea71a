#!/usr/bin/env bash
# `cmake --install` of the build folder into a fresh prefix: the program, what
# ships with it, the menu entry with its icons and the AppStream metadata, and
# the freedesktop validators' word on them; then the .deb, checked by lintian.
set -uo pipefail
build=$1
source_dir=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed"; exit 1; }

"$prefix/bin/wastewell" --version | grep -qx 'WasteWell 5.8.0.8' || fail "--version of the installed program"
for f in "$source_dir"/assets/*; do
  [ ! -f "$f" ] || cmp -s "$f" "$prefix/share/wastewell/${f##*/}" || fail "share/wastewell/${f##*/}"
done

desktop=$prefix/share/applications/wastewell.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
for line in Exec=wastewell Icon=wastewell; do grep -qx "$line" "$desktop" || fail "$line"; done

for side in 16 22 24 32 48 64 128 256; do
  # Square, of its size, with the key grey cut away: the corner transparent.
  icon=$prefix/share/icons/hicolor/${side}x${side}/apps/wastewell.png
  look=$(convert "$icon" -format '%wx%h %[fx:int(255*p{0,0}.a)]' info: 2>/dev/null)
  [ "$look" = "${side}x${side} 0" ] || fail "icon $side: $look"
done

metainfo=$prefix/share/metainfo/org.wastewell.WasteWell.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q '<release version="5.8.0.8"' "$metainfo" || fail "release 5.8.0.8"
grep -q '<launchable type="desktop-id">wastewell.desktop</launchable>' "$metainfo" ||
  fail "launchable"
# The Debian package, as Debian's own checker sees it: no error, no warning.
man --warnings -l "$prefix/share/man/man1/wastewell.1.gz" 2>&1 >/dev/null | grep . &&
  fail "the manual page has mistakes"
deb=$prefix/deb
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$deb" >"$prefix/cpack.log" 2>&1 ||
  { cat "$prefix/cpack.log"; fail "cpack"; }
lintian --fail-on error,warning --no-tag-display-limit "$deb"/wastewell_*.deb 2>&1 |
  grep -v 'root privileges' | tee "$prefix/lintian.log"
[ "${PIPESTATUS[0]}" = 0 ] || fail "lintian"
depends=$(dpkg-deb -f "$deb"/wastewell_*.deb Depends)
for lib in qt6-translations-l10n libcanberra0 libglib2.0-0 libqt6widgets6 libx11-6 libc6; do
  [[ $depends == *"$lib"* ]] || fail "the package depends on $lib: $depends"
done
exit $status
