// Moving items into the trash of their own volume. Every check that keeps an
// item where it is compares folder identities (device and inode), not path
// texts, so that no alias, bind mount, ".." or link gets round it.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <map>
#include <set>

#include "platform/linux/trash/TrashInfo.h"
#include "platform/linux/trash/TrashList.h"
#include "platform/linux/trash/TrashState.h"

namespace platform {

namespace fs = std::filesystem;
using namespace trash;

namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr int kFindFolder = O_PATH | O_DIRECTORY | O_CLOEXEC;
constexpr int kMaxClimb = 4096;  // deeper than any real path; ends a loop on a broken tree

// A trash folder opened for moving items into it.
struct OpenTrash {
  int error = 0;
  std::string path;
  std::string topDir;  // empty for the home trash
  UniqueFd info, files;
};

int OpenSubfolders(int trashFd, OpenTrash& t) {
  for (const char* sub : {"info", "files"}) {
    if (mkdirat(trashFd, sub, 0700) != 0 && errno != EEXIST) return errno;
  }
  t.info.reset(openat(trashFd, "info", kOpenFolder));
  if (!t.info.ok()) return errno;
  t.files.reset(openat(trashFd, "files", kOpenFolder));
  if (!t.files.ok()) return errno;
  return 0;
}

// Reserves a name with an O_EXCL info file, then renames the item in under
// that name without ever replacing anything. 0 or the errno that kept it.
int MoveInto(OpenTrash& t, int parentFd, const std::string& name, const std::string& pathKey,
             std::string& placed) {
  const std::string base = FitName(name);
  const std::string body = InfoBody(pathKey);
  for (int n = 1; n < 100000; ++n) {
    std::string candidate = n == 1 ? base : base + "." + std::to_string(n);
    std::string infoName = candidate + kInfoSuffix;
    UniqueFd fd(openat(t.info.get(), infoName.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.ok()) {
      if (errno == EEXIST) continue;
      return errno;
    }
    auto dropInfo = [&] { unlinkat(t.info.get(), infoName.c_str(), 0); };
    bool written = WriteAll(fd.get(), body);
    int writeErr = errno;
    if (close(fd.release()) != 0 && written) {
      written = false;
      writeErr = errno;
    }
    if (!written) {
      dropInfo();
      return writeErr ? writeErr : EIO;
    }
    struct stat st;
    if (fstatat(t.files.get(), candidate.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      dropInfo();  // an entry without info file: keep it, pick another name
      continue;
    }
    placed = candidate;
    if (renameat2(parentFd, name.c_str(), t.files.get(), candidate.c_str(), RENAME_NOREPLACE) == 0)
      return 0;
    int err = errno;
    if (err == EINVAL && fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      // A file system without RENAME_NOREPLACE (or a folder moved into
      // itself, which fails again below). A hard link cannot replace
      // anything; a folder cannot replace anything but an empty folder.
      if (!S_ISDIR(st.st_mode) &&
          linkat(parentFd, name.c_str(), t.files.get(), candidate.c_str(), 0) == 0) {
        if (unlinkat(parentFd, name.c_str(), 0) == 0) return 0;
        err = errno;
        unlinkat(t.files.get(), candidate.c_str(), 0);
      } else if (errno == EEXIST) {
        err = EEXIST;
      } else if (fstatat(t.files.get(), candidate.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        // No hard links either: the name is reserved by our info file and
        // was free an instant ago.
        if (renameat(parentFd, name.c_str(), t.files.get(), candidate.c_str()) == 0) return 0;
        err = errno;
      }
    }
    dropInfo();
    if (err == EEXIST) continue;
    return err;
  }
  return EEXIST;
}

using FolderId = std::pair<dev_t, ino_t>;

FolderId IdOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

// The folders no move may take, by identity: the trash folders themselves,
// every folder that holds the home trash (up to "/"), and the home.
class Guard {
 public:
  Guard(const FreedesktopTrash::State& s) {
    struct stat st;
    // From the home trash, or the deepest folder of its path that exists
    // (the trash will be made inside it), up to the root.
    fs::path start = fs::path(s.homeTrash).lexically_normal();
    UniqueFd cur(open(start.c_str(), kFindFolder));
    if (cur.ok() && fstat(cur.get(), &st) == 0) trashes_.insert(IdOf(st));
    while (!cur.ok() && start.has_relative_path()) {
      start = start.parent_path();
      cur.reset(open(start.c_str(), kFindFolder));
      if (cur.ok() && fstat(cur.get(), &st) == 0) above_.insert(IdOf(st));
    }
    bool first = true;
    if (cur.ok())
      ClimbToRoot(cur.get(), [&](const struct stat& folder) {
        if (!first) above_.insert(IdOf(folder));
        first = false;
      });
    if (!s.settings.home.empty() && stat(s.settings.home.c_str(), &st) == 0) home_ = IdOf(st);
    for (const std::string& top : s.topDirs) {
      for (const std::string& trash : {Join(top, ".Trash"), Join(Join(top, ".Trash"), s.uidText),
                                       Join(top, ".Trash-" + s.uidText)})
        if (lstat(trash.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) trashes_.insert(IdOf(st));
    }
  }

  // Why the item with this identity must stay, or empty.
  std::string refuse(const struct stat& item) const {
    const FolderId id = IdOf(item);
    if (trashes_.count(id)) return "está en la papelera";
    if (above_.count(id)) return "contiene la papelera";
    if (id == home_) return "es la carpeta personal";
    return {};
  }

  // Whether the open folder `dirFd` is a trash folder or lies inside one.
  bool inTrash(int dirFd) const {
    UniqueFd cur(fcntl(dirFd, F_DUPFD_CLOEXEC, 0));
    struct stat here;
    for (int step = 0; cur.ok() && step < kMaxClimb; ++step) {
      if (fstat(cur.get(), &here) != 0) return false;
      if (trashes_.count(IdOf(here))) return true;
      if (above_.count(IdOf(here))) return false;  // above every trash we know of
      UniqueFd up(openat(cur.get(), "..", kFindFolder));
      struct stat there;
      if (!up.ok() || fstat(up.get(), &there) != 0 || IdOf(there) == IdOf(here)) return false;
      cur = std::move(up);
    }
    return false;
  }

 private:
  std::set<FolderId> trashes_, above_;
  FolderId home_{0, 0};
};

}  // namespace

int FreedesktopTrash::State::ensureHomeTrash(UniqueFd& out) {
  if (int err = MakeDirs(settings.dataHome.string())) return err;
  if (mkdir(homeTrash.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  out.reset(open(homeTrash.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!out.ok()) return errno;
  for (const char* sub : {"info", "files"}) {
    if (mkdirat(out.get(), sub, 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

namespace {

// The shared .Trash/$uid when .Trash is a sticky real folder, else
// .Trash-$uid; made as needed.
void OpenVolumeTrash(const FreedesktopTrash::State& s, const std::string& top, OpenTrash& t) {
  t.topDir = top;
  UniqueFd topFd(open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!topFd.ok()) {
    t.error = errno;
    return;
  }
  struct stat st;
  // The sticky bit is checked on the folder opened, not on the name before.
  UniqueFd shared(openat(topFd.get(), ".Trash", kOpenFolder));
  if (shared.ok() && fstat(shared.get(), &st) == 0 && (st.st_mode & S_ISVTX)) {
    mkdirat(shared.get(), s.uidText.c_str(), 0700);
    UniqueFd mine(openat(shared.get(), s.uidText.c_str(), kOpenFolder));
    if (mine.ok() && fstat(mine.get(), &st) == 0 && st.st_uid == s.settings.uid &&
        OpenSubfolders(mine.get(), t) == 0) {
      t.path = Join(Join(top, ".Trash"), s.uidText);
      t.error = 0;
      return;
    }
  }
  std::string own = ".Trash-" + s.uidText;
  if (mkdirat(topFd.get(), own.c_str(), 0700) != 0 && errno != EEXIST) {
    t.error = errno;
    return;
  }
  UniqueFd mine(openat(topFd.get(), own.c_str(), kOpenFolder));
  if (!mine.ok()) {
    t.error = errno;
    return;
  }
  if (fstat(mine.get(), &st) != 0 || st.st_uid != s.settings.uid) {
    t.error = EPERM;
    return;
  }
  t.error = OpenSubfolders(mine.get(), t);
  t.path = Join(top, own);
}

bool IsVolumeTop(const FreedesktopTrash::State& s, const std::string& dir) {
  if (dir == "/") return true;
  if (std::find(s.topDirs.begin(), s.topDirs.end(), dir) != s.topDirs.end()) return true;
  struct stat a, b;
  if (stat(dir.c_str(), &a) != 0) return false;
  std::string up = dir.substr(0, std::max<std::size_t>(1, dir.find_last_of('/')));
  return stat(up.c_str(), &b) == 0 && a.st_dev != b.st_dev;
}

// Whether `full` (canonical) names a volume trash or lies inside one, even
// one that is not ours to count (another user's, say).
bool InVolumeTrash(const FreedesktopTrash::State& s, const std::string& full) {
  std::size_t start = 1;
  while (start < full.size()) {
    std::size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    if (IsVolumeTrashName(full.substr(start, end - start))) {
      std::string dir = start == 1 ? "/" : full.substr(0, start - 1);
      if (IsVolumeTop(s, dir)) return true;
    }
    start = end + 1;
  }
  return false;
}

bool Under(const std::string& dir, const std::string& top) {
  return top == "/" || dir == top || dir.rfind(top + "/", 0) == 0;
}

// The top folder of the volume that holds `dir` (canonical), on `dev`: a
// known top when one holds it on that device, else the last folder above it
// on that device (a btrfs subvolume, which the mount table does not list).
std::string TopDirFor(const FreedesktopTrash::State& s, const std::string& dir, dev_t dev,
                      bool& known) {
  known = true;
  std::string best;
  for (const std::string& listed : s.topDirs) {
    std::string top = listed;
    if (s.settings.topDirs) {  // given by a caller: may be no canonical path
      char* real = realpath(listed.c_str(), nullptr);
      if (!real) continue;
      top = real;
      free(real);
    }
    struct stat st;
    if (Under(dir, top) && top.size() > best.size() && stat(top.c_str(), &st) == 0 &&
        st.st_dev == dev)
      best = top;
  }
  if (!best.empty()) return best;
  known = false;
  std::string cur = dir;
  while (cur != "/") {
    std::string up = cur.substr(0, std::max<std::size_t>(1, cur.find_last_of('/')));
    struct stat st;
    if (stat(up.c_str(), &st) != 0 || st.st_dev != dev) break;
    cur = up;
  }
  return cur;
}

}  // namespace

MoveResult FreedesktopTrash::moveToTrash(const std::vector<std::filesystem::path>& items) {
  State& s = *s_;
  s.refreshVolumes();
  s.volumesJustChecked = true;
  MoveResult result;
  auto stay = [&](const fs::path& item, std::string why) {
    result.ok = false;
    result.stayed.emplace_back(item, std::move(why));
  };

  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  const Guard guard(s);

  // The home trash, made on first need.
  bool homeTried = false;
  OpenTrash home;
  dev_t homeDev = 0;
  bool homeDevKnown = false;
  {
    // Which volume the home trash lives on, even before it exists.
    fs::path probe = fs::path(s.homeTrash).lexically_normal();
    struct stat st;
    for (;;) {
      if (stat(probe.c_str(), &st) == 0) {
        homeDev = st.st_dev;
        homeDevKnown = true;
        break;
      }
      if (probe == probe.parent_path() || probe.empty()) break;
      probe = probe.parent_path();
    }
  }

  std::map<std::string, std::unique_ptr<OpenTrash>> volumes;  // by top directory
  struct Parent {
    std::string canon;
    bool inTrash = false;
  };
  std::map<std::string, Parent> parents;
  std::string lastParent;
  UniqueFd parentFd;

  for (const fs::path& item : items) {
    if (item.empty()) {
      stay(item, "nombre no válido");
      continue;
    }
    // No lexical folding of "..": after a link it leads somewhere else than
    // the text suggests. realpath() of the parent reads it as the kernel does.
    std::string abs = (item.is_absolute() ? item : cwd / item).string();
    for (;;) {
      if (abs.size() > 1 && abs.back() == '/')
        abs.pop_back();
      else if (abs.size() > 1 && abs.compare(abs.size() - 2, 2, "/.") == 0)
        abs.pop_back();
      else
        break;
    }
    std::size_t slash = abs.find_last_of('/');
    std::string name = abs.substr(slash + 1);
    std::string parentText = slash == 0 ? "/" : abs.substr(0, slash);
    if (name.empty() || name == "." || name == "..") {
      stay(item, "nombre no válido");
      continue;
    }
    auto cp = parents.find(parentText);
    if (cp == parents.end()) {
      char* real = realpath(parentText.c_str(), nullptr);
      if (!real) {
        stay(item, Reason(errno));
        continue;
      }
      Parent p;
      p.canon = real;
      free(real);
      UniqueFd fd(open(p.canon.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
      p.inTrash = fd.ok() && guard.inTrash(fd.get());
      cp = parents.emplace(parentText, std::move(p)).first;
    }
    const std::string& canonParent = cp->second.canon;
    if (canonParent != lastParent) {
      parentFd.reset(open(canonParent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
      lastParent = parentFd.ok() ? canonParent : std::string();
      if (!parentFd.ok()) {
        stay(item, Reason(errno));
        continue;
      }
    }
    struct stat st, pst;
    if (fstatat(parentFd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      stay(item, Reason(errno));
      continue;
    }
    if (fstat(parentFd.get(), &pst) != 0) {
      stay(item, Reason(errno));
      continue;
    }
    const std::string full = Join(canonParent, name);
    if (cp->second.inTrash || InVolumeTrash(s, full)) {
      stay(item, "está en la papelera");
      continue;
    }
    if (std::string why = guard.refuse(st); !why.empty()) {
      stay(item, why);
      continue;
    }
    if (st.st_dev != pst.st_dev) {
      stay(item, "es un punto de montaje");
      continue;
    }

    int err = EXDEV;
    std::string placed;
    const OpenTrash* placedIn = nullptr;
    if (homeDevKnown && st.st_dev == homeDev) {
      if (!homeTried) {
        homeTried = true;
        UniqueFd trashFd;
        home.error = s.ensureHomeTrash(trashFd);
        if (!home.error) home.error = OpenSubfolders(trashFd.get(), home);
        home.path = s.homeTrash;
        struct stat hst;
        if (!home.error && fstat(trashFd.get(), &hst) == 0 && hst.st_dev != homeDev)
          homeDev = hst.st_dev;  // the trash itself is elsewhere (a link)
      }
      if (home.error) {
        stay(item, Reason(home.error));
        continue;
      }
      if (st.st_dev == homeDev) err = MoveInto(home, parentFd.get(), name, full, placed);
      if (!err) placedIn = &home;
    }
    // Not on the home trash's volume, or a bind mount of it that rename
    // refuses to cross: the item's own volume.
    if (err == EXDEV) {
      bool known = false;
      std::string top = TopDirFor(s, canonParent, st.st_dev, known);
      auto& vt = volumes[top];
      if (!vt) {
        vt = std::make_unique<OpenTrash>();
        OpenVolumeTrash(s, top, *vt);
        // Only into a trash that counting and emptying will find.
        if (!vt->error && !known) {
          if (s.remembered.add(top))
            s.refreshVolumes();
          else
            vt->error = EIO;
        }
      }
      if (vt->error) {
        stay(item, "no hay papelera en su volumen");
        continue;
      }
      std::string rel = top == "/" ? full.substr(1) : full.substr(top.size() + 1);
      err = MoveInto(*vt, parentFd.get(), name, rel, placed);
      if (!err) placedIn = vt.get();
      if (err == EXDEV) {
        stay(item, "no hay papelera en su volumen");
        continue;
      }
    }
    if (err) {
      stay(item, Reason(err));
    } else if (placedIn) {
      TrashedItem moved;
      moved.trash = placedIn->path;
      moved.key = placed;
      moved.original = full;
      moved.deleted = static_cast<std::int64_t>(std::time(nullptr));
      moved.folder = S_ISDIR(st.st_mode);
      // What the undo checks before it puts the item back.
      struct stat now;
      if (fstatat(placedIn->files.get(), placed.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0) {
        moved.dev = now.st_dev;
        moved.ino = now.st_ino;
      }
      ReadInfo(placedIn->info.get(), placed, moved.info);
      result.moved.push_back(std::move(moved));
    }
  }
  return result;
}

}  // namespace platform
