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
  // The key state goes with this window, and its calls with it.
  onChange_ = keys_->WatchChanges([this] { TimerTecla_Timer(); });
}

FrmMask::~FrmMask() = default;

void FrmMask::TimerTecla_Timer() {
  switch (poller_->TimerTecla_Timer()) {
    case HotKeyPoller::Next::Done:
      return;
    case HotKeyPoller::Next::Rest:
      // An idle desktop then costs no wake-up at all.
      if (onChange_) {
        TimerTecla->stop();
        return;
      }
      [[fallthrough]];
    case HotKeyPoller::Next::Poll:
      if (!TimerTecla->isActive()) TimerTecla->start();
      return;
  }
}

void FrmMask::closeEvent(QCloseEvent* event) {
  // The deletion comes later; an action running now must see the keys off.
  poller_->Stop();
  TimerTecla->stop();
  event->accept();
}

}  // namespace bin
