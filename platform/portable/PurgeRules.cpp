#include <algorithm>
#include <map>

#include "platform/TrashPurge.h"

namespace platform {

namespace {
constexpr std::int64_t kDay = 24 * 60 * 60;
}

std::int64_t PurgeTime(const TrashedItem& item, const PurgeSettings& settings) {
  if (settings.days <= 0 || item.deleted <= 0) return 0;
  return item.deleted + std::int64_t{settings.days} * kDay + 1;
}

std::int64_t ShareLimit(const PurgeSettings& settings, std::int64_t diskSize) {
  if (settings.percent <= 0 || diskSize <= 0) return 0;
  // A disk size near the top of int64 must not overflow the product.
  return diskSize / 100 * settings.percent + diskSize % 100 * settings.percent / 100;
}

std::vector<std::size_t> ChoosePurge(const std::vector<TrashedItem>& items,
                                     const std::vector<TrashVolume>& volumes,
                                     const PurgeSettings& settings, std::int64_t now) {
  std::vector<bool> goes(items.size(), false);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::int64_t when = PurgeTime(items[i], settings);
    // Dated ahead of now: a clock that was wrong, not an old item.
    goes[i] = when > 0 && items[i].deleted <= now && when <= now;
  }
  if (settings.percent > 0 && settings.oldestGo) {
    std::map<std::filesystem::path, std::int64_t> diskOf;
    for (const TrashVolume& v : volumes) diskOf[v.trash] = v.diskSize;
    std::map<std::filesystem::path, std::vector<std::size_t>> byTrash;
    for (std::size_t i = 0; i < items.size(); ++i) byTrash[items[i].trash].push_back(i);
    for (auto& [trash, indexes] : byTrash) {
      auto disk = diskOf.find(trash);
      const std::int64_t limit = disk == diskOf.end() ? 0 : ShareLimit(settings, disk->second);
      if (limit <= 0) continue;
      std::int64_t held = 0;
      for (std::size_t i : indexes)
        if (!goes[i] && items[i].size > 0 && items[i].size <= limit) held += items[i].size;
      if (held <= limit) continue;
      std::vector<std::size_t> oldest;
      for (std::size_t i : indexes)
        if (!goes[i] && items[i].deleted > 0 && items[i].deleted <= now && items[i].size > 0 &&
            items[i].size <= limit)
          oldest.push_back(i);
      std::stable_sort(oldest.begin(), oldest.end(), [&](std::size_t a, std::size_t b) {
        return items[a].deleted < items[b].deleted;
      });
      for (std::size_t i : oldest) {
        if (held <= limit) break;
        goes[i] = true;
        held -= items[i].size;
      }
    }
  }
  std::vector<std::size_t> chosen;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (goes[i]) chosen.push_back(i);
  return chosen;
}

bool DropAsks(const PurgeSettings& settings, std::int64_t diskSize, std::int64_t trashSize,
              std::int64_t dropSize, std::int64_t largestItem) {
  const std::int64_t limit = ShareLimit(settings, diskSize);
  if (limit <= 0) return false;
  if (largestItem > limit) return true;
  return !settings.oldestGo && trashSize + dropSize > limit;
}

}  // namespace platform
