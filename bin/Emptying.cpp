#include "bin/Emptying.h"

#include <QTimer>
#include <chrono>
#include <cstdint>

namespace bin {
namespace {

constexpr int kWatchMs = 50;
constexpr int kLetGoMs = 1500;  // the program ends within 2 s of its end being asked
constexpr int kWaitStepMs = 10;

}  // namespace

EmptyingRun::EmptyingRun(std::unique_ptr<platform::RecycleBin> bin,
                         std::function<void(std::int64_t, std::int64_t)> progress,
                         std::function<void(const EmptyOutcome&)> ended, QObject* parent)
    : QObject(parent), progress_(std::move(progress)), ended_(std::move(ended)) {
  watch_ = new QTimer(this);
  watch_->setInterval(kWatchMs);
  connect(watch_, &QTimer::timeout, this, &EmptyingRun::Watch);
  watch_->start();
  worker_ = std::thread([this, bin = std::move(bin)] {
    platform::EmptyResult r = bin->empty([this](std::int64_t done, std::int64_t total) {
      done_ = done;
      total_ = total;
      return !cancel_;
    });
    result_ = std::move(r);
    finished_.store(true, std::memory_order_release);
  });
}

EmptyingRun::~EmptyingRun() {
  if (worker_.joinable()) worker_.join();
}

EmptyOutcome EmptyingRun::Finish() {
  watch_->stop();
  return Join();
}

EmptyOutcome EmptyingRun::Join() {
  if (worker_.joinable()) worker_.join();
  const bool stopped = cancel_;
  EmptyOutcome o;
  o.emptied = !stopped && result_.left.empty();
  o.result = std::move(result_);
  return o;
}

void EmptyingRun::Watch() {
  if (!finished_.load(std::memory_order_acquire)) {
    if (progress_ && !cancel_) progress_(done_, total_);
    return;
  }
  watch_->stop();
  const EmptyOutcome o = Join();
  // Last: the one told may delete this run.
  if (ended_) ended_(o);
}

struct TrashWork::Shared {
  std::unique_ptr<platform::RecycleBin> bin;
  std::atomic<bool> stop{false};
  std::atomic<bool> finished{false};
  platform::ItemsResult result;  // the worker's until finished
};

TrashWork::TrashWork(std::unique_ptr<platform::RecycleBin> bin, Work work,
                     std::function<void(const platform::ItemsResult&)> ended, QObject* parent)
    : QObject(parent), shared_(std::make_shared<Shared>()), ended_(std::move(ended)) {
  shared_->bin = std::move(bin);
  Shared* shared = shared_.get();
  shared_->bin->stopWhen([shared] { return shared->stop.load(); });
  watch_ = new QTimer(this);
  watch_->setInterval(kWatchMs);
  connect(watch_, &QTimer::timeout, this, &TrashWork::Watch);
  watch_->start();
  worker_ = std::thread([keep = shared_, work = std::move(work)] {
    keep->result = work(*keep->bin);
    keep->finished.store(true, std::memory_order_release);
  });
}

TrashWork::~TrashWork() { StopAndWait(kLetGoMs); }

void TrashWork::Stop() { shared_->stop = true; }

bool TrashWork::StopAndWait(int ms) {
  watch_->stop();
  Stop();
  if (!worker_.joinable()) return true;
  for (int waited = 0; !shared_->finished.load(std::memory_order_acquire) && waited < ms;
       waited += kWaitStepMs)
    std::this_thread::sleep_for(std::chrono::milliseconds(kWaitStepMs));
  if (!shared_->finished.load(std::memory_order_acquire)) {
    worker_.detach();  // stuck in the kernel: it ends with the process
    return false;
  }
  worker_.join();
  return true;
}

void TrashWork::Watch() {
  if (!shared_->finished.load(std::memory_order_acquire)) return;
  watch_->stop();
  worker_.join();
  // Last: the one told may delete this object.
  if (ended_) ended_(shared_->result);
}

}  // namespace bin
