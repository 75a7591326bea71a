// Putting items back where they were and deleting single items for good.
// The item is moved first and its info file removed after it, so that a move
// that fails leaves both in the trash; nothing is ever moved over anything.
#include "platform/linux/trash/TrashRestore.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <set>

#include "platform/linux/trash/TrashInfo.h"
#include "platform/linux/trash/TrashList.h"
#include "platform/linux/trash/TrashState.h"

namespace platform {

namespace fs = std::filesystem;
using namespace trash;

namespace trash {

namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr int kStepFolder = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

using Stop = std::function<bool()>;

int CopyFile(int fromFd, const std::string& name, const struct stat& st, int toFd,
             const std::string& to, const Stop& stop) {
  UniqueFd in(openat(fromFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!in.ok()) return errno;
  UniqueFd out(openat(toFd, to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      st.st_mode & 07777));
  if (!out.ok()) return errno;
  char buf[1 << 16];
  for (;;) {
    if (stop && stop()) return ECANCELED;
    ssize_t n = read(in.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;
    if (!WriteAll(out.get(), std::string_view(buf, static_cast<std::size_t>(n))))
      return errno ? errno : EIO;
  }
  fchmod(out.get(), st.st_mode & 07777);
  const timespec times[2] = {st.st_atim, st.st_mtim};
  futimens(out.get(), times);
  if (fsync(out.get()) != 0) return errno;
  if (close(out.release()) != 0) return errno;
  return 0;
}

int CopyInto(int fromFd, const std::string& name, dev_t dev, int toFd, const std::string& to,
             int depth, const Stop& stop) {
  if (depth > 4096) return ELOOP;
  if (stop && stop()) return ECANCELED;
  struct stat st;
  if (fstatat(fromFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  const timespec times[2] = {st.st_atim, st.st_mtim};
  if (S_ISREG(st.st_mode)) return CopyFile(fromFd, name, st, toFd, to, stop);
  if (S_ISLNK(st.st_mode)) {
    std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
    ssize_t n = readlinkat(fromFd, name.c_str(), target.data(), target.size());
    if (n < 0) return errno;
    if (static_cast<std::size_t>(n) >= target.size()) return EAGAIN;  // changed meanwhile
    target.resize(static_cast<std::size_t>(n));
    if (symlinkat(target.c_str(), toFd, to.c_str()) != 0) return errno;
    utimensat(toFd, to.c_str(), times, AT_SYMLINK_NOFOLLOW);
    return 0;
  }
  if (S_ISFIFO(st.st_mode)) {
    if (mkfifoat(toFd, to.c_str(), st.st_mode & 07777) != 0) return errno;
    return 0;
  }
  if (!S_ISDIR(st.st_mode)) return ENOTSUP;  // sockets and devices are not ours to copy
  if (st.st_dev != dev) return EXDEV;
  UniqueFd from(openat(fromFd, name.c_str(), kOpenFolder));
  if (!from.ok()) return errno;
  if (IsMountRoot(from.get())) return EXDEV;
  if (mkdirat(toFd, to.c_str(), 0700) != 0) return errno;
  UniqueFd into(openat(toFd, to.c_str(), kOpenFolder));
  if (!into.ok()) return errno;
  std::vector<std::pair<std::string, bool>> names;
  if (!ReadFolderNames(from.get(), names)) return errno ? errno : EIO;
  for (const auto& entry : names)
    if (int err = CopyInto(from.get(), entry.first, dev, into.get(), entry.first, depth + 1, stop))
      return err;
  fchmod(into.get(), st.st_mode & 07777);
  futimens(into.get(), times);
  if (fsync(into.get()) != 0) return errno;
  return 0;
}

}  // namespace

int CopyTreeAt(int fromFd, const std::string& name, dev_t dev, int toFd, const std::string& to,
               const Stop& stop) {
  const int err = CopyInto(fromFd, name, dev, toFd, to, 0, stop);
  if (err) {
    struct stat st;
    if (fstat(toFd, &st) == 0) {
      RemoveRules rules;
      rules.makeWritable = true;
      RemoveTreeAt(toFd, to, st.st_dev, rules, {});
    }
  }
  return err;
}

int OpenParentNoFollow(const std::string& path, std::string& why) {
  UniqueFd cur(open("/", kStepFolder));
  if (!cur.ok()) {
    why = Reason(errno);
    return -1;
  }
  std::size_t pos = 1;
  for (;;) {
    const std::size_t end = path.find('/', pos);
    if (end == std::string::npos) break;  // the last step is the item's own name
    const std::string step = path.substr(pos, end - pos);
    pos = end + 1;
    int fd = openat(cur.get(), step.c_str(), kStepFolder);
    if (fd < 0 && errno == ENOENT) {
      // Made again as the file managers do: with the user's umask.
      if (mkdirat(cur.get(), step.c_str(), 0777) != 0 && errno != EEXIST) {
        why = "no se pudo crear su carpeta (" + Reason(errno) + ")";
        return -1;
      }
      fd = openat(cur.get(), step.c_str(), kStepFolder);
    }
    if (fd < 0) {
      const int err = errno;
      struct stat st;
      if (fstatat(cur.get(), step.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        why = "su carpeta es ahora un enlace";
      else if (err == ENOTDIR || err == ELOOP)
        why = "su carpeta ya no es una carpeta";
      else
        why = Reason(err);
      return -1;
    }
    cur.reset(fd);
  }
  return cur.release();
}

std::string CopyName(long pid, unsigned serial) {
  return ".wastewell-" + std::to_string(pid) + "-" + std::to_string(serial);
}

std::string CopyRecordFolder(const std::string& dataHome) {
  return Join(Join(dataHome, "WasteWell"), "copies");
}

}  // namespace trash

namespace {

const char* const kStopped = "se detuvo antes de terminar";
const char* const kGone = "ya no está en la papelera";
const char* const kTaken = "ya existe un elemento con ese nombre";

// Whether what lies under the item's key is still the item that was listed or
// moved: the same info file and the same entry. Unknown parts are not checked.
bool StillTheItem(const TrashedItem& item, const std::string& infoText, bool hasFile,
                  const struct stat& st) {
  if (!item.info.empty() && infoText != item.info) return false;
  if (item.ino != 0)
    return hasFile && static_cast<std::uint64_t>(st.st_dev) == item.dev &&
           static_cast<std::uint64_t>(st.st_ino) == item.ino;
  // Listed without its entry: an entry there now is another item's.
  return item.info.empty() || !hasFile;
}

// One trash opened for taking items out of it.
struct TrashOut {
  Location* loc = nullptr;
  int error = 0;
  UniqueFd trash, info, files;
  dev_t dev = 0;
  std::set<std::string> gone;  // keys whose item left files/
};

Location* FindLocation(FreedesktopTrash::State& s, const fs::path& trash) {
  const std::string want = trash.lexically_normal().string();
  Location* found = nullptr;
  for (auto& l : s.locations) {
    if (!l->active || fs::path(l->path).lexically_normal().string() != want) continue;
    if (!found || (found->duplicate && !l->duplicate)) found = l.get();
  }
  // The same folder under another spelling (a link above it, say).
  struct stat st;
  if (!found && stat(trash.c_str(), &st) == 0)
    for (auto& l : s.locations)
      if (l->active && !l->duplicate && l->dev == st.st_dev && l->ino == st.st_ino) found = l.get();
  return found;
}

void Open(FreedesktopTrash::State& s, TrashOut& t) {
  t.error = OpenTrashFolder(*t.loc, s.settings.uid, t.trash);
  if (t.error) return;
  struct stat st;
  if (fstat(t.trash.get(), &st) != 0) {
    t.error = errno;
    return;
  }
  t.dev = st.st_dev;
  t.info.reset(openat(t.trash.get(), "info", kOpenFolder));
  t.files.reset(openat(t.trash.get(), "files", kOpenFolder));
  // A folder that is a link or another mount is no part of this trash.
  for (const UniqueFd* fd : {&t.info, &t.files}) {
    if (!fd->ok() || fstat(fd->get(), &st) != 0 || st.st_dev != t.dev || IsMountRoot(fd->get())) {
      t.error = fd->ok() ? EPERM : errno;
      return;
    }
  }
}

// The directorysizes lines of what left the trash go.
void Finish(TrashOut& t) {
  if (t.gone.empty()) return;
  std::string text, kept;
  if (ReadRegularFileAt(t.trash.get(), "directorysizes", text, kMaxDirectorySizesFile) &&
      DropDirectorySizes(text, t.gone, kept)) {
    ReplaceOptions options;
    options.mode = 0600;
    ReplaceFileAt(t.trash.get(), "directorysizes", kept, options);
  }
  for (const std::string& key : t.gone) t.loc->dirty.insert(key);
}

// Moves files/<key> to `name` in `parentFd`; 0 or an errno value, EEXIST when taken.
int MoveBack(FreedesktopTrash::State& s, TrashOut& t, const std::string& key, int parentFd,
             const std::string& name, dev_t itemDev, bool isDir) {
  struct stat pst, st;
  if (fstat(parentFd, &pst) != 0) return errno;
  if (fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
  int err = EXDEV;
  if (pst.st_dev == itemDev) {
    if (renameat2(t.files.get(), key.c_str(), parentFd, name.c_str(), RENAME_NOREPLACE) == 0)
      return 0;
    err = errno;
    if (err == EINVAL) {
      // No RENAME_NOREPLACE here: a hard link cannot replace anything.
      if (!isDir && linkat(t.files.get(), key.c_str(), parentFd, name.c_str(), 0) == 0) {
        if (unlinkat(t.files.get(), key.c_str(), 0) == 0) return 0;
        err = errno;
        unlinkat(parentFd, name.c_str(), 0);
        return err;
      }
      if (!isDir) return errno;
      if (fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
      // A folder replaces only an empty folder, which was not there an instant ago.
      if (renameat(t.files.get(), key.c_str(), parentFd, name.c_str()) == 0) return 0;
      err = errno;
    }
    if (err == ENOTEMPTY) err = EEXIST;
    if (err != EXDEV) return err;
  }
  // Another volume: a complete copy under a name of ours, put in place
  // without replacing anything, and only then the trash's copy goes. The copy
  // is recorded while it runs, so that a start after a crash removes it.
  static std::atomic<unsigned> serial{0};
  const std::string temp = CopyName(static_cast<long>(getpid()), ++serial);
  const std::string records = CopyRecordFolder(s.settings.dataHome.string());
  std::string parentPath;
  {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", parentFd);
    char buf[PATH_MAX];
    const ssize_t n = readlink(link, buf, sizeof buf);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buf) parentPath.assign(buf, n);
  }
  UniqueFd recordFd;
  if (!parentPath.empty() && MakeDirs(records) == 0) {
    recordFd.reset(open(records.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (recordFd.ok()) {
      ReplaceOptions options;
      options.mode = 0600;
      if (!ReplaceFileAt(recordFd.get(), temp, parentPath, options)) recordFd.reset(-1);
    }
  }
  auto forget = [&] {
    if (recordFd.ok()) unlinkat(recordFd.get(), temp.c_str(), 0);
  };
  if (int copyErr = CopyTreeAt(t.files.get(), key, itemDev, parentFd, temp, s.stop)) {
    forget();
    return copyErr;
  }
  if (renameat2(parentFd, temp.c_str(), parentFd, name.c_str(), RENAME_NOREPLACE) != 0) {
    err = errno;
    RemoveRules rules;
    rules.makeWritable = true;
    RemoveTreeAt(parentFd, temp, pst.st_dev, rules, {});
    forget();
    return err == ENOTEMPTY ? EEXIST : err;
  }
  forget();
  RemoveRules rules;
  rules.makeWritable = true;
  RemoveTreeAt(t.files.get(), key, t.dev, rules, {});
  return 0;
}

// The opened trash an item lies in, opened once per trash for a whole call;
// nullptr with the reason when there is none.
TrashOut* OpenTrashOf(FreedesktopTrash::State& s, const TrashedItem& item,
                      std::map<Location*, TrashOut>& open, std::string& why) {
  Location* loc = ValidKey(item.key) ? FindLocation(s, item.trash) : nullptr;
  if (!loc) {
    why = kGone;
    return nullptr;
  }
  TrashOut& t = open[loc];
  if (!t.loc) {
    t.loc = loc;
    Open(s, t);
  }
  if (t.error) {
    why = "no se puede abrir su papelera (" + Reason(t.error) + ")";
    return nullptr;
  }
  return &t;
}

// Runs `each` for every item with its trash open, then closes the trashes;
// an item whose trash cannot be opened stays, with the reason.
template <typename Each>
ItemsResult ForEachInItsTrash(FreedesktopTrash::State& s, const std::vector<TrashedItem>& items,
                              Each each) {
  RefreshKeepingList(s);
  ItemsResult result;
  std::map<Location*, TrashOut> open;
  for (const TrashedItem& item : items) {
    auto stay = [&](std::string why) { result.stayed.emplace_back(item, std::move(why)); };
    std::string why;
    TrashOut* out = OpenTrashOf(s, item, open, why);
    if (!out) {
      stay(why);
      continue;
    }
    each(item, *out, stay, result);
  }
  for (auto& [loc, t] : open) Finish(t);
  return result;
}

}  // namespace

ItemsResult FreedesktopTrash::restore(const std::vector<TrashedItem>& items) {
  State& s = *s_;
  return ForEachInItsTrash(
      s, items, [&](const TrashedItem& item, TrashOut& t, auto& stay, ItemsResult& result) {
        Location* loc = t.loc;
        struct stat st;
        std::string text, encoded;
        const bool hasFile =
            fstatat(t.files.get(), item.key.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (!hasFile || !ReadInfo(t.info.get(), item.key, text) ||
            !ParseInfo(text, &encoded, nullptr) || !StillTheItem(item, text, hasFile, st)) {
          stay(kGone);
          return;
        }
        if (s.stop && s.stop()) {
          stay(kStopped);
          return;
        }
        const std::string original = OriginalPath(*loc, encoded);
        // Another item under the same name since it was listed.
        if (!item.original.empty() && item.original.lexically_normal().string() != original) {
          stay(kGone);
          return;
        }
        if (original.empty() || original == "/") {
          stay("no se sabe de dónde vino");
          return;
        }
        // A volume's trash puts back on that volume only: an info file on a
        // stick must not send its item into the system's folders.
        if (loc->kind != Kind::kHome && loc->topDir != "/" &&
            original.rfind(loc->topDir + "/", 0) != 0) {
          stay("su ubicación está fuera de su volumen");
          return;
        }
        std::string why;
        UniqueFd parent(OpenParentNoFollow(original, why));
        if (!parent.ok()) {
          stay(why);
          return;
        }
        const std::string name = original.substr(original.find_last_of('/') + 1);
        const int err =
            MoveBack(s, t, item.key, parent.get(), name, st.st_dev, S_ISDIR(st.st_mode));
        if (err) {
          // Taken out meanwhile by another program: gone, not failed.
          const bool gone = err == ENOENT &&
                            fstatat(t.files.get(), item.key.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0;
          stay(err == EEXIST      ? std::string(kTaken)
               : err == ECANCELED ? std::string(kStopped)
               : gone             ? std::string(kGone)
                                  : Reason(err));
          return;
        }
        unlinkat(t.info.get(), (item.key + kInfoSuffix).c_str(), 0);
        t.gone.insert(item.key);
        TrashedItem back = item;
        back.original = original;
        result.done.push_back(std::move(back));
      });
}

ItemsResult FreedesktopTrash::erase(const std::vector<TrashedItem>& items) {
  State& s = *s_;
  return ForEachInItsTrash(
      s, items, [&](const TrashedItem& item, TrashOut& t, auto& stay, ItemsResult& result) {
        Location* loc = t.loc;
        const std::string infoName = item.key + kInfoSuffix;
        struct stat st;
        const bool hasFile =
            fstatat(t.files.get(), item.key.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        std::string text;
        const bool hasInfo = item.info.empty() ? faccessat(t.info.get(), infoName.c_str(), F_OK,
                                                           AT_SYMLINK_NOFOLLOW) == 0
                                               : ReadInfo(t.info.get(), item.key, text);
        if (!hasInfo || !StillTheItem(item, text, hasFile, st)) {
          stay(kGone);
          return;
        }
        if (hasFile &&
            !RemoveTreeAt(t.files.get(), item.key, t.dev, s.hook, fs::path(loc->path) / "files")) {
          t.loc->dirty.insert(item.key);
          auto it = t.loc->entries.find(item.key);
          if (it != t.loc->entries.end()) it->second.measured = false;  // part of it may be gone
          stay("no se pudo eliminar del todo");
          return;
        }
        if (unlinkat(t.info.get(), infoName.c_str(), 0) != 0 && errno != ENOENT) {
          stay(Reason(errno));
          return;
        }
        t.gone.insert(item.key);
        result.done.push_back(item);
      });
}

void FreedesktopTrash::stopWhen(std::function<bool()> stop) { s_->stop = std::move(stop); }

void FreedesktopTrash::removeLeftCopies() {
  const std::string records = CopyRecordFolder(s_->settings.dataHome.string());
  UniqueFd dir(open(records.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!dir.ok()) return;
  std::vector<std::pair<std::string, bool>> names;
  if (!ReadFolderNames(dir.get(), names)) return;
  const std::string prefix = ".wastewell-";
  for (const auto& [name, isDir] : names) {
    long pid = 0;
    unsigned serial = 0;
    char rest = 0;
    if (name.rfind(prefix, 0) != 0 ||
        std::sscanf(name.c_str() + prefix.size(), "%ld-%u%c", &pid, &serial, &rest) != 2 ||
        pid <= 0 || CopyName(pid, serial) != name)
      continue;  // not a record of ours (a temporary file of the record's writer, say)
    // A copy of a process that still runs is still under way.
    if (pid == static_cast<long>(getpid()) || kill(static_cast<pid_t>(pid), 0) == 0 ||
        errno != ESRCH)
      continue;
    std::string where;
    if (ReadRegularFileAt(dir.get(), name, where, PATH_MAX) && !where.empty() && where[0] == '/') {
      UniqueFd parent(open(where.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      struct stat pst, st;
      // Only in a folder of the user's, and only the copy's own name.
      if (parent.ok() && fstat(parent.get(), &pst) == 0 && pst.st_uid == s_->settings.uid &&
          fstatat(parent.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
          st.st_uid == s_->settings.uid && st.st_dev == pst.st_dev) {
        RemoveRules rules;
        rules.makeWritable = true;
        RemoveTreeAt(parent.get(), name, pst.st_dev, rules, {});
      }
    }
    unlinkat(dir.get(), name.c_str(), 0);
  }
}

}  // namespace platform
