#!/usr/bin/env bash
# Breaks the safety-critical lines one at a time and checks that the tests
# named with each catch it. Slow (a rebuild per mutant): not part of
# scripts/test.sh. Each mutant is applied to the tree in place and undone on
# exit, whatever happens; the build tree is the test build.
#   scripts/mutants.sh [build dir] [only: a pattern of mutant names]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${WW_BUILD:-$root/build-test}}
only=${2:-}
[ -f "$build/CMakeCache.txt" ] || {
  echo "configure $build first (scripts/build.sh -DWW_TESTS=ON)" >&2
  exit 2
}
build=$(cd "$build" && pwd)
cd "$root"

names=() files=() originals=() replacements=() tests=()
# mutant NAME FILE ORIGINAL REPLACEMENT "TEST..."  (ORIGINAL must occur exactly once)
mutant() {
  names+=("$1") files+=("$2") originals+=("$3") replacements+=("$4") tests+=("$5")
}

L=platform/linux
# The deletion guard and its climb.
mutant guard-root $L/removal/SafeRemove.cpp 'if (id == root_) return Guarded::kRoot;' '' test_file_system
mutant guard-home $L/removal/SafeRemove.cpp 'if (homes_.count(id)) return Guarded::kHome;' '' test_file_system
mutant guard-above $L/removal/SafeRemove.cpp 'if (above_.count(id)) return Guarded::kHoldsHome;' '' test_file_system
mutant guard-inside $L/removal/SafeRemove.cpp 'if (homes_.count({st.st_dev, st.st_ino})) return true;' 'static_cast<void>(st);' test_file_system
mutant climb-stops-at-once $L/removal/PosixFile.cpp '    each(there);
    cur = std::move(up);' '    return;' test_file_system
# No-follow opens and stats.
mutant walk-follows $L/removal/TreeWalk.h 'O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC' 'O_RDONLY | O_DIRECTORY | O_CLOEXEC' \
  "test_file_system test_trash_empty"
mutant stat-follows $L/removal/PosixFile.cpp '(follow ? 0 : AT_SYMLINK_NOFOLLOW)' '(follow ? 0 : 0)' test_file_system
mutant remover-stat-follows $L/removal/SafeRemove.cpp 'if (!StatNoWait(dirFd, name.c_str(), st, &mountRoot)) {' \
  'if (!StatNoWait(dirFd, name.c_str(), st, &mountRoot, true)) {' test_file_system
mutant owner-full-follows $L/removal/SafeRemove.cpp 'O_PATH | O_NOFOLLOW | O_DIRECTORY | O_CLOEXEC));
  struct stat st;' 'O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct stat st;' test_file_system
# Mount crossing.
mutant walk-enters-mounts $L/removal/TreeWalk.h '&& (mountRoot || st.st_dev != dev)) {' '&& false) {' \
  "test_file_system test_trash_empty"
mutant walk-opened-mount $L/removal/TreeWalk.h '!StatNoWait(child.get(), "", st, &mountRoot) || mountRoot || st.st_dev != dev ||' \
  '!StatNoWait(child.get(), "", st, &mountRoot) ||' "test_file_system test_trash_empty"
mutant remover-mounts $L/removal/SafeRemove.cpp 'if (mountRoot || st.st_dev != dev_ || (rules_.keep && rules_.keep(st))) {' \
  'if (rules_.keep && rules_.keep(st)) {' "test_file_system test_trash_empty"
mutant size-counts-bound-file $L/removal/TreeWalk.h '&mountRoot) && !mountRoot && !S_ISDIR' '&mountRoot) && !S_ISDIR' test_file_system
# In-use matching.
mutant in-use-blind $L/removal/InUse.cpp 'held_.insert({st.st_dev, st.st_ino});' '{}' test_file_system
# Moves that never replace.
mutant restore-move-replaces $L/trash/TrashRestore.cpp 'parentFd, name.c_str(), RENAME_NOREPLACE) == 0)
      return 0;' 'parentFd, name.c_str(), 0) == 0)
      return 0;' test_trash_restore
mutant restore-copy-replaces $L/trash/TrashRestore.cpp 'renameat2(parentFd, temp.c_str(), parentFd, name.c_str(), RENAME_NOREPLACE)' \
  'renameat2(parentFd, temp.c_str(), parentFd, name.c_str(), 0)' test_trash_restore
mutant trash-move-replaces $L/trash/TrashMove.cpp 't.files.get(), candidate.c_str(), RENAME_NOREPLACE) == 0)' \
  't.files.get(), candidate.c_str(), 0) == 0)' "test_trash_move test_trash_restore"
# Identity checks after a question.
mutant restore-any-item $L/trash/TrashRestore.cpp '  if (!item.info.empty() && infoText != item.info) return false;' '  static_cast<void>(infoText);' test_trash_restore
mutant purge-any-item $L/trash/TrashPurge.cpp 'return a.ok && b.ok && a.fileDev' 'return a.ok && b.ok; return a.fileDev' test_trash_purge
mutant empty-changed-folder $L/removal/FileSystem.cpp 'if (options.expected.known() && !(options.expected == id))' \
  'if (false && !(options.expected == id))' "test_file_system test_form_temp_dir"
# The remembered volumes' lines.
mutant volumes-dotdot $L/trash/TrashIndex.cpp '"..") == 0)
      return false;' '"..") == 0)
      return true;' test_trash_hostile_data
mutant volumes-relative $L/trash/TrashIndex.cpp "top.empty() || top[0] != '/' ||" 'top.empty() ||' \
  test_trash_hostile_data
# Saturating sums.
mutant sum-wraps platform/portable/SaturatingSize.h 'return a > kMaxSize - b ? kMaxSize : a + b;' \
  'return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));' \
  "test_trash_hostile_data test_file_system"
mutant total-wraps platform/portable/SaturatingSize.h '    if (low_ < s) ++high_;' '' test_trash_hostile_data
# Listing caps.
mutant stayed-uncapped $L/removal/SafeRemove.cpp 'rules_.stayed->size() >= rules_.stayedLimit' 'false' \
  "test_file_system test_trash_empty"
mutant info-uncapped $L/trash/TrashList.cpp 'constexpr std::size_t kMaxInfoFile = 64 << 10;' \
  'constexpr std::size_t kMaxInfoFile = std::size_t(-1);' test_trash_hostile_data
# The restore's walk to the original folder follows no link.
mutant restore-walk-follows $L/trash/TrashRestore.cpp 'constexpr int kStepFolder = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;' \
  'constexpr int kStepFolder = O_PATH | O_DIRECTORY | O_CLOEXEC;' test_trash_restore
# A combination pressed while a locker holds the keyboard is not taken.
mutant keys-while-locked $L/session/X11KeyState.cpp 'return result == AlreadyGrabbed || result == GrabFrozen;' \
  'return false;' test_x11_keystate

backup=$(mktemp)
current=""
undo() {
  if [ -n "$current" ]; then
    cat "$backup" >"$current" # a new time stamp: the next build compiles it again
    current=""
  fi
}
trap 'undo; rm -f "$backup"; [ -z "${xserver:-}" ] || stop_xserver' EXIT
trap 'exit 130' INT TERM HUP PIPE

caught=0 missed=0
once() { python3 -c 'import sys; print(open(sys.argv[1]).read().count(sys.argv[2]))' "$1" "$2"; }
if [ -n "${MUTANTS_LIST:-}" ]; then # the list, each with how often its line occurs (must be 1)
  for i in "${!names[@]}"; do
    echo "$(once "${files[$i]}" "${originals[$i]}") ${names[$i]} ${files[$i]}: ${tests[$i]}"
  done
  exit 0
fi
for i in "${!names[@]}"; do
  name=${names[$i]} file=${files[$i]}
  [ -z "$only" ] || [[ $name == *$only* ]] || continue
  if [ "$(once "$file" "${originals[$i]}")" != 1 ]; then
    echo "STALE   $name: its line is not once in $file"
    missed=$((missed + 1))
    continue
  fi
  if [[ " ${tests[$i]} " == *" test_x11_keystate "* ]] && [ -z "${xserver:-}" ]; then
    # shellcheck source=/dev/null
    source tests/e2e/xserver.sh
    start_xserver
    export WW_REQUIRE_DISPLAY=1
    xserver=1
  fi
  cp "$file" "$backup"
  current=$file
  python3 -c 'import sys; p, a, b = sys.argv[1:]; s = open(p).read(); open(p, "w").write(s.replace(a, b))' \
    "$file" "${originals[$i]}" "${replacements[$i]}"
  read -r -a targets <<<"${tests[$i]}"
  if ! cmake --build "$build" -j2 --target "${targets[@]}" >"$build/mutant.log" 2>&1; then
    verdict="broken"
  elif (cd "$build" && ctest -j1 --timeout 300 -R "^($(
    IFS='|'
    echo "${targets[*]}"
  ))\$" >>"$build/mutant.log" 2>&1); then
    verdict=""
  else
    verdict="caught"
  fi
  undo
  if [ "$verdict" = broken ]; then
    missed=$((missed + 1))
    echo "BROKEN  $name ($file): the mutant does not build (see $build/mutant.log)"
  elif [ -n "$verdict" ]; then
    caught=$((caught + 1))
    echo "CAUGHT  $name ($file) by ${tests[$i]}"
  else
    missed=$((missed + 1))
    echo "MISSED  $name ($file) by ${tests[$i]}"
  fi
done
echo "$caught caught, $missed missed"
