#pragma once
// What the widget tests share: readable QStrings, message boxes answered, input, open dialogs.
#include <QDialog>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/MessageBox.h"
#include "support/QtApp.h"

QT_BEGIN_NAMESPACE
// Failures print the text, not its UTF-16 units.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace testsupport {

// Every message box shown while it lives, answered with `answer`; `first` runs at the first one,
// as another program acting while the question is open.
class MessageLog {
 public:
  explicit MessageLog(int answer = platform::kAnswerOk, std::function<void()> first = nullptr) {
    platform::SetMsgBoxHook([this, answer, first](const platform::ShownMessage& m) {
      shown.push_back(m);
      if (first && shown.size() == 1) first();
      return answer;
    });
  }
  ~MessageLog() { platform::SetMsgBoxHook(nullptr); }
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;
  std::vector<platform::ShownMessage> shown;
};

// Input as the user gives it to a window: a double click; a drag that enters it, and one of files
// and its drop, offering copy or move as file managers do (true if the enter was taken as a move).
inline void DoubleClick(QWidget* w) {
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &click);
}
inline bool DragEnter(QWidget* w, const QMimeData& data) {
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
  QApplication::sendEvent(w, &enter);
  return enter.isAccepted() && enter.dropAction() == Qt::MoveAction;
}
inline bool DropFiles(QWidget* w, const std::vector<std::filesystem::path>& paths,
                      bool enter = true) {
  QList<QUrl> urls;
  for (const auto& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p.string()));
  QMimeData data;
  data.setUrls(urls);
  const bool taken = enter && DragEnter(w, data);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(w, &drop);
  return taken;
}

// The visible dialogs of kind D (QMessageBox, QFileDialog, ...).
template <class D = QDialog>
std::vector<D*> OpenDialogs() {
  std::vector<D*> open;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<D*>(w); d && d->isVisible()) open.push_back(d);
  return open;
}

// One turn of the event loop, the deletions it would make included.
inline void Settle() {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace testsupport
