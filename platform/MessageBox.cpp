#include "platform/MessageBox.h"

#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

namespace platform {
namespace {
MsgBoxHook& Hook() {
  static MsgBoxHook hook;
  return hook;
}

// Placed once its size is known and before it is mapped: on its window when
// that shows (or on the window that one belongs to), else in the middle of the
// screen; never where the window manager happens to put a box whose owner it
// cannot see.
class CentredBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    // A window not shown yet: the one it will show over.
    while (owner && !owner->isVisible())
      owner = owner->parentWidget() ? owner->parentWidget()->window() : nullptr;
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    QRect area = owner && owner->isVisible() ? owner->frameGeometry() : QRect();
    if (area.isEmpty() && screen) area = screen->availableGeometry();
    if (area.isEmpty()) return;
    QRect box(QPoint(), frameGeometry().size().expandedTo(size()));
    box.moveCenter(area.center());
    // Whole on the screen, even for a small owner at its edge.
    if (screen) {
      const QRect s = screen->availableGeometry();
      box.moveLeft(std::max(s.left(), std::min(box.left(), s.right() - box.width() + 1)));
      box.moveTop(std::max(s.top(), std::min(box.top(), s.bottom() - box.height() + 1)));
    }
    move(box.topLeft());
  }
};

}  // namespace

void SetMsgBoxHook(MsgBoxHook hook) { Hook() = std::move(hook); }

namespace {

// No X tool reads a message box's text: end-to-end tests read it here.
void LogMessage(const QString& text, const QString& title) {
  if (const char* log = std::getenv("WW_MESSAGE_LOG"); log && *log) {
    QFile file(QFile::decodeName(log));
    if (file.open(QIODevice::Append)) file.write((title + '\t' + text + '\n').toUtf8());
  }
}

// A box with its buttons; answer() reads the one clicked.
struct Box {
  QMessageBox* box;
  std::function<int()> answer;
};

Box MakeBox(const QString& text, int style, const QString& title, QWidget* parent) {
  LogMessage(text, title);
  auto* box = new CentredBox(parent);
  box->setText(text);
  box->setWindowTitle(title);
  switch (style & 0x70) {
    case kCritical:
      box->setIcon(QMessageBox::Critical);
      break;
    case kQuestion:
      box->setIcon(QMessageBox::Question);
      break;
    case kExclamation:
      box->setIcon(QMessageBox::Warning);
      break;
    case kInformation:
      box->setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  QAbstractButton* cancel = nullptr;
  QAbstractButton* yes = nullptr;
  switch (style & 0x7) {
    case kOkCancel:
      box->addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
      cancel = box->addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
      break;
    case kYesNo:
      yes = box->addButton(QStringLiteral("Sí"), QMessageBox::YesRole);
      box->addButton(QStringLiteral("No"), QMessageBox::NoRole);
      break;
    default:
      box->addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
      break;
  }
  return {box, [box, cancel, yes] {
            QAbstractButton* clicked = box->clickedButton();
            // Yes only when Yes was pressed: a box closed otherwise (its window's
            // close box, the program's end closing every window) said no.
            if (yes) return clicked == yes ? int(kAnswerYes) : int(kAnswerNo);
            if (cancel && (clicked == cancel || clicked == nullptr)) return int(kAnswerCancel);
            return int(kAnswerOk);
          }};
}

}  // namespace

void MsgBoxThen(const QString& text, int style, const QString& title, QWidget* parent,
                std::function<void(int)> then) {
  MsgBoxThen(text, style, title, parent, nullptr, std::move(then), true);
}

void MsgBoxThen(const QString& text, int style, const QString& title, QWidget* parent,
                QObject* context, std::function<void(int)> then, bool modal) {
  if (Hook()) {
    const int answer = Hook()(ShownMessage{text, title, style});
    if (then) then(answer);
    return;
  }
  Box b = MakeBox(text, style, title, parent);
  QMessageBox* box = b.box;
  box->setAttribute(Qt::WA_DeleteOnClose);
  const QMetaObject::Connection answered =
      QObject::connect(box, &QDialog::finished, context ? context : box,
                       [answer = b.answer, then = std::move(then)] {
                         if (then) then(answer());
                       });
  // `destroyed` comes before the context's connections are cut: cut this one first.
  if (context)
    QObject::connect(context, &QObject::destroyed, box, [box, answered] {
      QObject::disconnect(answered);
      box->hide();
      box->deleteLater();
    });
  // open() makes it modal to its window (and to nothing without one).
  if (modal) {
    box->open();
    return;
  }
  // A message box is born application-modal.
  box->setWindowModality(Qt::NonModal);
  box->show();
}

}  // namespace platform
