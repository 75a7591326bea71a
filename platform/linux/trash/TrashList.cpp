// The listing of every trash for the restore window. The index (TrashIndex.cpp)
// already follows each trash through inotify; the listing keeps what it read
// of each info file and reads again only the keys the index saw change.
#include "platform/linux/trash/TrashList.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <unordered_map>

#include "platform/linux/trash/TrashInfo.h"

namespace platform {

namespace fs = std::filesystem;
using namespace trash;

namespace trash {

namespace {

constexpr std::size_t kMaxInfoFile = 64 << 10;
constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string Trim(const std::string& s) {
  std::size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return {};
  std::size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

}  // namespace

struct Cached {
  std::string original;
  std::int64_t deleted = 0;
  bool folder = false;
  std::uint64_t dev = 0, ino = 0;
  std::string info;
  // The index's view when this was read: a change the listing did not see
  // (another caller took the index's news) still shows here.
  bool hasFile = false;
  std::int64_t size = 0;
};

struct ListCache {
  std::unordered_map<std::string, std::unordered_map<std::string, Cached>> byTrash;
};

bool ParseInfo(const std::string& text, std::string* path, std::string* date) {
  bool inGroup = false, found = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inGroup = line == "[Trash Info]";
      continue;
    }
    if (!inGroup) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string k = Trim(line.substr(0, eq));
    const std::string v = Trim(line.substr(eq + 1));
    if (k == "Path" && !found) {
      *path = v;
      found = true;
    } else if (k == "DeletionDate" && date) {
      *date = v;
    }
  }
  return found;
}

std::int64_t ParseDeletionDate(const std::string& date) {
  std::tm tm{};
  int y, mo, d, h, mi, s;
  char t;
  if (std::sscanf(date.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &y, &mo, &d, &t, &h, &mi, &s) != 7 ||
      t != 'T')
    return 0;
  // mktime rolls fields over: a month 13 or a day 45 would read as another date.
  static const int kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (mo < 1 || mo > 12 || d < 1 || d > kMonthDays[mo - 1] || (mo == 2 && d == 29 && !leap) ||
      h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 60)
    return 0;
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  const std::time_t when = std::mktime(&tm);
  return when == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(when);
}

std::string OriginalPath(const Location& l, const std::string& encodedPath) {
  const std::string decoded = PercentDecode(encodedPath);
  if (decoded.empty() || decoded.find('\0') != std::string::npos) return {};
  std::string full;
  if (decoded[0] == '/')
    full = decoded;
  else if (l.kind == Kind::kHome)
    return {};  // the home trash keeps absolute paths only
  else
    full = Join(l.topDir, decoded);
  std::string clean;
  std::size_t pos = 1;
  while (pos <= full.size()) {
    std::size_t end = full.find('/', pos);
    if (end == std::string::npos) end = full.size();
    const std::string step = full.substr(pos, end - pos);
    pos = end + 1;
    if (step.empty()) continue;
    if (step == "." || step == "..") return {};
    clean += "/" + step;
  }
  return clean;
}

bool ReadInfo(int infoFd, const std::string& key, std::string& text) {
  text.clear();
  return ReadRegularFileAt(infoFd, key + kInfoSuffix, text, kMaxInfoFile);
}

bool ValidKey(const std::string& key) {
  return !key.empty() && key != "." && key != ".." && key.find('/') == std::string::npos &&
         key.find('\0') == std::string::npos;
}

}  // namespace trash

namespace trash {

ListCache& RefreshKeepingList(FreedesktopTrash::State& s) {
  if (!s.listCache) s.listCache = std::make_shared<ListCache>();
  ListCache& cache = *s.listCache;
  // The index's refresh, with a look at what it is about to read again.
  s.refreshVolumes();
  s.drainEvents();
  for (auto& l : s.locations) s.probe(*l);
  for (auto& l : s.locations) {
    auto& known = cache.byTrash[l->path];
    if (l->resetup || l->rescan)
      known.clear();
    else
      for (const std::string& key : l->dirty) known.erase(key);
  }
  for (auto& l : s.locations) s.update(*l);
  for (auto& l : s.locations)
    if (l->resetup) s.update(*l);
  return cache;
}

}  // namespace trash

std::vector<TrashedItem> FreedesktopTrash::list() {
  State& s = *s_;
  ListCache& cache = RefreshKeepingList(s);

  // Trashes that went, or stopped counting, leave the cache.
  for (auto it = cache.byTrash.begin(); it != cache.byTrash.end();) {
    bool counted = false;
    for (auto& l : s.locations)
      counted = counted || (l->path == it->first && l->active && !l->duplicate);
    it = counted ? std::next(it) : cache.byTrash.erase(it);
  }

  std::vector<TrashedItem> items;
  for (auto& l : s.locations) {
    if (!l->active || l->duplicate) continue;
    auto& known = cache.byTrash[l->path];
    // Keys the index dropped (their item and info file are gone).
    if (known.size() > l->entries.size())
      for (auto it = known.begin(); it != known.end();)
        it = l->entries.count(it->first) ? std::next(it) : known.erase(it);
    UniqueFd info, files;
    bool opened = false;
    for (const auto& [key, e] : l->entries) {
      if (!e.hasInfo) continue;
      auto it = known.find(key);
      if (it != known.end() && (it->second.hasFile != e.hasFile || it->second.size != e.size))
        it = known.end();
      if (it == known.end()) {
        if (!opened) {
          opened = true;
          info.reset(open(l->sub("info").c_str(), kOpenFolder));
          files.reset(open(l->sub("files").c_str(), kOpenFolder));
        }
        Cached c;
        std::string text, path, date;
        if (info.ok() && ReadInfo(info.get(), key, text)) {
          if (ParseInfo(text, &path, &date)) {
            c.original = OriginalPath(*l, path);
            c.deleted = ParseDeletionDate(date);
          }
          c.info = std::move(text);
        }
        struct stat st;
        if (files.ok() && fstatat(files.get(), key.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
          c.folder = S_ISDIR(st.st_mode);
          c.dev = st.st_dev;
          c.ino = st.st_ino;
        }
        c.hasFile = e.hasFile;
        c.size = e.size;
        it = known.insert_or_assign(key, std::move(c)).first;
      }
      const Cached& c = it->second;
      TrashedItem item;
      item.trash = l->path;
      item.key = key;
      item.original = c.original;
      item.deleted = c.deleted;
      item.size = e.hasFile ? e.size : -1;
      item.folder = c.folder;
      item.dev = c.dev;
      item.ino = c.ino;
      item.info = c.info;
      items.push_back(std::move(item));
    }
  }
  return items;
}

}  // namespace platform
