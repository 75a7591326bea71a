#include "bin/FormStatus.h"

#include <QEvent>
#include <QPainter>

#include "bin/Twips.h"
#include "tools/Access.h"

namespace bin {

std::int16_t StatusTicks = 0;

namespace {

constexpr int kTickMs = 1000;
constexpr int kTicksShown = 5;
constexpr int kLabelIndentTwips = 300;

using One = tools::OneWindow<FormStatus>;

// A small "i" in a blue disc: our own information picture.
QPixmap InfoPicture() {
  QPixmap pm(16, 16);
  pm.fill(QColor(16, 0, 16));
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(230, 230, 255), 1));
  p.setBrush(QColor(40, 90, 200));
  p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(7, 6.5, 2, 6));
  p.drawEllipse(QRectF(6.8, 3, 2.4, 2.4));
  return pm;
}
}  // namespace

FormStatus::FormStatus()
    : OneWindowOf(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
  setObjectName("FormStatus");
  setWindowTitle(QStringLiteral("WasteWell"));
  setWindowRole(QStringLiteral("FormStatus"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(16, 0, 16));
  setPalette(pal);
  setMouseTracking(true);

  PictInfo = new QLabel(this);
  PictInfo->setObjectName("PictInfo");
  PictInfo->setGeometry(0, 0, 16, 16);
  PictInfo->setPixmap(InfoPicture());
  tools::Name(PictInfo, QStringLiteral("Información"),
              QStringLiteral("Lo que contiene la papelera"));

  LabelStatus = new QLabel(this);
  LabelStatus->setObjectName("LabelStatus");
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSizeF(8.25);
  font.setBold(true);
  LabelStatus->setFont(font);
  QPalette lp = LabelStatus->palette();
  lp.setColor(QPalette::WindowText, QColor(255, 255, 0));
  LabelStatus->setPalette(lp);
  LabelStatus->move(kLabelIndentTwips / kTwipsPerPixel, 0);

  for (QWidget* w : {static_cast<QWidget*>(PictInfo), static_cast<QWidget*>(LabelStatus)}) {
    w->setMouseTracking(true);
    w->installEventFilter(this);
  }

  Timer1 = new QTimer(this);
  Timer1->setInterval(kTickMs);
  connect(Timer1, &QTimer::timeout, this, &FormStatus::Timer1_Timer);
  Timer1->start();
}

void FormStatus::Timer1_Timer() {
  ++StatusTicks;
  if (StatusTicks == kTicksShown) {
    StatusTicks = 0;
    close();
  }
}

FormStatus* FormStatus::LoadIfNeeded() {
  return One::Get([] { return new FormStatus(); });
}

void FormStatus::CloseCurrent() {
  if (FormStatus* open = One::Current()) open->close();
}

void FormStatus::mouseMoveEvent(QMouseEvent*) { close(); }
void FormStatus::enterEvent(QEnterEvent*) { close(); }

bool FormStatus::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
    close();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace bin
