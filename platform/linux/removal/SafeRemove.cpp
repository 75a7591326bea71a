#include "platform/linux/removal/SafeRemove.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

#include "platform/linux/removal/PosixFile.h"
#include "platform/linux/removal/TreeWalk.h"

namespace platform {

using walk::Names;
using walk::Next;

namespace {

// Gives the owner full access to the folder `name` itself, never to what a
// link there points to: the change goes through a handle of the folder. The
// mode it had, or -1 when it was left as it was.
int MakeOwnerFull(int dirFd, const std::string& name) {
  UniqueFd fd(openat(dirFd, name.c_str(), O_PATH | O_NOFOLLOW | O_DIRECTORY | O_CLOEXEC));
  struct stat st;
  if (!fd.ok() || fstat(fd.get(), &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
  const std::string handle = "/proc/self/fd/" + std::to_string(fd.get());
  return chmod(handle.c_str(), (st.st_mode & 07777) | S_IRWXU) == 0 ? int(st.st_mode & 07777) : -1;
}

// Puts back the mode of a folder that stayed, through a handle of the folder.
void RestoreMode(int dirFd, const std::string& name, int mode) {
  UniqueFd fd(openat(dirFd, name.c_str(), O_PATH | O_NOFOLLOW | O_DIRECTORY | O_CLOEXEC));
  if (!fd.ok()) return;
  const std::string handle = "/proc/self/fd/" + std::to_string(fd.get());
  chmod(handle.c_str(), static_cast<mode_t>(mode));
}

// An absolute path without ".", ".." or a trailing separator; "" when relative.
std::string NormalPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return {};
  std::string s = std::filesystem::path(path).lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

class Remover {
 public:
  Remover(dev_t dev, const RemoveRules& rules, const std::filesystem::path& shown)
      : dev_(dev),
        rules_(rules),
        tracked_(rules.hook || rules.stayed || rules.homesMet),
        shown_(shown.string()) {}

  void listed(int, Names&) {}

  Next entry(int dirFd, const std::string& name, bool likelyDir) {
    gone = true;
    // Most entries are files: unlinking first saves a stat. unlinkat without
    // AT_REMOVEDIR never removes a folder, so this is safe whatever it is now.
    if (!rules_.keep && !likelyDir && unlinkat(dirFd, name.c_str(), 0) == 0) {
      ++removed;
      return Next::kDone;
    }
    struct stat st;
    bool mountRoot = false;
    if (!StatNoWait(dirFd, name.c_str(), st, &mountRoot)) {
      gone = errno == ENOENT;
      if (!gone) report(name);
      return Next::kDone;
    }
    // Something mounted here belongs to another volume, or is a file or
    // folder bound over ours: not ours to empty.
    if (mountRoot || st.st_dev != dev_ || (rules_.keep && rules_.keep(st))) {
      gone = false;
      report(name);
      return Next::kDone;
    }
    if (!S_ISDIR(st.st_mode)) {
      unlinked(dirFd, name, 0);
      return Next::kDone;
    }
    gone = false;
    if (home(st, tracked_ ? Child(name) : std::string())) {
      report(name);
      return Next::kDone;
    }
    int mode = -1;
    if (rules_.makeWritable && st.st_uid == geteuid() && (st.st_mode & S_IRWXU) != S_IRWXU)
      mode = MakeOwnerFull(dirFd, name);
    modes_.push_back(mode);
    if (tracked_) push(name);
    if (rules_.hook) rules_.hook(shown_);
    return Next::kEnter;
  }

  // The folder just opened, which may have been swapped since entry() looked.
  bool accept(const struct stat& st) { return !home(st, tracked_ ? shown_ : std::string()); }

  void entered(const std::string&) {}

  void notEntered(int dirFd, const std::string& name, int err) {
    if (tracked_) pop();
    const int mode = modes_.back();
    modes_.pop_back();
    if (err == ENOENT) {
      gone = true;
    } else if (err == ELOOP || err == ENOTDIR) {
      // It became a link or a file since we looked: remove that, never its target.
      unlinked(dirFd, name, 0);
    } else if (err != 0) {
      // Unreadable: it can still go if it happens to be empty.
      unlinked(dirFd, name, AT_REMOVEDIR);
    } else {
      gone = false;
      report(name);
    }
    if (!gone && mode >= 0) RestoreMode(dirFd, name, mode);
  }

  void left(int dirFd, const std::string& name) {
    if (tracked_) pop();
    const int mode = modes_.back();
    modes_.pop_back();
    // Whatever stayed inside makes this fail with ENOTEMPTY: the folder stays,
    // and what kept it is reported already.
    gone = unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) == 0;
    if (gone) ++removed;
    if (!gone && errno == ENOENT) gone = true;
    if (!gone && errno != ENOTEMPTY && errno != EEXIST) report(name);
    if (!gone && mode >= 0) RestoreMode(dirFd, name, mode);
  }

  bool gone = false;  // whether the last entry dealt with is gone
  std::int64_t removed = 0;

 private:
  // Whether the folder with this status, at `path` ("" when unknown), is a
  // home; it is noted when it is.
  bool home(const struct stat& st, const std::string& path) {
    if (!rules_.homes && !ownHomes_) ownHomes_.emplace();
    const HomeGuard& guard = rules_.homes ? *rules_.homes : *ownHomes_;
    if (!guard.isHome(st, path)) return false;
    if (rules_.homesMet) rules_.homesMet->push_back(path);
    return true;
  }

  std::string Child(const std::string& name) const {
    return shown_.empty() || shown_.back() == '/' ? shown_ + name : shown_ + '/' + name;
  }

  void unlinked(int dirFd, const std::string& name, int flags) {
    gone = unlinkat(dirFd, name.c_str(), flags) == 0;
    if (gone) ++removed;
    if (!gone && errno == ENOENT) gone = true;
    if (!gone) report(name);
  }

  // The shown path grows and shrinks in place: a copy per level would cost
  // the square of the depth.
  void push(const std::string& name) {
    if (shown_.empty() || shown_.back() != '/') shown_ += '/';
    shown_ += name;
  }
  void pop() {
    const std::size_t slash = shown_.find_last_of('/');
    shown_.resize(slash == std::string::npos ? 0 : slash == 0 ? 1 : slash);
  }

  void report(const std::string& name) {
    if (rules_.stayedCount) ++*rules_.stayedCount;
    if (!rules_.stayed || rules_.stayed->size() >= rules_.stayedLimit) return;
    const std::size_t size = shown_.size() + 1 + name.size();
    if (stayedBytes_ + size > rules_.stayedBytes) return;
    stayedBytes_ += size;
    rules_.stayed->push_back(std::filesystem::path(shown_) / name);
  }

  dev_t dev_;
  const RemoveRules& rules_;
  bool tracked_;
  std::string shown_;
  std::vector<int> modes_;  // per folder entered: the mode to put back if it stays, or -1
  std::size_t stayedBytes_ = 0;
  std::optional<HomeGuard> ownHomes_;
};

}  // namespace

HomeGuard::HomeGuard(bool above) {
  struct stat st;
  if (StatNoWait(AT_FDCWD, "/", st)) root_ = {st.st_dev, st.st_ino};
  std::vector<std::string> homes;
  if (const char* env = std::getenv("HOME"); env && *env) homes.emplace_back(env);
  for (uid_t uid : {getuid(), geteuid()}) {
    std::vector<char> buf(16384);
    passwd pw, *found = nullptr;
    if (getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
        *found->pw_dir)
      homes.emplace_back(found->pw_dir);
  }
  for (const std::string& home : homes) {
    UniqueFd fd = OpenFolderNoWait(home);
    if (!fd.ok() || !StatNoWait(fd.get(), "", st)) {
      // A home that does not exist holds nothing; one out of reach is kept by its path.
      if (errno != ENOENT && errno != ENOTDIR)
        if (std::string path = NormalPath(home); !path.empty()) paths_.push_back(path);
      continue;
    }
    homes_.insert({st.st_dev, st.st_ino});
    if (above) {
      bool first = true;
      ClimbToRoot(fd.get(), [&](const struct stat& s) {
        if (!first) above_.insert({s.st_dev, s.st_ino});
        first = false;
      });
    }
  }
}

Guarded HomeGuard::judge(const struct stat& st, const std::string& path) const {
  const Id id{st.st_dev, st.st_ino};
  if (id == root_) return Guarded::kRoot;
  if (homes_.count(id)) return Guarded::kHome;
  if (above_.count(id)) return Guarded::kHoldsHome;
  const std::string folder = NormalPath(path);
  if (folder.empty()) return Guarded::kNo;
  for (const std::string& home : paths_) {
    if (home == folder) return Guarded::kHome;
    if (folder == "/" || home.compare(0, folder.size() + 1, folder + '/') == 0)
      return Guarded::kHoldsHome;
  }
  return Guarded::kNo;
}

bool HomeGuard::isHome(const struct stat& st, const std::string& path) const {
  if (homes_.count({st.st_dev, st.st_ino})) return true;
  if (paths_.empty() || path.empty()) return false;
  const std::string folder = NormalPath(path);
  for (const std::string& home : paths_)
    if (home == folder) return true;
  return false;
}

bool RemoveTreeAt(int dirFd, const std::string& name, dev_t dev, const RemoveRules& rules,
                  const std::filesystem::path& shownDir, std::int64_t* removed) {
  Remover remover(dev, rules, shownDir);
  auto done = [&] {
    if (removed) *removed += remover.removed;
    return remover.gone;
  };
  if (remover.entry(dirFd, name, false) == Next::kDone) return done();
  // entry() decided, without opening it, that it is no mount point.
  UniqueFd fd(openat(dirFd, name.c_str(), walk::kOpenFolder));
  if (!fd.ok()) {
    remover.notEntered(dirFd, name, errno);
    return done();
  }
  struct stat opened;
  bool mountRoot = false;
  if (!StatNoWait(fd.get(), "", opened, &mountRoot) || mountRoot || opened.st_dev != dev ||
      !remover.accept(opened)) {
    remover.notEntered(dirFd, name, 0);
    return done();
  }
  walk::WalkBelow(fd.release(), dev, remover);
  remover.left(dirFd, name);
  return done();
}

bool RemoveTreeAt(int dirFd, const std::string& name, dev_t dev, const DescendHook& hook,
                  const std::filesystem::path& shownDir) {
  RemoveRules rules;
  rules.hook = hook;
  return RemoveTreeAt(dirFd, name, dev, rules, shownDir);
}

std::int64_t TreeApparentSize(int dirFd) {
  struct stat self;
  bool mountRoot = false;
  if (!StatNoWait(dirFd, "", self, &mountRoot) || mountRoot) return 0;
  const int own = fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) return 0;
  walk::SizeCounter m;
  walk::WalkBelow(own, self.st_dev, m);
  return m.total;
}

}  // namespace platform
