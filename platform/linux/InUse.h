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
  bool holds(const struct stat& st) const { return held_.count({st.st_dev, st.st_ino}) != 0; }
  std::size_t size() const { return held_.size(); }

 private:
  std::set<std::pair<dev_t, ino_t>> held_;
};

}  // namespace platform
