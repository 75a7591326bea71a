#include "bin/FrmMask.h"

#include <QCloseEvent>

namespace bin {

namespace {
constexpr int kKeyPollMs = 100;
}

FrmMask::FrmMask(HotKeyActions actions, std::unique_ptr<platform::KeyState> keys)
    : QWidget(nullptr), keys_(std::move(keys)) {
  setObjectName("FrmMask");
  setWindowTitle(QStringLiteral("Hotkeys"));
  setAttribute(Qt::WA_DeleteOnClose);
  poller_ = std::make_unique<HotKeyPoller>(*keys_, std::move(actions));

  TimerTecla = new QTimer(this);
  TimerTecla->setInterval(kKeyPollMs);
  connect(TimerTecla, &QTimer::timeout, this, &FrmMask::TimerTecla_Timer);
}

FrmMask::~FrmMask() = default;

void FrmMask::TimerTecla_Timer() { poller_->TimerTecla_Timer(); }

void FrmMask::closeEvent(QCloseEvent* event) {
  // The deletion comes later; an action running now must see the keys off.
  poller_->Stop();
  TimerTecla->stop();
  event->accept();
}

}  // namespace bin
