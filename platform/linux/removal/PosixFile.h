#pragma once
// File handles and whole-file reads and writes over POSIX calls, shared by the
// trash, the settings writer and the autostart writer so that they agree on
// one durability rule: data synced before the rename, the folder after it.
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// The status of `name` in the folder `dirFd` without ever waiting on a file
// system: cached attributes only (a dead network or FUSE server is not asked),
// no automount, links not followed unless `follow`. `mountRoot`, when given,
// tells whether it is the root of a mount (a bind mount keeps the device, so
// only the kernel's mark shows it). False on failure, errno set.
bool StatNoWait(int dirFd, const char* name, struct stat& st, bool* mountRoot = nullptr,
                bool follow = false);

// Calls `each` with the status of the open folder `fd`, then of every folder
// above it, climbing with ".." (across mounts) up to the root, its own parent.
// Never by path text, so neither links nor bind mounts nor ".." fool it; the
// statuses are the cached ones (StatNoWait).
void ClimbToRoot(int fd, const std::function<void(const struct stat&)>& each);

// The names in the open folder `dirFd` (without "." and ".."), each with
// whether readdir knows it for a folder; read in full before anything in the
// folder changes.
bool ReadFolderNames(int dirFd, std::vector<std::pair<std::string, bool>>& names);

// A bind mount of the same file system keeps the device number, so only the
// kernel's mount-root mark tells it apart. When the kernel cannot say, the
// device check is all there is; any other failure counts as a mount.
bool IsMountRoot(int fd);

// Owns one file descriptor; -1 when empty.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& o) noexcept : fd_(o.release()) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

// An O_PATH handle of the folder `path` (links followed), found without
// waiting on a file system: from the kernel's lookup cache when it can; what
// is not cached is looked up by a helper thread, given a second. A lookup that
// takes longer (a server that stopped answering) is left to end on its own,
// and until it does the path fails at once with ETIMEDOUT.
UniqueFd OpenFolderNoWait(const std::string& path);

// write() until every byte is out; false on any error (errno tells).
bool WriteAll(int fd, std::string_view bytes);

// read() to the end, appending to `out`. False on an error, or when more than
// `limit` bytes come (a device or a runaway file must not eat the memory).
bool ReadAll(int fd, std::string& out, std::size_t limit = static_cast<std::size_t>(-1));

// Reads `name` in the folder `dirFd` (AT_FDCWD for a path) only when it is a
// regular file of at most `limit` bytes; never follows a link and never waits
// on a FIFO or a device.
bool ReadRegularFileAt(int dirFd, const std::string& name, std::string& out, std::size_t limit);

struct ReplaceOptions {
  mode_t mode = 0666;                 // for a new file, before the umask
  const struct stat* keep = nullptr;  // an old file whose mode and owner the new one takes
};

// Writes `bytes` to a fresh temporary file beside `name` in `dirFd`, syncs it
// and renames it over `name`, then syncs the folder: a reader, or a crash,
// sees the old content or the new, never a mix. The temporary file is named
// "." + name + "." + pid + "-..." so that StaleTemporaryFiles can find it.
bool ReplaceFileAt(int dirFd, const std::string& name, std::string_view bytes,
                   const ReplaceOptions& options = {});

// Removes what ReplaceFileAt left beside `name` when its writer was killed:
// the temporary files of processes that no longer run. Returns how many went.
int RemoveStaleTemporaryFiles(int dirFd, const std::string& name);

}  // namespace platform
