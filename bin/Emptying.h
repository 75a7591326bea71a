#pragma once
// Emptying the trash and changing single items off the interface thread.
#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "platform/RecycleBin.h"

class QTimer;

namespace bin {

// The flags of the empty call, as the menu options give them.
enum EmptyFlag {
  kEmptyNoConfirmation = 1,  // "Sin confirmación"
  kEmptyNoProgressUi = 2,    // "Sin barra de progreso"
};

struct EmptyOutcome {
  bool emptied = false;  // to the end: not stopped, nothing left behind
  platform::EmptyResult result;
};

// One emptying on a thread of its own, so that the bin stays live while it
// runs. The adapter is the worker's alone: adapters are not shared across
// threads. `progress` (done, total) and `ended` run on the interface thread
// from this object's timer, so they never run once this object has gone.
class EmptyingRun : public QObject {
 public:
  EmptyingRun(std::unique_ptr<platform::RecycleBin> bin,
              std::function<void(std::int64_t done, std::int64_t total)> progress,
              std::function<void(const EmptyOutcome&)> ended, QObject* parent = nullptr);
  // Waits for the worker: it never outlives what it reports to.
  ~EmptyingRun() override;
  EmptyingRun(const EmptyingRun&) = delete;
  EmptyingRun& operator=(const EmptyingRun&) = delete;

  // Waits for the worker to end and gives what it did; `ended` never runs then.
  EmptyOutcome Finish();
  // The worker stops at its next step; no progress is told after this.
  void Cancel() { cancel_ = true; }

 private:
  void Watch();
  EmptyOutcome Join();

  std::function<void(std::int64_t, std::int64_t)> progress_;
  std::function<void(const EmptyOutcome&)> ended_;
  QTimer* watch_ = nullptr;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> finished_{false};
  std::atomic<std::int64_t> done_{0};
  std::atomic<std::int64_t> total_{0};
  platform::EmptyResult result_;  // the worker's until finished_
  std::thread worker_;
};

// One change of single items (an undo, a restore, a deletion) on a thread of
// its own with an adapter of its own, so that a dead mount on the way holds
// up nothing of the bin. `ended` runs on the interface thread from this
// object's timer, never once it has gone.
class TrashWork : public QObject {
 public:
  using Work = std::function<platform::ItemsResult(platform::RecycleBin&)>;
  TrashWork(std::unique_ptr<platform::RecycleBin> bin, Work work,
            std::function<void(const platform::ItemsResult&)> ended, QObject* parent = nullptr);
  // Stops it and waits for it a little; a worker stuck on a dead mount is let go.
  ~TrashWork() override;
  TrashWork(const TrashWork&) = delete;
  TrashWork& operator=(const TrashWork&) = delete;

  // A copy under way stops at its next step; its partial copy goes.
  void Stop();
  // Stops it and waits up to `ms` for the worker to end; true when it did.
  // `ended` never runs after this.
  bool StopAndWait(int ms);

 private:
  struct Shared;
  void Watch();

  std::shared_ptr<Shared> shared_;  // also the worker's: it may outlive this object
  std::function<void(const platform::ItemsResult&)> ended_;
  QTimer* watch_ = nullptr;
  std::thread worker_;
};

}  // namespace bin
