#include "bin/FrmMask.h"

#include "bin/ShapedForm.h"

namespace bin {

FrmMask::FrmMask(ShapedForm* bin, std::unique_ptr<platform::KeyState> keys)
    : QWidget(nullptr), keys_(std::move(keys)) {
  setObjectName("FrmMask");
  setWindowTitle(QStringLiteral("Hotkeys"));
  setAttribute(Qt::WA_DeleteOnClose);
  HotKeyActions actions;
  QPointer<ShapedForm> form(bin);
  actions.openBin = [form] {
    if (form) form->MnuOpen_Click();
  };
  actions.emptyBin = [form] {
    if (form) form->form_DblClick();
  };
  // The other combinations act once their windows exist.
  poller_ = std::make_unique<HotKeyPoller>(*keys_, actions);

  TimerTecla = new QTimer(this);
  TimerTecla->setInterval(100);
  connect(TimerTecla, &QTimer::timeout, this, &FrmMask::TimerTecla_Timer);
}

FrmMask::~FrmMask() = default;

void FrmMask::TimerTecla_Timer() { poller_->TimerTecla_Timer(); }

}  // namespace bin
