#pragma once
// Removing, measuring and listing folder trees relative to open folder
// descriptors, so that a link, or a folder swapped for a link half-way, never
// leads outside. Open files and memory stay bounded whatever the depth.
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"

namespace platform {

// The user's homes, HOME's and the password database's, by identity, which no
// walk enters, empties or removes wherever it meets them: through a bind
// mount's source, another mount of the same file system, a folder moved in.
// Nothing here waits on a file system: a home that cannot be reached now (a
// server that stopped answering) is known by its path alone.
class HomeGuard {
 public:
  // With `above`, also the folders above each home, climbing with "..".
  explicit HomeGuard(bool above = false);
  // A folder to empty or remove as a whole; `path` is how the caller named it.
  Guarded judge(const struct stat& st, const std::string& path) const;
  // Whether a folder met below is a home; `path` is its path, or "" when unknown.
  bool isHome(const struct stat& st, const std::string& path) const;
  bool byPath() const { return !paths_.empty(); }

 private:
  using Id = std::pair<dev_t, ino_t>;
  Id root_{0, 0};
  std::set<Id> homes_, above_;
  std::vector<std::string> paths_;  // homes not reached, as absolute normal paths
};

// Called with a folder's path just before it is opened for removal.
using DescendHook = std::function<void(const std::filesystem::path&)>;

struct RemoveRules {
  DescendHook hook;  // tests swap folders here
  // Folders of ours that lack the owner's read, write or search permission
  // get it before they are entered, as a read-only tree must go too.
  bool makeWritable = false;
  // Entries to leave in place, whatever they hold (a folder is not entered).
  std::function<bool(const struct stat&)> keep;
  // When set, the path of every entry that stayed is added (up to `stayedLimit`
  // paths and `stayedBytes` bytes of them: a deep tree's paths are long).
  std::vector<std::filesystem::path>* stayed = nullptr;
  std::size_t stayedLimit = 1000;
  std::size_t stayedBytes = std::size_t{4} << 20;
  std::int64_t* stayedCount = nullptr;  // when set, counts every entry that stayed
  // The homes to leave whole; when null they are read at the first folder met.
  const HomeGuard* homes = nullptr;
  // When set, the path of each home met (it stays, and counts as stayed).
  std::vector<std::filesystem::path>* homesMet = nullptr;
};

// Removes the entry `name` of the open folder `dirFd` with everything under
// it. Links are removed as links; a folder is only entered through
// openat(O_NOFOLLOW | O_DIRECTORY), and never when it lies on another device
// than `dev` or is a mount point (a bind mount keeps the device), which is
// decided before anything is opened there, nor when it is a home, which is
// checked again on the very folder opened. A folder of ours that stays (with
// something kept inside) gets its mode back. Goes on past
// what it cannot remove. True when the entry is gone. `shownDir` is the path
// of `dirFd`, for the hook and the report only. `removed` counts entries gone.
bool RemoveTreeAt(int dirFd, const std::string& name, dev_t dev, const RemoveRules& rules,
                  const std::filesystem::path& shownDir, std::int64_t* removed = nullptr);
bool RemoveTreeAt(int dirFd, const std::string& name, dev_t dev, const DescendHook& hook,
                  const std::filesystem::path& shownDir);

// Apparent size (st_size) of everything below the open folder `dirFd`,
// without following links (a link counts its own size) and without crossing
// into other devices or mounts. Folders add only what they hold; what cannot
// be read adds nothing.
std::int64_t TreeApparentSize(int dirFd);

}  // namespace platform
