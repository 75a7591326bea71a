#include "tools/restore/TrashLister.h"

namespace tools {

std::string ItemId(const platform::TrashedItem& item) {
  // A new item under an old key is another row: a choice never moves to it.
  return item.trash.string() + '\n' + item.key + '\n' + std::to_string(item.dev) + ':' +
         std::to_string(item.ino) + '\n' + item.info;
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

}  // namespace tools
