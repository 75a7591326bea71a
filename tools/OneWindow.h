#pragma once
// The one-at-a-time rule of the program's windows: at most one window of a
// kind is open, and asking again brings that one forward. The window tells
// the rule when it closes, so that a request arriving before its deferred
// deletion makes a new window instead of reviving a closing one.
#include <QPointer>
#include <QWidget>

namespace tools {

template <class Window>
class OneWindow {
 public:
  // The open window of this kind, or nullptr.
  static Window* Current() { return Slot(); }

  // The open window, or a new one made by make() (nothing shown yet). made
  // tells which.
  template <class Make>
  static Window* Get(Make&& make, bool* made = nullptr) {
    Window* open = Slot();
    if (made) *made = !open;
    if (!open) Slot() = open = make();
    return open;
  }

  // The open window shown and brought forward; false when none is open.
  static bool BringForward() {
    Window* open = Slot();
    if (!open) return false;
    open->show();
    open->raise();
    open->activateWindow();
    return true;
  }

  // From the window's closeEvent.
  static void Closed(Window* window) {
    if (Slot() == window) Slot() = nullptr;
  }

 private:
  static QPointer<Window>& Slot() {
    static QPointer<Window> window;
    return window;
  }
};

}  // namespace tools
