#pragma once
#include <QTimer>
#include <QWidget>
#include <memory>

#include "bin/HotKeys.h"
#include "platform/KeyState.h"

namespace bin {

// The hidden hot-key poller; never shown.
class FrmMask : public QWidget {
  Q_OBJECT
 public:
  FrmMask(HotKeyActions actions, std::unique_ptr<platform::KeyState> keys);
  ~FrmMask() override;
  QTimer* TimerTecla;
  void TimerTecla_Timer();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::unique_ptr<platform::KeyState> keys_;
  std::unique_ptr<HotKeyPoller> poller_;
};

}  // namespace bin
