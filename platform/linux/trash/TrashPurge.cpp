// The automatic purge over the freedesktop trash: the bin's listing (the
// index keeps it current, so a pass with nothing to do reads no info file),
// the disk of each trash, and a mark of each chosen item taken from the
// trash itself so that the deletion meets the same item or none.
#include "platform/TrashPurge.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <map>

#include "platform/linux/removal/PosixFile.h"
#include "platform/linux/trash/TrashInfo.h"
#include "platform/linux/trash/TrashList.h"
#include "platform/portable/SaturatingSize.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
const char* const kChanged = "cambió desde que se listó";

std::int64_t DiskSize(const fs::path& path) {
  struct statvfs v;
  if (statvfs(path.c_str(), &v) != 0) return 0;
  const unsigned long long bytes =
      static_cast<unsigned long long>(v.f_blocks) * static_cast<unsigned long long>(v.f_frsize);
  return bytes > static_cast<unsigned long long>(INT64_MAX) ? INT64_MAX
                                                            : static_cast<std::int64_t>(bytes);
}

// The item's mark as its trash holds it now; ok false when its info file is gone.
ItemMark MarkOf(const TrashedItem& item) {
  ItemMark m;
  if (!trash::ValidKey(item.key)) return m;
  // The home trash may lie behind a link; its info/ and files/ may not.
  UniqueFd trashFd(open(item.trash.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!trashFd.ok()) return m;
  UniqueFd info(openat(trashFd.get(), "info", kOpenFolder));
  UniqueFd files(openat(trashFd.get(), "files", kOpenFolder));
  struct stat st;
  if (!info.ok() || !StatNoWait(info.get(), (item.key + trash::kInfoSuffix).c_str(), st) ||
      !S_ISREG(st.st_mode))
    return m;
  m.infoDev = st.st_dev;
  m.infoIno = st.st_ino;
  m.infoMtimeNs = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
  if (files.ok() && StatNoWait(files.get(), item.key.c_str(), st)) {
    m.fileDev = st.st_dev;
    m.fileIno = st.st_ino;
  }
  m.ok = true;
  return m;
}

bool SameMark(const ItemMark& a, const ItemMark& b) {
  return a.ok && b.ok && a.fileDev == b.fileDev && a.fileIno == b.fileIno &&
         a.infoDev == b.infoDev && a.infoIno == b.infoIno && a.infoMtimeNs == b.infoMtimeNs;
}

// Apparent bytes of a tree, links not followed, the disk not left.
std::int64_t TreeSize(int dirFd, const char* name, dev_t dev, int depth) {
  struct stat st;
  if (!StatNoWait(dirFd, name, st) || st.st_dev != dev) return 0;
  std::int64_t total = S_ISREG(st.st_mode) ? st.st_size : 0;
  if (!S_ISDIR(st.st_mode) || depth > 256) return total;
  UniqueFd fd(openat(dirFd, name, kOpenFolder | O_NONBLOCK));
  if (!fd.ok()) return total;
  DIR* dir = fdopendir(dup(fd.get()));
  if (!dir) return total;
  while (dirent* e = readdir(dir)) {
    const std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    total = SaturatingAdd(total, TreeSize(fd.get(), n.c_str(), dev, depth + 1));
  }
  closedir(dir);
  return total;
}

class LinuxPurger final : public TrashPurger {
 public:
  explicit LinuxPurger(RecycleBin& bin) : bin_(bin) {}

  PurgePlan Plan(const PurgeSettings& settings, std::int64_t now) override {
    PurgePlan plan;
    if (!settings.On()) return plan;
    const std::vector<TrashedItem> items = bin_.list();
    std::vector<TrashVolume> volumes;
    if (settings.percent > 0 && settings.oldestGo) {
      std::map<fs::path, bool> seen;
      for (const TrashedItem& item : items)
        if (!seen[item.trash]) {
          seen[item.trash] = true;
          volumes.push_back({item.trash, DiskSize(item.trash)});
        }
    }
    for (std::size_t i : ChoosePurge(items, volumes, settings, now)) {
      ItemMark mark = MarkOf(items[i]);
      if (!mark.ok) continue;  // gone meanwhile
      plan.items.push_back(items[i]);
      plan.marks.push_back(mark);
      if (items[i].size > 0) plan.size = SaturatingAdd(plan.size, items[i].size);
    }
    return plan;
  }

  ItemsResult Carry(const PurgePlan& plan) override {
    ItemsResult result;
    std::vector<TrashedItem> same;
    for (std::size_t i = 0; i < plan.items.size() && i < plan.marks.size(); ++i) {
      if (SameMark(MarkOf(plan.items[i]), plan.marks[i]))
        same.push_back(plan.items[i]);
      else
        result.stayed.emplace_back(plan.items[i], kChanged);
    }
    if (same.empty()) return result;
    ItemsResult erased = bin_.erase(same);
    result.done = std::move(erased.done);
    for (auto& s : erased.stayed) result.stayed.push_back(std::move(s));
    return result;
  }

  std::vector<DropShare> SharesOf(const std::vector<fs::path>& items) override {
    // Each disk's trash: the home trash on its own disk, a listed trash on the others.
    std::map<dev_t, DropShare> byDisk;
    std::map<dev_t, fs::path> trashOn;
    std::map<fs::path, std::int64_t> held;
    for (const TrashedItem& item : bin_.list())
      if (item.size > 0) held[item.trash] = SaturatingAdd(held[item.trash], item.size);
    struct stat st;
    for (const auto& [trash, bytes] : held)
      if (stat(trash.c_str(), &st) == 0) trashOn.emplace(st.st_dev, trash);
    const fs::path home = bin_.homeTrashFilesFolder().parent_path();
    if (stat(home.c_str(), &st) == 0) trashOn[st.st_dev] = home;
    for (const fs::path& item : items) {
      if (lstat(item.c_str(), &st) != 0) continue;
      const std::int64_t bytes = TreeSize(AT_FDCWD, item.c_str(), st.st_dev, 0);
      auto [it, fresh] = byDisk.try_emplace(st.st_dev);
      DropShare& d = it->second;
      if (fresh) {
        auto trash = trashOn.find(st.st_dev);
        d.diskSize = DiskSize(item.parent_path());
        if (trash != trashOn.end()) d.trashSize = held[trash->second];
      }
      d.dropSize = SaturatingAdd(d.dropSize, bytes);
      d.largestItem = std::max(d.largestItem, bytes);
    }
    std::vector<DropShare> shares;
    for (const auto& [dev, d] : byDisk) shares.push_back(d);
    return shares;
  }

 private:
  RecycleBin& bin_;
};

}  // namespace

bool CanPurge() { return true; }

std::unique_ptr<TrashPurger> MakeTrashPurger(RecycleBin& bin) {
  return std::make_unique<LinuxPurger>(bin);
}

}  // namespace platform
