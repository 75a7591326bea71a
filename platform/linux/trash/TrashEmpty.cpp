// Emptying every trash. Nothing outside a trash is ever removed: a trash whose
// folders are links or mount points is left whole, and removal never follows
// a link or enters another mount. Whatever stays is reported.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <set>

#include "platform/linux/trash/TrashInfo.h"
#include "platform/linux/trash/TrashState.h"

namespace platform {

namespace fs = std::filesystem;
using namespace trash;

namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// trash-put and others write the info file first and move the item in after
// it: an info file this young without its item is most likely such a move.
constexpr auto kArrivingInfoAge = std::chrono::seconds(5);

// A trash folder must be a folder of the trash's own, not a mount of
// something else: emptying it would empty whatever is mounted there.
bool Foreign(int fd, dev_t trashDev) {
  struct stat st;
  return fstat(fd, &st) != 0 || st.st_dev != trashDev || IsMountRoot(fd);
}

bool YoungInfo(const struct stat& st) {
  const auto now = std::chrono::system_clock::now();
  const auto mtime = std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
  return mtime > now - kArrivingInfoAge && mtime < now + kArrivingInfoAge;
}

}  // namespace

namespace trash {

bool DropDirectorySizes(const std::string& text, const std::set<std::string>& removed,
                        std::string& kept) {
  bool dropped = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    std::size_t a = line.find(' ');
    std::size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
    if (b != std::string::npos && removed.count(PercentDecode(line.substr(b + 1)))) {
      dropped = true;
      continue;
    }
    if (!line.empty()) kept += line + "\n";
  }
  return dropped;
}

}  // namespace trash

EmptyResult FreedesktopTrash::empty(
    const std::function<bool(std::int64_t, std::int64_t)>& progress) {
  State& s = *s_;
  s.refresh();
  EmptyResult result;

  struct Work {
    Location* loc;
    UniqueFd trash, info, files;
    dev_t filesDev = 0, infoDev = 0;
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
    struct stat tst;
    if (fstat(w.trash.get(), &tst) != 0 || IsMountRoot(w.trash.get())) {
      result.left.push_back(l->path);
      continue;
    }
    w.info.reset(openat(w.trash.get(), "info", kOpenFolder));
    bool infoUsable = w.info.ok() || errno == ENOENT;
    w.files.reset(openat(w.trash.get(), "files", kOpenFolder));
    bool filesUsable = w.files.ok() || errno == ENOENT;
    if (!infoUsable || !filesUsable) {
      // info/ or files/ is a link or no folder: its entries cannot be told
      // apart from what lies elsewhere. Leave this trash whole.
      result.left.push_back(l->path);
      continue;
    }
    if ((w.info.ok() && Foreign(w.info.get(), tst.st_dev)) ||
        (w.files.ok() && Foreign(w.files.get(), tst.st_dev))) {
      result.left.push_back(l->path);
      continue;
    }
    w.infoDev = w.filesDev = tst.st_dev;
    std::set<std::string> present;
    if (w.files.ok()) {
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
    const fs::path infoPath = fs::path(w.loc->path) / "info";
    // An info file that stays keeps its item counted: it is reported like
    // any item that stays.
    auto removeInfo = [&](const std::string& key) {
      const std::string name = key + kInfoSuffix;
      if (unlinkat(w.info.get(), name.c_str(), 0) == 0 || errno == ENOENT) return true;
      if (errno == EISDIR && RemoveTreeAt(w.info.get(), name, w.infoDev, nullptr, infoPath))
        return true;
      result.left.push_back(infoPath / name);
      w.loc->dirty.insert(key);
      return false;
    };
    for (const std::string& name : w.fileNames) {
      if (stopped) break;
      if (RemoveTreeAt(w.files.get(), name, w.filesDev, s.hook, filesPath)) {
        removedNames.insert(name);
        if (!w.info.ok() || removeInfo(name)) ++result.removed;
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
      tick();
      // Its item may have arrived since the listing (another program trashing now).
      if (w.files.ok() && fstatat(w.files.get(), key.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        continue;
      if (fstatat(w.info.get(), (key + kInfoSuffix).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
          YoungInfo(st))
        continue;
      if (removeInfo(key)) ++result.removed;
    }
    if (removedNames.empty()) continue;
    // Drop the directorysizes lines of what is gone; the rest stay as written.
    std::string text, kept;
    if (ReadRegularFileAt(w.trash.get(), "directorysizes", text, kMaxDirectorySizesFile) &&
        DropDirectorySizes(text, removedNames, kept)) {
      ReplaceOptions options;
      options.mode = 0600;
      ReplaceFileAt(w.trash.get(), "directorysizes", kept, options);
    }
  }
  if (progress && !stopped) progress(done, total);
  return result;
}

}  // namespace platform
