#pragma once
// The dialogs a window left on the screen, for tests of windows that wait for nothing.
#include <QApplication>
#include <QDialog>
#include <vector>

namespace testsupport {

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
