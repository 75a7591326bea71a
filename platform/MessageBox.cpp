#include "platform/MessageBox.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>

namespace platform {
namespace {
MsgBoxHook& Hook() {
  static MsgBoxHook hook;
  return hook;
}
}  // namespace

void SetMsgBoxHook(MsgBoxHook hook) { Hook() = std::move(hook); }

int MsgBox(const QString& text, int style, const QString& title, QWidget* parent) {
  if (Hook()) return Hook()(ShownMessage{text, title, style});
  // No X tool reads a message box's text: end-to-end tests read it here.
  if (const char* log = std::getenv("WW_MESSAGE_LOG"); log && *log) {
    QFile file(QFile::decodeName(log));
    if (file.open(QIODevice::Append)) file.write((title + '\t' + text + '\n').toUtf8());
  }

  QMessageBox box(parent);
  box.setText(text);
  box.setWindowTitle(title);
  switch (style & 0x70) {
    case kCritical:
      box.setIcon(QMessageBox::Critical);
      break;
    case kQuestion:
      box.setIcon(QMessageBox::Question);
      break;
    case kExclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case kInformation:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  QAbstractButton* cancel = nullptr;
  QAbstractButton* no = nullptr;
  QAbstractButton* yes = nullptr;
  switch (style & 0x7) {
    case kOkCancel:
      box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
      cancel = box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
      break;
    case kYesNo:
      yes = box.addButton(QStringLiteral("Sí"), QMessageBox::YesRole);
      no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
      break;
    default:
      box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
      break;
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  if (yes) return clicked == no ? kAnswerNo : kAnswerYes;
  if (cancel && (clicked == cancel || clicked == nullptr)) return kAnswerCancel;
  return kAnswerOk;
}

}  // namespace platform
