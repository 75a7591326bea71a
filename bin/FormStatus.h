#pragma once
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "tools/OneWindow.h"

namespace bin {

// Ticks of the pop-up's timer; reset only when it reaches 5, so a pop-up that
// opens again after an early close stays only for the ticks left.
extern std::int16_t StatusTicks;

// The small pop-up under the bin that tells what the trash holds. It never
// takes the keyboard focus.
class FormStatus : public tools::OneWindowOf<FormStatus> {
  Q_OBJECT
 public:
  FormStatus();
  QLabel* LabelStatus;
  QLabel* PictInfo;
  QTimer* Timer1;

  void Timer1_Timer();
  static FormStatus* LoadIfNeeded();
  static void CloseCurrent();

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace bin
