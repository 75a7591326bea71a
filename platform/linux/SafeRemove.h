#pragma once
// Walking and removing folder trees relative to open folder descriptors, so
// that a link, or a folder swapped for a link half-way, never leads outside.
// The walks hold one folder open at a time and keep no paths, so neither the
// open files nor the memory grow with the depth beyond a name per level.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Called with a folder's path just before it is opened for removal.
using DescendHook = std::function<void(const std::filesystem::path&)>;

// Removes the entry `name` of the open folder `dirFd` with everything under
// it. Links are removed as links; a folder is only entered through
// openat(O_NOFOLLOW | O_DIRECTORY), and never when it lies on another device
// than `dev` or is a mount point (a bind mount keeps the device). Goes on past
// what it cannot remove. True when the entry is gone. `shownDir` is the path
// of `dirFd`, for the hook only.
bool RemoveTreeAt(int dirFd, const std::string& name, dev_t dev, const DescendHook& hook,
                  const std::filesystem::path& shownDir);

// The names in the open folder `dirFd` (without "." and ".."), each with
// whether readdir knows it for a folder; read in full before anything in the
// folder changes.
bool ReadFolderNames(int dirFd, std::vector<std::pair<std::string, bool>>& names);

// Apparent size (st_size) of everything below the open folder `dirFd`,
// without following links (a link counts its own size) and without crossing
// into other devices or mounts. Folders add only what they hold.
std::int64_t TreeApparentSize(int dirFd);

// A bind mount of the same file system keeps the device number, so only the
// kernel's mount-root mark tells it apart. When the kernel cannot say, the
// device check is all there is; any other failure counts as a mount.
bool IsMountRoot(int fd);

}  // namespace platform
