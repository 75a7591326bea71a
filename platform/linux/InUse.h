#pragma once
// What running programs hold: the files and folders that a process has open,
// runs, maps or works in, and the files locked with flock or fcntl, as /proc
// shows them to us. Taken once, before a deletion.
#include <sys/stat.h>

#include <set>
#include <string>
#include <utility>

namespace platform {

class InUse {
 public:
  // Reads /proc now; `procRoot` for tests only.
  explicit InUse(const std::string& procRoot = "/proc");
  bool holds(const struct stat& st) const {
    return held_.count({st.st_dev, st.st_ino}) != 0 || heldByMap_.count({st.st_dev, st.st_ino}) ||
           (heldInodes_.count(st.st_ino) != 0 && mountDevices_.count(st.st_dev) == 0);
  }
  std::size_t size() const { return held_.size() + heldInodes_.size(); }

 private:
  std::set<std::pair<dev_t, ino_t>> held_;
  // Maps and locks name the superblock's device, as mountinfo does; on btrfs
  // stat gives each subvolume a device of its own. A file whose device no
  // mount shows is matched by inode alone: a file too many kept rather than
  // one too few. Elsewhere the pair must match.
  std::set<std::pair<dev_t, ino_t>> heldByMap_;
  std::set<ino_t> heldInodes_;
  std::set<dev_t> mountDevices_;
};

}  // namespace platform
