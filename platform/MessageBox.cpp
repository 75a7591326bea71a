#include "platform/MessageBox.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace platform {
namespace {
MsgBoxHook& Hook() {
  static MsgBoxHook hook;
  return hook;
}
}  // namespace

void SetMsgBoxHook(MsgBoxHook hook) { Hook() = std::move(hook); }

namespace {

// A box with its buttons; answer() reads the one clicked.
struct Box {
  QMessageBox* box;
  std::function<int()> answer;
};

Box MakeBox(const QString& text, int style, const QString& title, QWidget* parent) {
  auto* box = new QMessageBox(parent);
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
  QAbstractButton* no = nullptr;
  QAbstractButton* yes = nullptr;
  switch (style & 0x7) {
    case kOkCancel:
      box->addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
      cancel = box->addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
      break;
    case kYesNo:
      yes = box->addButton(QStringLiteral("Sí"), QMessageBox::YesRole);
      no = box->addButton(QStringLiteral("No"), QMessageBox::NoRole);
      break;
    default:
      box->addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
      break;
  }
  return {box, [box, cancel, no, yes] {
            QAbstractButton* clicked = box->clickedButton();
            if (yes) return clicked == no ? int(kAnswerNo) : int(kAnswerYes);
            if (cancel && (clicked == cancel || clicked == nullptr)) return int(kAnswerCancel);
            return int(kAnswerOk);
          }};
}

}  // namespace

int MsgBox(const QString& text, int style, const QString& title, QWidget* parent) {
  if (Hook()) return Hook()(ShownMessage{text, title, style});
  Box b = MakeBox(text, style, title, parent);
  QPointer<QMessageBox> box = b.box;
  box->exec();
  // Gone with its parent: taken as the safe answer.
  if (!box) return (style & 0x7) == kYesNo ? kAnswerNo : kAnswerCancel;
  const int answer = b.answer();
  delete box.data();
  return answer;
}

void MsgBoxThen(const QString& text, int style, const QString& title, QWidget* parent,
                std::function<void(int)> then) {
  if (Hook()) {
    const int answer = Hook()(ShownMessage{text, title, style});
    if (then) then(answer);
    return;
  }
  Box b = MakeBox(text, style, title, parent);
  b.box->setAttribute(Qt::WA_DeleteOnClose);
  b.box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
  QObject::connect(b.box, &QDialog::finished, b.box, [answer = b.answer, then = std::move(then)] {
    if (then) then(answer());
  });
  b.box->open();
}

}  // namespace platform
