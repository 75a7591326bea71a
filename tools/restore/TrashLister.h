#pragma once
// The restore window's worker: owns a trash adapter of its own on a thread
// of its own, lists the trash and follows it, so that the window stays live
// whatever the trash holds. Changes of the trash go through the bin.
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

class TrashLister : public QObject {
  Q_OBJECT
 public:
  explicit TrashLister(std::unique_ptr<platform::RecycleBin> bin, int pollMs = 500);
  ~TrashLister() override;

  // Both run on the worker's thread. Poll looks at the trash at once.
  void Start();
  void Poll();

 signals:
  void Changed(std::shared_ptr<const tools::ListBatch> batch);

 private:
  std::unique_ptr<platform::RecycleBin> bin_;
  QTimer* timer_ = nullptr;
  int pollMs_;
  bool first_ = true;
  std::unordered_set<std::string> known_;
};

}  // namespace tools

Q_DECLARE_METATYPE(std::shared_ptr<const tools::ListBatch>)
