#include "bin/Emptying.h"

#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>

#include "platform/MessageBox.h"

namespace bin {
namespace {

constexpr int kProgressDelayMs = 300;
constexpr int kWatchMs = 50;
constexpr int kLeftShown = 15;
constexpr int kLetGoMs = 1500;   // the program ends within 2 s of its end being asked
constexpr int kWaitStepMs = 10;  // entries named in the message; the rest counted

int Clamped(std::int64_t n) { return static_cast<int>(std::min<std::int64_t>(n, INT32_MAX)); }

}  // namespace

void AskToEmpty(std::int64_t count, QWidget* parent, std::function<void(bool)> answered) {
  const QString text =
      count == 1 ? QStringLiteral("¿Seguro que desea eliminar definitivamente este elemento?")
                 : QStringLiteral("¿Seguro que desea eliminar definitivamente estos %1 elementos?")
                       .arg(count);
  platform::MsgBoxThen(
      text, platform::kOkCancel | platform::kQuestion, QStringLiteral("Vaciar Papelera"), parent,
      [answered = std::move(answered)](int answer) { answered(answer == platform::kAnswerOk); });
}

EmptyingRun::EmptyingRun(std::unique_ptr<platform::RecycleBin> bin, int flags,
                         QWidget* dialogParent, std::function<void(const EmptyOutcome&)> ended,
                         QObject* parent)
    : QObject(parent), ended_(std::move(ended)) {
  if (!(flags & kEmptyNoProgressUi)) {
    progress_ = new QProgressDialog(QStringLiteral("Vaciando la papelera..."),
                                    QStringLiteral("Cancelar"), 0, 100, dialogParent);
    progress_->setWindowTitle(QStringLiteral("Vaciar Papelera"));
    progress_->setWindowModality(Qt::NonModal);
    progress_->setMinimumDuration(kProgressDelayMs);
    connect(progress_, &QProgressDialog::canceled, this, [this] { cancel_ = true; });
  }
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
  delete progress_.data();
}

EmptyOutcome EmptyingRun::Finish() {
  watch_->stop();
  return Join();
}

EmptyOutcome EmptyingRun::Join() {
  if (worker_.joinable()) worker_.join();
  const bool stopped = cancel_;
  delete progress_.data();
  EmptyOutcome o;
  o.emptied = !stopped && result_.left.empty();
  o.result = std::move(result_);
  return o;
}

void EmptyingRun::Watch() {
  if (!finished_.load(std::memory_order_acquire)) {
    if (progress_ && !cancel_) {
      progress_->setMaximum(Clamped(total_));
      progress_->setValue(Clamped(done_));
    }
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

void ShowLeft(const platform::EmptyResult& r, QWidget* parent) {
  if (r.left.empty()) return;
  QString text = QStringLiteral("No se pudieron eliminar de la papelera:\n");
  int shown = 0;
  for (const auto& path : r.left) {
    if (++shown > kLeftShown) {
      text += QStringLiteral("\n... y %1 más").arg(r.left.size() - kLeftShown);
      break;
    }
    text += QStringLiteral("\n") + QString::fromStdString(path.string());
  }
  // Only told: nothing waits on it, so it holds up none of the bin's input.
  platform::MsgBoxThen(text, platform::kExclamation, QStringLiteral("WasteWell"), parent, parent,
                       nullptr, false);
}

}  // namespace bin
