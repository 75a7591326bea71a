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
           (heldInodes_.count(st.st_ino) != 0 && exactDevices_.count(st.st_dev) == 0);
  }
  std::size_t size() const { return held_.size() + heldInodes_.size(); }

 private:
  std::set<std::pair<dev_t, ino_t>> held_;
  // Maps and locks name the superblock's device; on btrfs stat gives each
  // subvolume a device of its own, which mountinfo need not show. So the
  // pair must match only on devices that a mount of another kind shows;
  // anywhere else the inode alone decides: a file too many kept rather than
  // one too few.
  std::set<std::pair<dev_t, ino_t>> heldByMap_;
  std::set<ino_t> heldInodes_;
  std::set<dev_t> exactDevices_;
};

}  // namespace platform
