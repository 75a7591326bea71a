#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# but only when one of them is missing.
set -euo pipefail
pkgs=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
      libx11-dev libxext-dev libxi-dev libcanberra-dev libglib2.0-dev libglib2.0-bin
      libgtest-dev google-mock libbenchmark-dev clang-format
      dpkg-dev desktop-file-utils appstream file
      xvfb openbox xdotool x11-utils xauth imagemagick trash-cli i3lock
      dbus-daemon dconf-service dconf-gsettings-backend at-spi2-core python3-pyatspi
      fonts-dejavu-core xdg-utils util-linux procps psmisc python3 python3-dbus python3-gi time
      btrfs-progs g++-mingw-w64-x86-64 wine64
      qt6-webengine-dev libqt6webenginecore6-bin qt6-translations-l10n lintian
      clang-14 libclang-rt-14-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
