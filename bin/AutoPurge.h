#pragma once
// The automatic purge's passes: each on a worker thread with one adapter
// kept from pass to pass, so that a pass with nothing to do reads only what
// changed in the trash since the last one.
#include <QObject>
#include <QThread>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/RecycleBin.h"
#include "platform/TrashPurge.h"

namespace bin {

struct PurgeOutcome {
  std::int64_t removed = 0;  // items deleted
  std::int64_t size = 0;     // their bytes, where known
};

class PurgePassWorker;

class AutoPurge : public QObject {
  Q_OBJECT
 public:
  AutoPurge(std::function<std::unique_ptr<platform::RecycleBin>()> makeBin,
            QObject* parent = nullptr);
  // Waits for a pass under way: an item is never left half deleted.
  ~AutoPurge() override;

  // Starts a pass with these rules; `ended` runs on this object's thread
  // after it. False, and nothing started, while a pass runs.
  bool Run(const platform::PurgeSettings& settings, std::function<void(const PurgeOutcome&)> ended);
  bool Running() const { return running_; }

 private:
  QThread thread_;
  PurgePassWorker* worker_;
  bool running_ = false;
};

// "Vaciado automático: N elementos (tamaño) eliminados".
QString PurgeNotice(const PurgeOutcome& o);

}  // namespace bin
