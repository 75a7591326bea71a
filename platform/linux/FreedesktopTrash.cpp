#include "platform/linux/FreedesktopTrash.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "platform/linux/Mounts.h"
#include "platform/linux/SafeRemove.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr const char kInfoSuffix[] = ".trashinfo";
constexpr std::size_t kInfoSuffixLen = sizeof(kInfoSuffix) - 1;

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_CLOSE_WRITE | IN_ATTRIB | IN_MODIFY | IN_DELETE_SELF |
                                     IN_MOVE_SELF | IN_ONLYDIR;

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) {
      reset();
      fd_ = o.fd_;
      o.fd_ = -1;
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

bool InfoName(const std::string& name, std::string* key) {
  if (name.size() <= kInfoSuffixLen) return false;
  if (name.compare(name.size() - kInfoSuffixLen, kInfoSuffixLen, kInfoSuffix) != 0) return false;
  if (key) *key = name.substr(0, name.size() - kInfoSuffixLen);
  return true;
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

// Every byte but the unreserved ones and '/' is escaped, as the trash's Path
// key is a URL path.
std::string PercentEncode(const std::string& s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_' || c == '.' || c == '~' || c == '/') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::string Reason(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return "no existe";
    case EACCES:
    case EPERM:
      return "permiso denegado";
    case EROFS:
      return "sistema de archivos de solo lectura";
    case EBUSY:
      return "está en uso";
    case ENOSPC:
    case EDQUOT:
      return "no queda espacio";
    case ENAMETOOLONG:
      return "nombre demasiado largo";
    case EIO:
      return "error de lectura o escritura";
    default:
      return "no se pudo mover (error " + std::to_string(err) + ")";
  }
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, std::string& text) {
  char buf[8192];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    text.append(buf, static_cast<std::size_t>(n));
  }
}

std::vector<std::string> ListNames(int dirFd) {
  std::vector<std::pair<std::string, bool>> entries;
  ReadFolderNames(dirFd, entries);
  std::vector<std::string> names;
  names.reserve(entries.size());
  for (auto& entry : entries) names.push_back(std::move(entry.first));
  return names;
}

std::string LocalDeletionDate() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
  return buf;
}

// Cuts a name so that "name.N.trashinfo" fits in NAME_MAX, never inside a
// UTF-8 sequence.
std::string FitName(const std::string& name) {
  constexpr std::size_t kMax = NAME_MAX - kInfoSuffixLen - 8;
  if (name.size() <= kMax) return name;
  std::size_t n = kMax;
  while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
  return name.substr(0, n);
}

// mkdir -p with private modes for what it makes.
int MakeDirs(const std::string& path) {
  if (path.empty()) return ENOENT;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  std::size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    if (int err = MakeDirs(path.substr(0, slash))) return err;
  }
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  return 0;
}

bool IsVolumeTrashName(const std::string& c) {
  if (c == ".Trash") return true;
  if (c.rfind(".Trash-", 0) != 0 || c.size() == 7) return false;
  return std::all_of(c.begin() + 7, c.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

enum class Kind { kHome, kShared, kPrivate };

struct Identity {
  bool present = false;
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{};
  timespec ctime{};
  bool operator==(const Identity& o) const {
    return present == o.present && dev == o.dev && ino == o.ino && SameTime(mtime, o.mtime) &&
           SameTime(ctime, o.ctime);
  }
  bool operator!=(const Identity& o) const { return !(*this == o); }
};

Identity IdentityOf(const struct stat& st, bool withTimes) {
  Identity id;
  id.present = true;
  id.dev = st.st_dev;
  id.ino = st.st_ino;
  if (withTimes) {
    id.mtime = st.st_mtim;
    id.ctime = st.st_ctim;
  }
  return id;
}

Identity LstatIdentity(const std::string& path, bool withTimes) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  return IdentityOf(st, withTimes);
}

struct Entry {
  bool hasInfo = false;
  bool hasFile = false;
  std::int64_t size = 0;
  // A folder's measured size holds while these do.
  bool measured = false;
  dev_t dev = 0;
  ino_t ino = 0;
  timespec infoMtime{};
};

struct Location {
  Kind kind = Kind::kHome;
  std::string topDir;  // empty for the home trash
  std::string path;    // the trash folder itself
  bool active = false;
  bool duplicate = false;  // the same folder as another location: counted there
  Identity folder;         // of the trash folder when it was last found unusable
  dev_t dev = 0;           // of the trash folder in use
  ino_t ino = 0;
  Identity info, files;
  int wdInfo = -1, wdFiles = -1;
  bool watched = false;
  bool resetup = false;
  bool rescan = false;
  std::chrono::steady_clock::time_point scannedAt{};
  std::unordered_set<std::string> dirty;
  std::unordered_map<std::string, Entry> entries;
  std::int64_t count = 0, size = 0;

  std::string sub(const char* name) const { return Join(path, name); }
};

// Opens a location's trash folder the way the freedesktop rules allow: a
// volume trash must be a real folder owned by the user (and the shared
// .Trash must be sticky); the home trash may be reached through links.
bool SharedTrashUsable(const std::string& topDir) {
  struct stat st;
  std::string shared = Join(topDir, ".Trash");
  return lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX);
}

int OpenTrashFolder(const Location& l, unsigned uid, Fd& out) {
  constexpr int kNoFollow = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  Fd fd;
  if (l.kind == Kind::kShared) {
    // Step by step, so that .Trash cannot turn into a link between a check
    // and the use.
    Fd top(open(l.topDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top.ok()) return errno;
    Fd shared(openat(top.get(), ".Trash", kNoFollow));
    struct stat st;
    if (!shared.ok()) return errno;
    if (fstat(shared.get(), &st) != 0 || !(st.st_mode & S_ISVTX)) return EPERM;
    fd.reset(openat(shared.get(), fs::path(l.path).filename().c_str(), kNoFollow));
  } else {
    fd.reset(open(l.path.c_str(),
                  l.kind == Kind::kHome ? O_RDONLY | O_DIRECTORY | O_CLOEXEC : kNoFollow));
  }
  if (!fd.ok()) return errno;
  if (l.kind != Kind::kHome) {
    struct stat st;
    if (fstat(fd.get(), &st) != 0) return errno;
    if (st.st_uid != uid) return EPERM;
  }
  out = std::move(fd);
  return 0;
}

// A trash folder opened for moving items into it.
struct OpenTrash {
  int error = 0;
  std::string path;
  std::string topDir;  // empty for the home trash
  Fd info, files;
};

int OpenSubfolders(int trashFd, OpenTrash& t) {
  for (const char* sub : {"info", "files"}) {
    if (mkdirat(trashFd, sub, 0700) != 0 && errno != EEXIST) return errno;
  }
  t.info.reset(openat(trashFd, "info", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!t.info.ok()) return errno;
  t.files.reset(openat(trashFd, "files", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!t.files.ok()) return errno;
  return 0;
}

// Reserves a name with an O_EXCL info file, then renames the item in under
// that name without ever replacing anything. 0 or the errno that kept it.
int MoveInto(OpenTrash& t, int parentFd, const std::string& name, const std::string& pathKey) {
  const std::string base = FitName(name);
  const std::string body = "[Trash Info]\nPath=" + PercentEncode(pathKey) +
                           "\nDeletionDate=" + LocalDeletionDate() + "\n";
  for (int n = 1; n < 100000; ++n) {
    std::string candidate = n == 1 ? base : base + "." + std::to_string(n);
    std::string infoName = candidate + kInfoSuffix;
    int fd = openat(t.info.get(), infoName.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    auto dropInfo = [&] { unlinkat(t.info.get(), infoName.c_str(), 0); };
    bool written = WriteAll(fd, body);
    int writeErr = errno;
    if (close(fd) != 0 && written) {
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

}  // namespace

struct FreedesktopTrash::State {
  TrashSettings settings;
  std::string homeTrash;
  std::string uidText;
  std::unique_ptr<MountWatcher> mounts;
  bool fixedApplied = false;
  std::vector<std::string> topDirs;
  std::vector<std::unique_ptr<Location>> locations;  // the home trash first
  int inotifyFd = -1;
  std::unordered_map<int, std::pair<Location*, bool>> watches;  // wd -> (location, is files/)
  DescendHook hook;

  explicit State(TrashSettings s) : settings(std::move(s)) {
    homeTrash = Join(settings.dataHome.string(), "Trash");
    uidText = std::to_string(settings.uid);
    if (!settings.topDirs) mounts = std::make_unique<MountWatcher>();
    inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    auto home = std::make_unique<Location>();
    home->kind = Kind::kHome;
    home->path = homeTrash;
    locations.push_back(std::move(home));
  }

  ~State() {
    if (inotifyFd >= 0) close(inotifyFd);
  }

  // --- volumes ---------------------------------------------------------

  void refreshVolumes() {
    if (settings.topDirs) {
      if (fixedApplied) return;
      fixedApplied = true;
      topDirs.clear();
      for (const fs::path& p : *settings.topDirs) topDirs.push_back(p.string());
    } else {
      if (!mounts->changed()) return;
      topDirs.clear();
      for (const fs::path& p : VolumeTopDirs(mounts->read())) topDirs.push_back(p.string());
    }
    std::map<std::string, std::unique_ptr<Location>> old;
    for (std::size_t i = 1; i < locations.size(); ++i)
      old[locations[i]->path] = std::move(locations[i]);
    locations.resize(1);
    auto take = [&](Kind kind, const std::string& top, const std::string& path) {
      auto it = old.find(path);
      if (it != old.end()) {
        locations.push_back(std::move(it->second));
        old.erase(it);
        return;
      }
      auto l = std::make_unique<Location>();
      l->kind = kind;
      l->topDir = top;
      l->path = path;
      locations.push_back(std::move(l));
    };
    for (const std::string& top : topDirs) {
      take(Kind::kShared, top, Join(Join(top, ".Trash"), uidText));
      take(Kind::kPrivate, top, Join(top, ".Trash-" + uidText));
    }
    for (auto& [path, l] : old) deactivate(*l);
    // A trash that was counted under a vanished location may now be another's.
    for (auto& l : locations)
      if (l->duplicate) l->resetup = true;
  }

  // --- watching --------------------------------------------------------

  void unwatch(Location& l) {
    for (int* wd : {&l.wdInfo, &l.wdFiles}) {
      if (*wd >= 0) {
        watches.erase(*wd);
        inotify_rm_watch(inotifyFd, *wd);
        *wd = -1;
      }
    }
    l.watched = false;
  }

  void deactivate(Location& l) {
    unwatch(l);
    bool wasPrimary = l.active && !l.duplicate;
    l.active = false;
    l.duplicate = false;
    l.entries.clear();
    l.dirty.clear();
    l.count = l.size = 0;
    l.dev = 0;
    l.ino = 0;
    l.info = l.files = Identity{};
    if (wasPrimary)
      for (auto& other : locations)
        if (other.get() != &l && other->duplicate) other->resetup = true;
  }

  int addWatch(int fd, Location* l, bool isFiles) {
    if (inotifyFd < 0) return -1;
    std::string procPath = "/proc/self/fd/" + std::to_string(fd);
    int wd = inotify_add_watch(inotifyFd, procPath.c_str(), kWatchMask);
    if (wd >= 0) watches[wd] = {l, isFiles};
    return wd;
  }

  // Finds the trash folder again and reads it whole. Sizes of folders whose
  // key did not change are kept.
  void setup(Location& l) {
    std::unordered_map<std::string, Entry> keep;
    keep.swap(l.entries);
    deactivate(l);
    l.resetup = false;
    l.rescan = false;
    Fd trash;
    struct stat tst;
    if (OpenTrashFolder(l, settings.uid, trash) != 0 || fstat(trash.get(), &tst) != 0) {
      // Remember what was refused, so that probing does not retry it every
      // tick. A shared trash is gated by its sticky .Trash instead.
      l.folder = Identity{};
      struct stat st;
      bool gated = l.kind == Kind::kShared && !SharedTrashUsable(l.topDir);
      int r = l.kind == Kind::kHome ? stat(l.path.c_str(), &st) : lstat(l.path.c_str(), &st);
      if (!gated && r == 0) l.folder = IdentityOf(st, true);
      return;
    }
    l.folder = Identity{};
    l.active = true;
    l.dev = tst.st_dev;
    l.ino = tst.st_ino;
    for (auto& other : locations) {
      if (other.get() == &l || !other->active || other->duplicate) continue;
      if (other->dev == tst.st_dev && other->ino == tst.st_ino) {
        l.duplicate = true;
        l.info = LstatIdentity(l.sub("info"), false);
        l.files = LstatIdentity(l.sub("files"), false);
        return;
      }
    }
    Fd info(openat(trash.get(), "info", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    Fd files(openat(trash.get(), "files", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    bool watchedAll = inotifyFd >= 0;
    struct stat st;
    if (info.ok() && fstat(info.get(), &st) == 0) {
      l.wdInfo = addWatch(info.get(), &l, false);
      watchedAll = watchedAll && l.wdInfo >= 0;
      l.info = IdentityOf(st, true);
    }
    if (files.ok() && fstat(files.get(), &st) == 0) {
      l.wdFiles = addWatch(files.get(), &l, true);
      watchedAll = watchedAll && l.wdFiles >= 0;
      l.files = IdentityOf(st, true);
    }
    // Without inotify the folders' times tell of changes; with it, they would
    // only cause needless rescans.
    l.watched = watchedAll;
    if (l.watched) {
      l.info.mtime = l.info.ctime = l.files.mtime = l.files.ctime = timespec{};
    }
    scanAll(l, info.get(), files.get(), keep);
  }

  void scanAll(Location& l, int infoFd, int filesFd,
               const std::unordered_map<std::string, Entry>& previous) {
    l.entries.clear();
    l.dirty.clear();
    l.count = l.size = 0;
    l.scannedAt = std::chrono::steady_clock::now();
    if (infoFd >= 0) {
      std::string key;
      for (const std::string& name : ListNames(infoFd))
        if (InfoName(name, &key)) l.entries[key].hasInfo = true;
    }
    if (filesFd >= 0) {
      struct stat filesSt;
      fstat(filesFd, &filesSt);
      for (const std::string& name : ListNames(filesFd)) {
        Entry& e = l.entries[name];
        auto it = previous.find(name);
        measure(e, infoFd, filesFd, filesSt.st_dev, name,
                it == previous.end() ? nullptr : &it->second);
      }
    }
    for (auto& [key, e] : l.entries) add(l, e, 1);
  }

  static void add(Location& l, const Entry& e, int sign) {
    if (e.hasInfo) l.count += sign;
    if (e.hasFile) l.size += sign * e.size;
  }

  static void measure(Entry& e, int infoFd, int filesFd, dev_t filesDev, const std::string& key,
                      const Entry* previous) {
    struct stat st;
    e.hasFile = fstatat(filesFd, key.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    e.measured = false;
    e.size = 0;
    if (!e.hasFile) return;
    if (!S_ISDIR(st.st_mode)) {
      e.size = static_cast<std::int64_t>(st.st_size);
      return;
    }
    timespec infoMtime{};
    struct stat ist;
    if (infoFd >= 0 && fstatat(infoFd, (key + kInfoSuffix).c_str(), &ist, AT_SYMLINK_NOFOLLOW) == 0)
      infoMtime = ist.st_mtim;
    if (previous && previous->measured && previous->dev == st.st_dev &&
        previous->ino == st.st_ino && SameTime(previous->infoMtime, infoMtime)) {
      e.size = previous->size;
    } else if (st.st_dev == filesDev) {
      Fd dir(openat(filesFd, key.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (dir.ok()) e.size = TreeApparentSize(dir.get());
    }
    e.measured = true;
    e.dev = st.st_dev;
    e.ino = st.st_ino;
    e.infoMtime = infoMtime;
  }

  void drainEvents() {
    if (inotifyFd < 0) return;
    alignas(inotify_event) char buf[65536];
    for (;;) {
      ssize_t n = read(inotifyFd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      for (char* p = buf; p < buf + n;) {
        auto* ev = reinterpret_cast<inotify_event*>(p);
        p += sizeof(inotify_event) + ev->len;
        if (ev->mask & IN_Q_OVERFLOW) {
          for (auto& l : locations)
            if (l->active) l->rescan = true;
          continue;
        }
        auto it = watches.find(ev->wd);
        if (it == watches.end()) continue;
        Location* l = it->second.first;
        bool isFiles = it->second.second;
        if (ev->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
          l->resetup = true;
          if (ev->mask & IN_IGNORED) {
            (isFiles ? l->wdFiles : l->wdInfo) = -1;
            watches.erase(it);
          }
          continue;
        }
        if (ev->len == 0) continue;
        std::string name(ev->name);
        std::string key;
        if (isFiles)
          l->dirty.insert(name);
        else if (InfoName(name, &key))
          l->dirty.insert(key);
      }
    }
  }

  // A few stat calls: is the trash still the folder we watch, or has one
  // appeared where there was none?
  void probe(Location& l) {
    if (l.resetup) return;
    if (l.kind == Kind::kShared && !SharedTrashUsable(l.topDir)) {
      if (l.active) l.resetup = true;
      return;
    }
    if (!l.active) {
      struct stat st;
      int r = l.kind == Kind::kHome ? stat(l.path.c_str(), &st) : lstat(l.path.c_str(), &st);
      if (r != 0) return;
      if (l.folder.present && l.folder == IdentityOf(st, true)) return;  // still unusable
      l.resetup = true;
      return;
    }
    bool times = !l.watched && !l.duplicate;
    if (LstatIdentity(l.sub("info"), times) != l.info ||
        LstatIdentity(l.sub("files"), times) != l.files) {
      if (l.watched || l.duplicate)
        l.resetup = true;
      else
        l.rescan = true;
      return;
    }
    // Unwatched: a change in the same clock tick as the scan leaves the
    // folder times alone, so look again while the scan is that young.
    if (!l.watched && !l.duplicate &&
        std::chrono::steady_clock::now() - l.scannedAt < std::chrono::seconds(2))
      l.rescan = true;
  }

  void update(Location& l) {
    if (l.resetup) {
      setup(l);
      return;
    }
    if (!l.active || l.duplicate) return;
    if (!l.rescan && l.dirty.empty()) return;
    Fd info(open(l.sub("info").c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    Fd files(open(l.sub("files").c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    bool times = !l.watched;
    Identity infoId = info.ok() && fstat(info.get(), &st) == 0 ? IdentityOf(st, times) : Identity{};
    Identity filesId =
        files.ok() && fstat(files.get(), &st) == 0 ? IdentityOf(st, times) : Identity{};
    if (infoId.present != l.info.present || infoId.ino != l.info.ino ||
        filesId.present != l.files.present || filesId.ino != l.files.ino) {
      setup(l);
      return;
    }
    if (l.rescan) {
      l.rescan = false;
      l.info = infoId;
      l.files = filesId;
      std::unordered_map<std::string, Entry> keep;
      keep.swap(l.entries);
      scanAll(l, info.get(), files.get(), keep);
      return;
    }
    dev_t filesDev = filesId.dev;
    for (const std::string& key : l.dirty) {
      auto it = l.entries.find(key);
      Entry before = it == l.entries.end() ? Entry{} : it->second;
      add(l, before, -1);
      Entry e;
      e.hasInfo = info.ok() &&
                  fstatat(info.get(), (key + kInfoSuffix).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
      if (files.ok()) measure(e, info.get(), files.get(), filesDev, key, &before);
      add(l, e, 1);
      if (e.hasInfo || e.hasFile)
        l.entries[key] = e;
      else if (it != l.entries.end())
        l.entries.erase(it);
    }
    l.dirty.clear();
  }

  void refresh() {
    refreshVolumes();
    drainEvents();
    for (auto& l : locations) probe(*l);
    for (auto& l : locations) update(*l);
    // Setting up a location can hand a duplicate's role to another one.
    for (auto& l : locations)
      if (l->resetup) update(*l);
  }

  // --- moving ----------------------------------------------------------

  int ensureHomeTrash(Fd& out) {
    if (int err = MakeDirs(settings.dataHome.string())) return err;
    if (mkdir(homeTrash.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    out.reset(open(homeTrash.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!out.ok()) return errno;
    for (const char* sub : {"info", "files"}) {
      if (mkdirat(out.get(), sub, 0700) != 0 && errno != EEXIST) return errno;
    }
    return 0;
  }

  // The shared .Trash/$uid when .Trash is a sticky real folder, else
  // .Trash-$uid; made as needed.
  void openVolumeTrash(const std::string& top, OpenTrash& t) {
    t.topDir = top;
    Fd topFd(open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!topFd.ok()) {
      t.error = errno;
      return;
    }
    struct stat st;
    // The sticky bit is checked on the folder opened, not on the name before.
    Fd shared(openat(topFd.get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (shared.ok() && fstat(shared.get(), &st) == 0 && (st.st_mode & S_ISVTX)) {
      mkdirat(shared.get(), uidText.c_str(), 0700);
      Fd mine(
          openat(shared.get(), uidText.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (mine.ok() && fstat(mine.get(), &st) == 0 && st.st_uid == settings.uid &&
          OpenSubfolders(mine.get(), t) == 0) {
        t.path = Join(Join(top, ".Trash"), uidText);
        t.error = 0;
        return;
      }
    }
    std::string own = ".Trash-" + uidText;
    if (mkdirat(topFd.get(), own.c_str(), 0700) != 0 && errno != EEXIST) {
      t.error = errno;
      return;
    }
    Fd mine(openat(topFd.get(), own.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!mine.ok()) {
      t.error = errno;
      return;
    }
    if (fstat(mine.get(), &st) != 0 || st.st_uid != settings.uid) {
      t.error = EPERM;
      return;
    }
    t.error = OpenSubfolders(mine.get(), t);
    t.path = Join(top, own);
  }

  bool isVolumeTop(const std::string& dir) {
    if (dir == "/") return true;
    if (std::find(topDirs.begin(), topDirs.end(), dir) != topDirs.end()) return true;
    struct stat a, b;
    if (stat(dir.c_str(), &a) != 0) return false;
    std::string up = dir.substr(0, std::max<std::size_t>(1, dir.find_last_of('/')));
    return stat(up.c_str(), &b) == 0 && a.st_dev != b.st_dev;
  }

  // Whether `full` (canonical) is a volume trash or lies inside one.
  bool inVolumeTrash(const std::string& full) {
    std::size_t start = 1;
    while (start < full.size()) {
      std::size_t end = full.find('/', start);
      if (end == std::string::npos) end = full.size();
      if (IsVolumeTrashName(full.substr(start, end - start))) {
        std::string dir = start == 1 ? "/" : full.substr(0, start - 1);
        if (isVolumeTop(dir)) return true;
      }
      start = end + 1;
    }
    return false;
  }

  // The top directory of the volume that holds `dir` (canonical), on `dev`.
  std::string topDirFor(const std::string& dir, dev_t dev) {
    if (settings.topDirs) {
      std::string best;
      for (const fs::path& p : *settings.topDirs) {
        char* real = realpath(p.c_str(), nullptr);
        if (!real) continue;
        std::string top = real;
        free(real);
        bool under = top == "/" || dir == top || dir.rfind(top + "/", 0) == 0;
        struct stat st;
        if (under && top.size() > best.size() && stat(top.c_str(), &st) == 0 && st.st_dev == dev)
          best = top;
      }
      return best;
    }
    std::string cur = dir;
    while (cur != "/") {
      std::string up = cur.substr(0, std::max<std::size_t>(1, cur.find_last_of('/')));
      struct stat st;
      if (stat(up.c_str(), &st) != 0 || st.st_dev != dev) break;
      cur = up;
    }
    return cur;
  }
};

// ---------------------------------------------------------------------------

FreedesktopTrash::FreedesktopTrash(TrashSettings settings)
    : s_(std::make_unique<State>(std::move(settings))) {}

FreedesktopTrash::~FreedesktopTrash() = default;

TrashSettings FreedesktopTrash::SystemSettings() {
  TrashSettings s;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') {
    s.dataHome = xdg;
  } else {
    const char* home = std::getenv("HOME");
    std::string h = home && *home ? home : "";
    if (h.empty()) {
      if (passwd* pw = getpwuid(getuid())) h = pw->pw_dir;
    }
    s.dataHome = fs::path(h) / ".local" / "share";
  }
  s.uid = getuid();
  return s;
}

void FreedesktopTrash::setDescendHook(std::function<void(const std::filesystem::path&)> hook) {
  s_->hook = std::move(hook);
}

BinQuery FreedesktopTrash::query() {
  s_->refresh();
  BinQuery q;
  for (auto& l : s_->locations) {
    if (!l->active || l->duplicate) continue;
    q.count += l->count;
    q.size += l->size;
  }
  return q;
}

std::filesystem::path FreedesktopTrash::homeTrashFilesFolder() {
  Fd fd;
  s_->ensureHomeTrash(fd);
  return fs::path(s_->homeTrash) / "files";
}

MoveResult FreedesktopTrash::moveToTrash(const std::vector<std::filesystem::path>& items) {
  State& s = *s_;
  s.refreshVolumes();
  MoveResult result;
  auto stay = [&](const fs::path& item, std::string why) {
    result.ok = false;
    result.stayed.emplace_back(item, std::move(why));
  };

  std::error_code ec;
  fs::path cwd = fs::current_path(ec);

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
  std::vector<std::string> homeCanon;
  for (const std::string& p : {s.homeTrash, s.settings.dataHome.string()}) {
    if (char* real = realpath(p.c_str(), nullptr)) {
      homeCanon.push_back(p == s.homeTrash ? std::string(real) : Join(real, "Trash"));
      free(real);
    }
  }
  homeCanon.push_back(fs::path(s.homeTrash).lexically_normal().string());

  std::map<std::string, std::unique_ptr<OpenTrash>> volumes;  // by top directory
  std::unordered_map<std::string, std::string> canonParents;
  std::string lastParent;
  Fd parentFd;

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
    std::string parent = slash == 0 ? "/" : abs.substr(0, slash);
    if (name.empty() || name == "." || name == "..") {
      stay(item, "nombre no válido");
      continue;
    }
    auto cp = canonParents.find(parent);
    if (cp == canonParents.end()) {
      char* real = realpath(parent.c_str(), nullptr);
      if (!real) {
        stay(item, Reason(errno));
        continue;
      }
      cp = canonParents.emplace(parent, real).first;
      free(real);
    }
    const std::string& canonParent = cp->second;
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
    if (st.st_dev != pst.st_dev) {
      stay(item, "es un punto de montaje");
      continue;
    }
    std::string full = Join(canonParent, name);
    bool inTrash = false, holdsTrash = false;
    for (const std::string& t : homeCanon) {
      if (full == t || full.rfind(t + "/", 0) == 0) inTrash = true;
      if (t.rfind(full + "/", 0) == 0) holdsTrash = true;
    }
    if (inTrash || s.inVolumeTrash(full)) {
      stay(item, "está en la papelera");
      continue;
    }
    if (holdsTrash) {
      stay(item, "contiene la papelera");
      continue;
    }

    int err = EXDEV;
    if (homeDevKnown && st.st_dev == homeDev) {
      if (!homeTried) {
        homeTried = true;
        Fd trashFd;
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
      if (st.st_dev == homeDev) err = MoveInto(home, parentFd.get(), name, full);
    }
    // Not on the home trash's volume, or a bind mount of it that rename
    // refuses to cross: the item's own volume.
    if (err == EXDEV) {
      std::string top = s.topDirFor(canonParent, st.st_dev);
      if (top.empty()) {
        stay(item, "no hay papelera en su volumen");
        continue;
      }
      auto& vt = volumes[top];
      if (!vt) {
        vt = std::make_unique<OpenTrash>();
        s.openVolumeTrash(top, *vt);
      }
      if (vt->error) {
        stay(item, "no hay papelera en su volumen");
        continue;
      }
      std::string rel = top == "/" ? full.substr(1) : full.substr(top.size() + 1);
      err = MoveInto(*vt, parentFd.get(), name, rel);
      if (err == EXDEV) {
        stay(item, "no hay papelera en su volumen");
        continue;
      }
    }
    if (err) stay(item, Reason(err));
  }
  return result;
}

EmptyResult FreedesktopTrash::empty(
    const std::function<bool(std::int64_t, std::int64_t)>& progress) {
  State& s = *s_;
  s.refresh();
  EmptyResult result;

  struct Work {
    Location* loc;
    Fd trash, info, files;
    dev_t dev = 0;
    std::vector<std::string> fileNames;
    std::vector<std::string> orphans;
  };
  std::vector<Work> work;
  std::int64_t total = 0;
  for (auto& l : s.locations) {
    if (!l->active || l->duplicate) continue;
    Work w;
    w.loc = l.get();
    if (OpenTrashFolder(*l, s.settings.uid, w.trash) != 0) continue;
    w.info.reset(openat(w.trash.get(), "info", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    bool infoUsable = w.info.ok() || errno == ENOENT;
    w.files.reset(openat(w.trash.get(), "files", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    bool filesUsable = w.files.ok() || errno == ENOENT;
    if (!infoUsable || !filesUsable) {
      // info/ or files/ is a link or no folder: its entries cannot be told
      // apart from what lies elsewhere. Leave this trash whole.
      result.left.push_back(l->path);
      continue;
    }
    std::unordered_set<std::string> present;
    if (w.files.ok()) {
      struct stat st;
      fstat(w.files.get(), &st);
      w.dev = st.st_dev;
      w.fileNames = ListNames(w.files.get());
      present.insert(w.fileNames.begin(), w.fileNames.end());
    }
    if (w.info.ok()) {
      std::string key;
      for (const std::string& n : ListNames(w.info.get()))
        if (InfoName(n, &key) && !present.count(key)) w.orphans.push_back(key);
    }
    total += static_cast<std::int64_t>(w.fileNames.size() + w.orphans.size());
    work.push_back(std::move(w));
  }

  std::int64_t done = 0;
  auto last = std::chrono::steady_clock::now();
  bool stopped = progress && !progress(0, total);
  auto tick = [&] {
    ++done;
    auto now = std::chrono::steady_clock::now();
    if (progress && now - last >= std::chrono::milliseconds(50)) {
      last = now;
      if (!progress(done, total)) stopped = true;
    }
  };

  for (Work& w : work) {
    if (stopped) break;
    std::set<std::string> removedNames;
    const fs::path filesPath = fs::path(w.loc->path) / "files";
    for (const std::string& name : w.fileNames) {
      if (stopped) break;
      if (RemoveTreeAt(w.files.get(), name, w.dev, s.hook, filesPath)) {
        if (w.info.ok()) unlinkat(w.info.get(), (name + kInfoSuffix).c_str(), 0);
        removedNames.insert(name);
        ++result.removed;
      } else {
        result.left.push_back(filesPath / name);
        // Part of it may be gone: measure it again.
        auto it = w.loc->entries.find(name);
        if (it != w.loc->entries.end()) it->second.measured = false;
        w.loc->dirty.insert(name);
      }
      tick();
    }
    for (const std::string& key : w.orphans) {
      if (stopped) break;
      struct stat st;
      // Its item may have arrived since the listing (another program trashing now).
      if (w.files.ok() && fstatat(w.files.get(), key.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        continue;
      if (unlinkat(w.info.get(), (key + kInfoSuffix).c_str(), 0) == 0) ++result.removed;
      tick();
    }
    // Drop the directorysizes lines of what is gone; the rest stay as written.
    Fd ds(openat(w.trash.get(), "directorysizes", O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    std::string text;
    if (!removedNames.empty() && ds.ok() && ReadAll(ds.get(), text)) {
      std::string kept;
      bool dropped = false;
      std::size_t pos = 0;
      while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        std::size_t a = line.find(' ');
        std::size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
        if (b != std::string::npos && removedNames.count(PercentDecode(line.substr(b + 1)))) {
          dropped = true;
          continue;
        }
        if (!line.empty()) kept += line + "\n";
      }
      if (dropped) {
        std::string tmp = "directorysizes.ww" + std::to_string(getpid());
        Fd out(openat(w.trash.get(), tmp.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (out.ok()) {
          bool ok = WriteAll(out.get(), kept);
          out.reset();
          if (!ok || renameat(w.trash.get(), tmp.c_str(), w.trash.get(), "directorysizes") != 0)
            unlinkat(w.trash.get(), tmp.c_str(), 0);
        }
      }
    }
  }
  if (progress && !stopped) progress(done, total);
  return result;
}

std::unique_ptr<RecycleBin> MakeRecycleBin() {
  return std::make_unique<FreedesktopTrash>(FreedesktopTrash::SystemSettings());
}

}  // namespace platform
