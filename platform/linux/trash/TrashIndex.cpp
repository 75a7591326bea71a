// The index of every trash: which trashes exist, their items, and the sizes
// kept between ticks. inotify tells which entries changed; a few stat calls
// per tick catch trashes that appear, vanish or are replaced.
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <string_view>
#include <tuple>

#include "platform/linux/trash/TrashInfo.h"
#include "platform/linux/trash/TrashState.h"

namespace platform {

namespace fs = std::filesystem;
using namespace trash;

namespace {

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_CLOSE_WRITE | IN_ATTRIB | IN_MODIFY | IN_DELETE_SELF |
                                     IN_MOVE_SELF | IN_ONLYDIR;
// A top folder, its .Trash and the remembered tops' folders: only a few
// names there matter, which the events carry.
constexpr std::uint32_t kTopMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                   IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR |
                                   IN_MASK_ADD;
constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr std::size_t kMaxRememberedFile = 1 << 20;

// A remembered top is opened as a C string and its trash may be emptied: only
// an absolute path without NUL and without ".." may name one.
bool CleanTop(const std::string& top) {
  if (top.empty() || top[0] != '/' || top.find('\0') != std::string::npos) return false;
  for (std::size_t pos = 0; pos != std::string::npos;) {
    const std::size_t slash = top.find('/', pos + 1);
    if (top.compare(pos + 1, slash == std::string::npos ? std::string::npos : slash - pos - 1,
                    "..") == 0)
      return false;
    pos = slash;
  }
  return true;
}

void Add(Location& l, const Entry& e, int sign) {
  if (e.hasInfo) l.count += sign;
  if (!e.hasFile) return;
  if (sign > 0)
    l.size.add(e.size);
  else
    l.size.remove(e.size);
}

void Measure(Entry& e, int infoFd, int filesFd, dev_t filesDev, const std::string& key,
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
  if (previous && previous->measured && previous->dev == st.st_dev && previous->ino == st.st_ino &&
      SameTime(previous->infoMtime, infoMtime)) {
    e.size = previous->size;
  } else if (st.st_dev == filesDev) {
    UniqueFd dir(openat(filesFd, key.c_str(), kOpenFolder));
    if (dir.ok()) e.size = TreeApparentSize(dir.get());
  }
  e.measured = true;
  e.dev = st.st_dev;
  e.ino = st.st_ino;
  e.infoMtime = infoMtime;
}

}  // namespace

namespace trash {

std::vector<std::string> ListNames(int dirFd) {
  std::vector<std::pair<std::string, bool>> entries;
  ReadFolderNames(dirFd, entries);
  std::vector<std::string> names;
  names.reserve(entries.size());
  for (auto& entry : entries) names.push_back(std::move(entry.first));
  return names;
}

std::string Location::sub(const char* name) const { return Join(path, name); }

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

bool SharedTrashUsable(const std::string& topDir) {
  struct stat st;
  std::string shared = Join(topDir, ".Trash");
  return lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX);
}

int OpenTrashFolder(const Location& l, unsigned uid, UniqueFd& out) {
  UniqueFd fd;
  if (l.kind == Kind::kShared) {
    // Step by step, so that .Trash cannot turn into a link between a check
    // and the use.
    UniqueFd top(open(l.topDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top.ok()) return errno;
    UniqueFd shared(openat(top.get(), ".Trash", kOpenFolder));
    struct stat st;
    if (!shared.ok()) return errno;
    if (fstat(shared.get(), &st) != 0 || !(st.st_mode & S_ISVTX)) return EPERM;
    fd.reset(openat(shared.get(), fs::path(l.path).filename().c_str(), kOpenFolder));
  } else {
    fd.reset(open(l.path.c_str(),
                  l.kind == Kind::kHome ? O_RDONLY | O_DIRECTORY | O_CLOEXEC : kOpenFolder));
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

bool RememberedTops::reload() {
  struct stat st;
  Identity now;
  off_t size = -1;
  if (stat(file_.c_str(), &st) == 0) {
    now = IdentityOf(st, true);
    size = st.st_size;
  }
  if (loaded_ && now == seen_ && size == seenSize_) return false;
  loaded_ = true;
  seen_ = now;
  seenSize_ = size;
  std::string text;
  tops_.clear();
  if (now.present && ReadRegularFileAt(AT_FDCWD, file_, text, kMaxRememberedFile)) {
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string top = PercentDecode(text.substr(pos, end - pos));
      if (CleanTop(top)) tops_.push_back(std::move(top));
      pos = end + 1;
    }
  }
  return true;
}

bool RememberedTops::add(const std::string& top) {
  reload();
  for (const std::string& t : tops_)
    if (t == top) return true;
  const std::size_t slash = file_.find_last_of('/');
  const std::string dir = file_.substr(0, slash);
  if (MakeDirs(dir) != 0) return false;
  UniqueFd dirFd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dirFd.ok()) return false;
  std::string text;
  for (const std::string& t : tops_) text += PercentEncode(t) + "\n";
  text += PercentEncode(top) + "\n";
  ReplaceOptions options;
  options.mode = 0600;
  if (!ReplaceFileAt(dirFd.get(), file_.substr(slash + 1), text, options)) return false;
  loaded_ = false;  // the next reload() reports the change
  return true;
}

}  // namespace trash

FreedesktopTrash::State::State(TrashSettings s)
    : settings(std::move(s)),
      remembered(Join(Join(settings.dataHome.string(), "WasteWell"), "trash-volumes")) {
  homeTrash = Join(settings.dataHome.string(), "Trash");
  uidText = std::to_string(settings.uid);
  if (!settings.topDirs) mounts = std::make_unique<MountWatcher>();
  inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  topsFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  auto home = std::make_unique<Location>();
  home->kind = Kind::kHome;
  home->path = homeTrash;
  locations.push_back(std::move(home));
}

FreedesktopTrash::State::~State() {
  if (inotifyFd >= 0) close(inotifyFd);
  if (topsFd >= 0) close(topsFd);
}

// --- volumes ---------------------------------------------------------------

int FreedesktopTrash::State::addTopWatch(const std::string& path, const std::string& top,
                                         Watched what, bool follow) {
  if (topsFd < 0) {
    errno = ENOSYS;
    return -1;
  }
  const int wd = inotify_add_watch(topsFd, path.c_str(), kTopMask | (follow ? 0 : IN_DONT_FOLLOW));
  if (wd < 0) return -1;
  // Two tops may be one folder (a bind mount): the kernel gives one watch.
  auto [from, to] = topWatches.equal_range(wd);
  for (auto it = from; it != to; ++it)
    if (it->second.first == top && it->second.second == what) return wd;
  topWatches.emplace(wd, std::make_pair(top, what));
  return wd;
}

void FreedesktopTrash::State::dropTopWatch(int& wd, const std::string& top, Watched what) {
  if (wd < 0) return;
  auto [from, to] = topWatches.equal_range(wd);
  for (auto it = from; it != to; ++it) {
    if (it->second.first == top && it->second.second == what) {
      topWatches.erase(it);
      break;
    }
  }
  if (topWatches.count(wd) == 0) inotify_rm_watch(topsFd, wd);
  wd = -1;
}

void FreedesktopTrash::State::drainTopEvents() {
  if (topsFd < 0) return;
  alignas(inotify_event) char buf[16384];
  std::string privateName;
  for (;;) {
    const ssize_t n = read(topsFd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    if (privateName.empty()) privateName = ".Trash-" + uidText;
    for (char* p = buf; p < buf + n;) {
      auto* ev = reinterpret_cast<inotify_event*>(p);
      p += sizeof(inotify_event) + ev->len;
      if (ev->mask & IN_Q_OVERFLOW) {
        for (auto& [top, t] : tops) t.dirty = true;
        topsDirty = rememberedDirty = true;
        continue;
      }
      const std::string_view name = ev->len ? std::string_view(ev->name) : std::string_view();
      auto [from, to] = topWatches.equal_range(ev->wd);
      for (auto it = from; it != to; ++it) {
        const auto& [top, what] = it->second;
        bool matters = name.empty() || (ev->mask & IN_IGNORED);
        if (what == Watched::kTop) matters = matters || name == ".Trash" || name == privateName;
        if (what == Watched::kShared) matters = matters || name == uidText;
        if (what == Watched::kDataHome) matters = matters || name == "WasteWell";
        if (what == Watched::kRememberedDir) matters = matters || name == "trash-volumes";
        if (!matters) continue;
        if (what == Watched::kDataHome || what == Watched::kRememberedDir) {
          rememberedDirty = true;
        } else if (auto t = tops.find(top); t != tops.end()) {
          t->second.dirty = topsDirty = true;
        }
        if (ev->mask & IN_IGNORED) {  // the folder went: its watch with it
          for (int* wd : {&wdDataHome, &wdRememberedDir})
            if (*wd == ev->wd) *wd = -1;
          if (auto t = tops.find(top); t != tops.end()) {
            if (t->second.wd == ev->wd) t->second.wd = -1;
            if (t->second.wdShared == ev->wd) t->second.wdShared = -1;
          }
        }
      }
      if (ev->mask & IN_IGNORED) topWatches.erase(ev->wd);
    }
  }
}

bool FreedesktopTrash::State::rememberedWatched() {
  if (!rememberedDirty) return rememberedSeen;
  rememberedDirty = false;
  const std::string data = settings.dataHome.string();
  for (auto [wd, path, what] :
       {std::make_tuple(&wdDataHome, data, Watched::kDataHome),
        std::make_tuple(&wdRememberedDir, Join(data, "WasteWell"), Watched::kRememberedDir)}) {
    int old = *wd;
    *wd = addTopWatch(path, "", what, true);
    const int err = errno;
    if (old >= 0 && old != *wd) dropTopWatch(old, "", what);
    // A folder that is not there yet shows up as an event in the one above.
    rememberedSeen =
        what == Watched::kDataHome ? *wd >= 0 : rememberedSeen && (*wd >= 0 || err == ENOENT);
  }
  return false;  // armed just now: read the file once more
}

void FreedesktopTrash::State::lookAtTops() {
  if (!topsDirty) return;
  topsDirty = false;
  std::vector<const std::string*> looked;
  for (auto& [top, t] : tops) {
    if (!t.dirty) continue;
    t.dirty = false;
    looked.push_back(&top);
    // Armed before the look that follows: what changes after it is an event.
    int old = t.wd;
    t.wd = addTopWatch(top, top, Watched::kTop, true);
    if (old >= 0 && old != t.wd) dropTopWatch(old, top, Watched::kTop);
    old = t.wdShared;
    t.wdShared = addTopWatch(Join(top, ".Trash"), top, Watched::kShared, false);
    t.sharedSeen = t.wdShared >= 0 || errno == ENOENT || errno == ENOTDIR;
    if (old >= 0 && old != t.wdShared) dropTopWatch(old, top, Watched::kShared);
  }
  for (auto& l : locations) {
    if (l->kind == Kind::kHome) continue;
    auto it = tops.find(l->topDir);
    if (it == tops.end() || std::find(looked.begin(), looked.end(), &it->first) == looked.end())
      continue;
    l->look = true;
    l->watchedTop = it->second.wd >= 0 && (l->kind != Kind::kShared || it->second.sharedSeen);
  }
}

void FreedesktopTrash::State::refreshVolumes() {
  ++volumeChecks;
  drainTopEvents();
  bool changed = (!rememberedWatched() || remembered.stale()) && remembered.reload();
  if (settings.topDirs) {
    if (!fixedApplied) {
      fixedApplied = changed = true;
      tableTops.clear();
      for (const fs::path& p : *settings.topDirs) tableTops.push_back(p.string());
    }
  } else if (mounts->changed()) {
    changed = true;
    tableTops.clear();
    for (const fs::path& p : VolumeTopDirs(mounts->read())) tableTops.push_back(p.string());
  }
  if (!changed) {
    lookAtTops();
    return;
  }
  topDirs = tableTops;
  for (const std::string& top : remembered.tops())
    if (std::find(topDirs.begin(), topDirs.end(), top) == topDirs.end()) topDirs.push_back(top);

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
  // Every top is looked at again (a mount may hide what was there); those
  // no longer listed lose their watches.
  for (auto it = tops.begin(); it != tops.end();) {
    if (std::find(topDirs.begin(), topDirs.end(), it->first) == topDirs.end()) {
      dropTopWatch(it->second.wd, it->first, Watched::kTop);
      dropTopWatch(it->second.wdShared, it->first, Watched::kShared);
      it = tops.erase(it);
    } else {
      (it++)->second.dirty = true;
    }
  }
  for (const std::string& top : topDirs) tops[top];
  topsDirty = true;
  lookAtTops();
}

// --- watching --------------------------------------------------------------

void FreedesktopTrash::State::unwatch(Location& l) {
  for (int* wd : {&l.wdInfo, &l.wdFiles}) {
    if (*wd >= 0) {
      watches.erase(*wd);
      inotify_rm_watch(inotifyFd, *wd);
      *wd = -1;
    }
  }
  l.watched = false;
}

void FreedesktopTrash::State::deactivate(Location& l) {
  unwatch(l);
  bool wasPrimary = l.active && !l.duplicate;
  l.active = false;
  l.duplicate = false;
  l.entries.clear();
  l.dirty.clear();
  l.count = 0;
  l.size.clear();
  l.dev = 0;
  l.ino = 0;
  l.info = l.files = Identity{};
  if (wasPrimary)
    for (auto& other : locations)
      if (other.get() != &l && other->duplicate) other->resetup = true;
}

int FreedesktopTrash::State::addWatch(int fd, Location* l, bool isFiles) {
  if (inotifyFd < 0) return -1;
  std::string procPath = "/proc/self/fd/" + std::to_string(fd);
  int wd = inotify_add_watch(inotifyFd, procPath.c_str(), kWatchMask);
  if (wd >= 0) watches[wd] = {l, isFiles};
  return wd;
}

// Finds the trash folder again and reads it whole. Sizes of folders whose key
// did not change are kept.
void FreedesktopTrash::State::setup(Location& l) {
  std::unordered_map<std::string, Entry> keep;
  keep.swap(l.entries);
  deactivate(l);
  // A home trash found anew may sit under a data folder renamed or replaced.
  if (l.kind == Kind::kHome) rememberedDirty = true;
  l.resetup = false;
  l.rescan = false;
  UniqueFd trashFd;
  struct stat tst;
  if (OpenTrashFolder(l, settings.uid, trashFd) != 0 || fstat(trashFd.get(), &tst) != 0) {
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
  UniqueFd info(openat(trashFd.get(), "info", kOpenFolder));
  UniqueFd files(openat(trashFd.get(), "files", kOpenFolder));
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

void FreedesktopTrash::State::scanAll(Location& l, int infoFd, int filesFd,
                                      const std::unordered_map<std::string, Entry>& previous) {
  l.entries.clear();
  l.dirty.clear();
  l.count = 0;
  l.size.clear();
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
      Measure(e, infoFd, filesFd, filesSt.st_dev, name,
              it == previous.end() ? nullptr : &it->second);
    }
  }
  for (auto& [key, e] : l.entries) Add(l, e, 1);
}

void FreedesktopTrash::State::drainEvents() {
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
void FreedesktopTrash::State::probe(Location& l) {
  if (l.resetup) return;
  const bool look = l.look;
  l.look = false;
  if (!l.active && l.watchedTop && !look) return;  // nothing happened where it would appear
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
  // Unwatched: a change in the same clock tick as the scan leaves the folder
  // times alone, so look again while the scan is that young.
  if (!l.watched && !l.duplicate &&
      std::chrono::steady_clock::now() - l.scannedAt < std::chrono::seconds(2))
    l.rescan = true;
}

void FreedesktopTrash::State::update(Location& l) {
  if (l.resetup) {
    setup(l);
    return;
  }
  if (!l.active || l.duplicate) return;
  if (!l.rescan && l.dirty.empty()) return;
  UniqueFd info(open(l.sub("info").c_str(), kOpenFolder));
  UniqueFd files(open(l.sub("files").c_str(), kOpenFolder));
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
    Add(l, before, -1);
    Entry e;
    e.hasInfo = info.ok() &&
                fstatat(info.get(), (key + kInfoSuffix).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (files.ok()) Measure(e, info.get(), files.get(), filesDev, key, &before);
    Add(l, e, 1);
    if (e.hasInfo || e.hasFile)
      l.entries[key] = e;
    else if (it != l.entries.end())
      l.entries.erase(it);
  }
  l.dirty.clear();
}

void FreedesktopTrash::State::refresh() {
  // A drop moves, then shows the trash at once: one look at the mounts serves both.
  if (volumesJustChecked) {
    drainTopEvents();  // what the move itself made there
    lookAtTops();
  } else {
    refreshVolumes();
  }
  volumesJustChecked = false;
  drainEvents();
  for (auto& l : locations) probe(*l);
  for (auto& l : locations) update(*l);
  // Setting up a location can hand a duplicate's role to another one.
  for (auto& l : locations)
    if (l->resetup) update(*l);
}

}  // namespace platform
