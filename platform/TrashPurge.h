#pragma once
// Keeping the trash small by itself: the rules that choose what an automatic
// pass deletes (by age and by the share of each trash's disk), and the
// adapter that lists, checks and deletes through the recycle bin.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/RecycleBin.h"

namespace platform {

struct PurgeSettings {
  int days = 0;           // items deleted more than this many days ago go; 0 off
  int percent = 0;        // each trash stays under this share of its disk; 0 off
  bool oldestGo = false;  // over the share: the oldest go; else a drop asks first
  bool On() const { return days > 0 || percent > 0; }
};

// A trash with the size of the disk it lies on (bytes; 0 unknown).
struct TrashVolume {
  std::filesystem::path trash;
  std::int64_t diskSize = 0;
};

// The items of `items` (indexes, in order) a pass deletes at `now` (seconds
// since 1970): by age those dated more than `days` before now, never an item
// without a date or dated ahead; by size, with oldestGo, the oldest dated
// items of each trash over its share until it is under. An item larger than
// the whole share neither goes nor counts: it is no reason to delete the rest.
std::vector<std::size_t> ChoosePurge(const std::vector<TrashedItem>& items,
                                     const std::vector<TrashVolume>& volumes,
                                     const PurgeSettings& settings, std::int64_t now);

// When the age rule takes the item (seconds since 1970); 0 never.
std::int64_t PurgeTime(const TrashedItem& item, const PurgeSettings& settings);

// The share of a disk in bytes (0 when the rule is off or the size unknown).
std::int64_t ShareLimit(const PurgeSettings& settings, std::int64_t diskSize);

// Whether a drop must ask before moving: the target trash would pass the
// share ("Avisar"), or one dropped item alone is larger than the share.
bool DropAsks(const PurgeSettings& settings, std::int64_t diskSize, std::int64_t trashSize,
              std::int64_t dropSize, std::int64_t largestItem);

// What a listed item was when it was listed, so that a pass deletes that
// item and no other that took its name since.
struct ItemMark {
  bool ok = false;
  std::uint64_t fileDev = 0, fileIno = 0;  // files/<key>; 0 when it had none
  std::uint64_t infoDev = 0, infoIno = 0;
  std::int64_t infoMtimeNs = 0;
};

struct PurgePlan {
  std::vector<TrashedItem> items;
  std::vector<ItemMark> marks;  // one per item
  std::int64_t size = 0;        // bytes of the items of known size
};

// Where a drop would go: the disk and what the trash there already holds.
struct DropShare {
  std::int64_t diskSize = 0;
  std::int64_t trashSize = 0;
  std::int64_t dropSize = 0;
  std::int64_t largestItem = 0;
};

class TrashPurger {
 public:
  virtual ~TrashPurger() = default;
  // What a pass would delete now, each item marked as it is now.
  virtual PurgePlan Plan(const PurgeSettings& settings, std::int64_t now) = 0;
  // Deletes the plan's items that are still what was marked, as the
  // emptying does (no link followed, no mount crossed); the rest stays.
  virtual ItemsResult Carry(const PurgePlan& plan) = 0;
  // The share figures of each trash a drop of `items` would fill, one per disk.
  virtual std::vector<DropShare> SharesOf(const std::vector<std::filesystem::path>& items) = 0;
};

// Whether this system's adapters can list the trash for a purge.
bool CanPurge();

// A purger over `bin`, which must outlive it; nullptr where the system
// cannot list the trash.
std::unique_ptr<TrashPurger> MakeTrashPurger(RecycleBin& bin);

}  // namespace platform
