#include "tools/restore/TrashLister.h"

namespace tools {

std::string ItemId(const platform::TrashedItem& item) {
  return item.trash.string() + '\n' + item.key;
}

TrashLister::TrashLister(std::unique_ptr<platform::RecycleBin> bin, int pollMs)
    : bin_(std::move(bin)), pollMs_(pollMs) {}

TrashLister::~TrashLister() = default;

void TrashLister::Start() {
  timer_ = new QTimer(this);
  timer_->setInterval(pollMs_);
  connect(timer_, &QTimer::timeout, this, &TrashLister::Poll);
  Poll();
  timer_->start();
}

void TrashLister::Poll() {
  if (!bin_) return;
  std::vector<platform::TrashedItem> items = bin_->list();
  auto batch = std::make_shared<ListBatch>();
  std::unordered_set<std::string> now;
  now.reserve(items.size());
  for (platform::TrashedItem& item : items) {
    std::string id = ItemId(item);
    if (!known_.count(id)) batch->added.push_back(std::move(item));
    now.insert(std::move(id));
  }
  for (const std::string& id : known_)
    if (!now.count(id)) batch->removed.push_back(id);
  known_ = std::move(now);
  // The first batch goes even when empty: it tells that the listing is done.
  if (first_ || !batch->added.empty() || !batch->removed.empty()) emit Changed(batch);
  first_ = false;
}

void TrashLister::Restore(const std::vector<platform::TrashedItem>& items) {
  auto outcome = std::make_shared<ItemsOutcome>();
  outcome->restoring = true;
  if (bin_) outcome->result = bin_->restore(items);
  Poll();
  emit Done(outcome);
}

void TrashLister::Erase(const std::vector<platform::TrashedItem>& items) {
  auto outcome = std::make_shared<ItemsOutcome>();
  outcome->restoring = false;
  if (bin_) outcome->result = bin_->erase(items);
  Poll();
  emit Done(outcome);
}

}  // namespace tools
