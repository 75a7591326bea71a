#pragma once
#include <QApplication>
#include <QElapsedTimer>
#include <functional>

namespace testsupport {

// The one application object of a test program.
inline QApplication* App() {
  static int argc = 1;
  static char name[] = "WasteWell";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

// Runs events until done() or ms have passed; returns done().
inline bool SpinUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

}  // namespace testsupport
