#include "platform/linux/SafeRemove.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {

namespace {

bool IsDotOrDotDot(const char* n) {
  return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

bool UnlinkGone(int dirFd, const char* name, int flags) {
  return unlinkat(dirFd, name, flags) == 0 || errno == ENOENT;
}

// A bind mount of the same file system keeps the device number, so only the
// kernel's mount-root mark tells it apart. When the kernel cannot say, the
// device check is all there is; any other failure counts as a mount.
bool IsMountRoot(int fd) {
  struct statx sx;
  if (statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_TYPE, &sx) != 0)
    return errno != ENOSYS;
  return (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
         (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

}  // namespace

namespace {

bool RemoveAt(int dirFd, const std::string& name, bool likelyDir, dev_t dev,
              const DescendHook& hook, const std::filesystem::path& shownParent) {
  // Most entries are files: unlinking first saves a stat. unlinkat without
  // AT_REMOVEDIR never removes a folder, so this is safe whatever it is now.
  if (!likelyDir && UnlinkGone(dirFd, name.c_str(), 0)) return true;
  struct stat st;
  if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return likelyDir && UnlinkGone(dirFd, name.c_str(), 0);
  // Something mounted here belongs to another volume: not ours to empty.
  if (st.st_dev != dev) return false;

  const std::filesystem::path shownPath = shownParent / name;
  if (hook) hook(shownPath);
  int fd = openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    if (err == ENOENT) return true;
    // It became a link or a file since we looked: remove that, never its target.
    if (err == ELOOP || err == ENOTDIR) return UnlinkGone(dirFd, name.c_str(), 0);
    // Unreadable: it can still go if it happens to be empty.
    return UnlinkGone(dirFd, name.c_str(), AT_REMOVEDIR);
  }
  struct stat opened;
  if (fstat(fd, &opened) != 0 || opened.st_dev != dev || IsMountRoot(fd)) {
    close(fd);
    return false;
  }
  std::vector<std::pair<std::string, bool>> names;
  ReadFolderNames(fd, names);
  for (const auto& [child, isDir] : names) {
    RemoveAt(fd, child, isDir, dev, hook, shownPath);
  }
  close(fd);
  // Whatever stayed inside makes this fail with ENOTEMPTY: the folder stays.
  return UnlinkGone(dirFd, name.c_str(), AT_REMOVEDIR);
}

}  // namespace

bool RemoveTreeAt(int dirFd, const std::string& name, dev_t dev, const DescendHook& hook,
                  const std::filesystem::path& shownDir) {
  return RemoveAt(dirFd, name, false, dev, hook, shownDir);
}

namespace {

std::int64_t SumBelow(int dirFd, dev_t dev) {
  std::vector<std::pair<std::string, bool>> names;
  if (!ReadFolderNames(dirFd, names)) return 0;
  std::int64_t total = 0;
  for (const auto& [name, isDir] : names) {
    if (!isDir) {
      struct stat st;
      if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (!S_ISDIR(st.st_mode)) {
        total += static_cast<std::int64_t>(st.st_size);
        continue;
      }
    }
    int sub = openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0) continue;
    struct stat subSt;
    if (fstat(sub, &subSt) == 0 && subSt.st_dev == dev && !IsMountRoot(sub))
      total += SumBelow(sub, dev);
    close(sub);
  }
  return total;
}

}  // namespace

bool ReadFolderNames(int dirFd, std::vector<std::pair<std::string, bool>>& names) {
  int dupFd = fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
  if (dupFd < 0) return false;
  DIR* d = fdopendir(dupFd);
  if (!d) {
    close(dupFd);
    return false;
  }
  rewinddir(d);  // the copy shares its offset with dirFd
  while (dirent* e = readdir(d)) {
    if (!IsDotOrDotDot(e->d_name)) names.emplace_back(e->d_name, e->d_type == DT_DIR);
  }
  closedir(d);
  return true;
}

std::int64_t TreeApparentSize(int dirFd) {
  struct stat self;
  if (fstat(dirFd, &self) != 0 || IsMountRoot(dirFd)) return 0;
  return SumBelow(dirFd, self.st_dev);
}

}  // namespace platform
