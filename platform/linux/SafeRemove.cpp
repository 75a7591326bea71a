#include "platform/linux/SafeRemove.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/PosixFile.h"

namespace platform {

namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsDotOrDotDot(const char* n) {
  return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

bool UnlinkGone(int dirFd, const char* name, int flags) {
  return unlinkat(dirFd, name, flags) == 0 || errno == ENOENT;
}

// What a visitor wants done with an entry it was shown.
enum class Next { kDone, kEnter };

// Depth first below the open folder `top` (taken over and closed), holding
// one folder open at a time: a folder is left through ".." and kept only if
// that leads back to the very folder (device and inode) it was entered from.
// Per level only the listing being worked through is kept. The visitor has
//   Next entry(int dirFd, const std::string& name, bool likelyDir)
//   void notEntered(int dirFd, const std::string& name, int err)  // err 0: other volume
//   void left(int dirFd, const std::string& name)  // after its content was visited
// False when the walk had to stop because the tree moved under it.
template <class Visitor>
bool WalkBelow(int top, dev_t dev, Visitor& v) {
  struct Level {
    ino_t ino = 0;
    std::vector<std::pair<std::string, bool>> names;
    std::size_t next = 0;
  };
  UniqueFd cur(top);
  std::vector<Level> levels(1);
  struct stat st;
  if (fstat(cur.get(), &st) != 0) return false;
  levels[0].ino = st.st_ino;
  ReadFolderNames(cur.get(), levels[0].names);
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next < level.names.size()) {
      const auto& [name, likelyDir] = level.names[level.next++];
      if (v.entry(cur.get(), name, likelyDir) != Next::kEnter) continue;
      UniqueFd child(openat(cur.get(), name.c_str(), kOpenFolder));
      if (!child.ok()) {
        v.notEntered(cur.get(), name, errno);
        continue;
      }
      if (fstat(child.get(), &st) != 0 || st.st_dev != dev || IsMountRoot(child.get())) {
        v.notEntered(cur.get(), name, 0);
        continue;
      }
      Level inner;
      inner.ino = st.st_ino;
      ReadFolderNames(child.get(), inner.names);
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

class Remover {
 public:
  Remover(dev_t dev, const DescendHook& hook, std::filesystem::path shown)
      : dev_(dev), hook_(hook), shown_(std::move(shown)) {}

  Next entry(int dirFd, const std::string& name, bool likelyDir) {
    // Most entries are files: unlinking first saves a stat. unlinkat without
    // AT_REMOVEDIR never removes a folder, so this is safe whatever it is now.
    gone = true;
    if (!likelyDir && UnlinkGone(dirFd, name.c_str(), 0)) return Next::kDone;
    struct stat st;
    if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      gone = errno == ENOENT;
      return Next::kDone;
    }
    if (!S_ISDIR(st.st_mode)) {
      gone = likelyDir && UnlinkGone(dirFd, name.c_str(), 0);
      return Next::kDone;
    }
    gone = false;
    // Something mounted here belongs to another volume: not ours to empty.
    if (st.st_dev != dev_) return Next::kDone;
    if (hook_) {
      shown_ /= name;
      hook_(shown_);
    }
    return Next::kEnter;
  }

  void notEntered(int dirFd, const std::string& name, int err) {
    if (hook_) shown_ = shown_.parent_path();
    if (err == ENOENT) {
      gone = true;
    } else if (err == ELOOP || err == ENOTDIR) {
      // It became a link or a file since we looked: remove that, never its target.
      gone = UnlinkGone(dirFd, name.c_str(), 0);
    } else if (err != 0) {
      // Unreadable: it can still go if it happens to be empty.
      gone = UnlinkGone(dirFd, name.c_str(), AT_REMOVEDIR);
    } else {
      gone = false;
    }
  }

  void left(int dirFd, const std::string& name) {
    if (hook_) shown_ = shown_.parent_path();
    // Whatever stayed inside makes this fail with ENOTEMPTY: the folder stays.
    gone = UnlinkGone(dirFd, name.c_str(), AT_REMOVEDIR);
  }

  bool gone = false;  // whether the last entry dealt with is gone

 private:
  dev_t dev_;
  const DescendHook& hook_;
  std::filesystem::path shown_;
};

class Measurer {
 public:
  Next entry(int dirFd, const std::string& name, bool likelyDir) {
    if (likelyDir) return Next::kEnter;
    struct stat st;
    if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Next::kDone;
    if (S_ISDIR(st.st_mode)) return Next::kEnter;
    total += static_cast<std::int64_t>(st.st_size);
    return Next::kDone;
  }
  void notEntered(int, const std::string&, int) {}
  void left(int, const std::string&) {}

  std::int64_t total = 0;
};

}  // namespace

bool IsMountRoot(int fd) {
  struct statx sx;
  if (statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_TYPE, &sx) != 0)
    return errno != ENOSYS;
  return (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
         (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

bool RemoveTreeAt(int dirFd, const std::string& name, dev_t dev, const DescendHook& hook,
                  const std::filesystem::path& shownDir) {
  Remover remover(dev, hook, shownDir);
  if (remover.entry(dirFd, name, false) == Next::kDone) return remover.gone;
  UniqueFd fd(openat(dirFd, name.c_str(), kOpenFolder));
  if (!fd.ok()) {
    remover.notEntered(dirFd, name, errno);
    return remover.gone;
  }
  struct stat opened;
  if (fstat(fd.get(), &opened) != 0 || opened.st_dev != dev || IsMountRoot(fd.get())) return false;
  WalkBelow(fd.release(), dev, remover);
  remover.left(dirFd, name);
  return remover.gone;
}

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
  const int own = fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) return 0;
  Measurer m;
  WalkBelow(own, self.st_dev, m);
  return m.total;
}

}  // namespace platform
