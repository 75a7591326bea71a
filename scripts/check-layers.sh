#!/usr/bin/env bash
# The layers run one way: start-up (app/) on top, then the windows (bin/,
# tools/, weather/), then shape/, then settings access (settings/) and
# platform/. Fails naming every include that points upwards, every system
# header above platform/, and any exclude pattern in the build that could
# hide a cycle.
set -uo pipefail
cd "$(dirname "$0")/.."
status=0

# forbid FOLDERS... -- PATTERN: no file in the folders includes a matching header.
forbid() {
  local dirs=() pattern
  while [ "$1" != "--" ]; do dirs+=("$1"); shift; done
  pattern=$2
  local hits
  hits=$(grep -rnE --include='*.cpp' --include='*.h' "^#include [<\"]($pattern)" "${dirs[@]}" 2>/dev/null)
  if [ -n "$hits" ]; then
    echo "$hits"
    status=1
  fi
}

windows='bin/|tools/|weather/'
forbid platform -- "app/|settings/|shape/|$windows"
forbid settings -- "app/|shape/|$windows"
forbid shape -- "app/|$windows"
# A tool or the weather reaches the bin only through tools/Tool.h's host.
forbid tools weather -- 'app/|bin/'
# The bin knows the tool interface, not the tools.
forbid bin -- 'app/|tools/[^/"]+/|weather/'
# Every key is read and written through the settings table; the file reader
# itself is the settings folder's own (tests may read files back with it).
forbid app bin shape tools weather -- 'settings/ModIni\.h'
# The Linux adapters by kind: deleting for good stands on its own; the trash
# and the desktop session use it and never each other.
forbid platform/linux/removal -- 'platform/linux/(trash|session)/'
forbid platform/linux/trash -- 'platform/linux/session/'
forbid platform/linux/session -- 'platform/linux/trash/'
# No system calls above platform/.
forbid app bin shape tools weather -- 'X11/|xcb|gio/|glib|canberra|unistd\.h|sys/|fcntl\.h|signal\.h|csignal|windows\.h'

if grep -nE 'EXCLUDE|REMOVE_ITEM' CMakeLists.txt | grep -v 'app/main.cpp'; then
  echo "an exclude pattern in CMakeLists.txt"
  status=1
fi
[ $status -eq 0 ] && echo "layers: one way"
exit $status
