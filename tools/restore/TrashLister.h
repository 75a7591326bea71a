#pragma once
// The restore window's worker: owns a trash adapter of its own on a thread
// of its own, lists the trash, follows it, and restores or deletes items, so
// that the window stays live whatever the trash holds.
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/RecycleBin.h"

namespace tools {

// An item's identity across listings.
std::string ItemId(const platform::TrashedItem& item);

// What changed since the last batch.
struct ListBatch {
  std::vector<platform::TrashedItem> added;
  std::vector<std::string> removed;  // ItemId of items gone
};

struct ItemsOutcome {
  bool restoring = true;  // false: deleting for good
  platform::ItemsResult result;
};

class TrashLister : public QObject {
  Q_OBJECT
 public:
  explicit TrashLister(std::unique_ptr<platform::RecycleBin> bin, int pollMs = 500);
  ~TrashLister() override;

  // All three run on the worker's thread.
  void Start();
  void Restore(const std::vector<platform::TrashedItem>& items);
  void Erase(const std::vector<platform::TrashedItem>& items);

 signals:
  void Changed(std::shared_ptr<const tools::ListBatch> batch);
  void Done(std::shared_ptr<const tools::ItemsOutcome> outcome);

 private:
  void Poll();

  std::unique_ptr<platform::RecycleBin> bin_;
  QTimer* timer_ = nullptr;
  int pollMs_;
  bool first_ = true;
  std::unordered_set<std::string> known_;
};

}  // namespace tools

Q_DECLARE_METATYPE(std::shared_ptr<const tools::ListBatch>)
Q_DECLARE_METATYPE(std::shared_ptr<const tools::ItemsOutcome>)
