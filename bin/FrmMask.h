#pragma once
#include <QTimer>
#include <QWidget>
#include <memory>

#include "bin/HotKeys.h"
#include "platform/KeyState.h"

namespace bin {

// The hidden hot-key poller; never shown. Where the key state reports its
// changes, it polls only on a change and while a watched key is held;
// elsewhere every 100 ms.
class FrmMask : public QWidget {
  Q_OBJECT
 public:
  FrmMask(HotKeyActions actions, std::unique_ptr<platform::KeyState> keys);
  ~FrmMask() override;
  QTimer* TimerTecla;  // started to switch the hot keys on

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void TimerTecla_Timer();

  std::unique_ptr<platform::KeyState> keys_;
  std::unique_ptr<HotKeyPoller> poller_;
  bool onChange_ = false;  // the key state calls on every change
};

}  // namespace bin
