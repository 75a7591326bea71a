#pragma once
// The mounted volumes of this process, read from /proc/self/mountinfo, and a
// cheap way to learn that the table changed.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

struct MountEntry {
  std::filesystem::path mountPoint;
  std::string fsType;
  dev_t device = 0;  // the superblock's, written "major:minor" in decimal
  bool readOnly = false;
};

// Parses the text of /proc/self/mountinfo (mount points are unescaped).
std::vector<MountEntry> ParseMountInfo(const std::string& text);

// Kernel and pseudo file systems that never hold a user's trash, plus those
// whose mere access can hang or trigger mounts (autofs, gvfs).
bool IsVirtualFileSystem(const std::string& fsType);

// The top directories of the volumes a trash may live on: real file systems
// that the user can read, each path once, in mount order.
std::vector<std::filesystem::path> VolumeTopDirs(const std::vector<MountEntry>& mounts);

// Keeps /proc/self/mountinfo open; changed() is one poll() without waiting.
class MountWatcher {
 public:
  MountWatcher();
  ~MountWatcher();
  MountWatcher(const MountWatcher&) = delete;
  MountWatcher& operator=(const MountWatcher&) = delete;

  // True when the table changed since the last call (and on the first call).
  bool changed();
  // The current table.
  std::vector<MountEntry> read();

 private:
  int fd_ = -1;
  bool first_ = true;
};

}  // namespace platform
