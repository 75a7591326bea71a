#include "bin/AutoPurge.h"

#include <QDateTime>
#include <QLocale>
#include <QPointer>

namespace bin {

class PurgePassWorker : public QObject {
  Q_OBJECT
 public:
  explicit PurgePassWorker(std::function<std::unique_ptr<platform::RecycleBin>()> makeBin)
      : makeBin_(std::move(makeBin)) {}
  PurgeOutcome Pass(const platform::PurgeSettings& settings) {
    if (!bin_ && makeBin_) {
      bin_ = makeBin_();
      if (bin_) purger_ = platform::MakeTrashPurger(*bin_);
    }
    PurgeOutcome o;
    if (!purger_ || !settings.On()) return o;
    const platform::PurgePlan plan = purger_->Plan(settings, QDateTime::currentSecsSinceEpoch());
    if (plan.items.empty()) return o;
    for (const platform::TrashedItem& item : purger_->Carry(plan).done) {
      ++o.removed;
      if (item.size > 0) o.size += item.size;
    }
    return o;
  }

 private:
  std::function<std::unique_ptr<platform::RecycleBin>()> makeBin_;
  std::unique_ptr<platform::RecycleBin> bin_;
  std::unique_ptr<platform::TrashPurger> purger_;
};

AutoPurge::AutoPurge(std::function<std::unique_ptr<platform::RecycleBin>()> makeBin,
                     QObject* parent)
    : QObject(parent), worker_(new PurgePassWorker(std::move(makeBin))) {
  worker_->moveToThread(&thread_);
  connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
  thread_.start();
}

AutoPurge::~AutoPurge() {
  thread_.quit();
  thread_.wait();
}

bool AutoPurge::Run(const platform::PurgeSettings& settings,
                    std::function<void(const PurgeOutcome&)> ended) {
  if (running_) return false;
  running_ = true;
  PurgePassWorker* worker = worker_;
  QPointer<AutoPurge> self(this);
  QMetaObject::invokeMethod(
      worker_,
      [worker, settings, self, ended = std::move(ended)] {
        const PurgeOutcome o = worker->Pass(settings);
        // Back on the interface thread; nothing runs there once this object has gone.
        QMetaObject::invokeMethod(
            self.data(),
            [self, o, ended] {
              if (!self) return;
              self->running_ = false;
              if (ended) ended(o);
            },
            Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
  return true;
}

QString PurgeNotice(const PurgeOutcome& o) {
  return QStringLiteral("Vaciado automático: %1 elementos (%2) eliminados")
      .arg(o.removed)
      .arg(QLocale().formattedDataSize(o.size));
}

}  // namespace bin

#include "AutoPurge.moc"
