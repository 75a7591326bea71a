#pragma once
// The one walk below a folder that removing, measuring and listing share. It
// holds one folder open at a time and keeps per level only the listing being
// worked through, so neither open files nor memory grow with the depth beyond
// a name per level. Links are never followed and other mounts never entered.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/removal/PosixFile.h"
#include "platform/portable/SaturatingSize.h"

namespace platform::walk {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

using Names = std::vector<std::pair<std::string, bool>>;  // name, known to be a folder

// What a visitor wants done with an entry it was shown.
enum class Next { kDone, kEnter };

// Depth first below the open folder `top` (taken over and closed). A folder is
// left through ".." and only if that leads back to the very folder (device
// and inode) it was entered from. The visitor has
//   void listed(int dirFd, Names& names)      // a folder's names, before any is visited
//   Next entry(int dirFd, const std::string& name, bool likelyDir)
//   bool accept(const struct stat& st)         // the folder opened: false leaves it
//   void entered(const std::string& name)      // after the folder was opened
//   void notEntered(int dirFd, const std::string& name, int err)  // err 0: another volume
//   void left(int dirFd, const std::string& name)  // after its content was visited
// False when the walk had to stop because the tree moved under it.
template <class Visitor>
bool WalkBelow(int top, dev_t dev, Visitor& v) {
  struct Level {
    ino_t ino = 0;
    Names names;
    std::size_t next = 0;
  };
  UniqueFd cur(top);
  std::vector<Level> levels(1);
  struct stat st;
  if (fstat(cur.get(), &st) != 0) return false;
  levels[0].ino = st.st_ino;
  ReadFolderNames(cur.get(), levels[0].names);
  v.listed(cur.get(), levels[0].names);
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next < level.names.size()) {
      const auto& [name, likelyDir] = level.names[level.next++];
      if (v.entry(cur.get(), name, likelyDir) != Next::kEnter) continue;
      // A mount point is known before it is opened: opening a dead server's
      // mount would wait for ever.
      bool mountRoot = false;
      if (StatNoWait(cur.get(), name.c_str(), st, &mountRoot) && (mountRoot || st.st_dev != dev)) {
        v.notEntered(cur.get(), name, 0);
        continue;
      }
      UniqueFd child(openat(cur.get(), name.c_str(), kOpenFolder));
      if (!child.ok()) {
        v.notEntered(cur.get(), name, errno);
        continue;
      }
      // One status of the folder opened serves the device, the mount mark
      // and the visitor: it may have been swapped since the look above.
      if (!StatNoWait(child.get(), "", st, &mountRoot) || mountRoot || st.st_dev != dev ||
          !v.accept(st)) {
        v.notEntered(cur.get(), name, 0);
        continue;
      }
      v.entered(name);
      Level inner;
      inner.ino = st.st_ino;
      ReadFolderNames(child.get(), inner.names);
      v.listed(child.get(), inner.names);
      cur = std::move(child);
      levels.push_back(std::move(inner));
      continue;
    }
    levels.pop_back();
    if (levels.empty()) break;
    UniqueFd up(openat(cur.get(), "..", kOpenFolder));
    if (!up.ok() || fstat(up.get(), &st) != 0 || st.st_dev != dev || st.st_ino != levels.back().ino)
      return false;  // moved elsewhere meanwhile: what ".." shows now is not ours
    cur = std::move(up);
    const Level& parent = levels.back();
    v.left(cur.get(), parent.names[parent.next - 1].first);
  }
  return true;
}

// Adds up the apparent sizes of the files below a folder; links count their
// own size, what cannot be read adds nothing, a sum past 64 bits stays at the top.
class SizeCounter {
 public:
  void listed(int, Names&) {}
  Next entry(int dirFd, const std::string& name, bool folder) {
    if (folder) return Next::kEnter;
    // One status serves the size and the mount mark: a file bound here
    // belongs to another volume.
    struct stat st;
    bool mountRoot = false;
    if (StatNoWait(dirFd, name.c_str(), st, &mountRoot) && !mountRoot && !S_ISDIR(st.st_mode))
      total = SaturatingAdd(total, static_cast<std::int64_t>(st.st_size));
    return Next::kDone;
  }
  bool accept(const struct stat&) { return true; }
  void entered(const std::string&) {}
  void notEntered(int, const std::string&, int) {}
  void left(int, const std::string&) {}

  std::int64_t total = 0;
};

}  // namespace platform::walk
