#pragma once
// The one-at-a-time rule of the program's windows: at most one window of a
// kind is open, and asking again brings that one forward. The window tells
// the rule when it closes, so that a request arriving before its deferred
// deletion makes a new window instead of reviving a closing one.
#include <QCloseEvent>
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

// A window under the rule: opening makes and loads it or brings the open one
// forward, and its first accepted close runs its unload step once and frees
// its slot, so that steps still queued can tell it went (Unloaded()).
template <class Window, class Base = QWidget>
class OneWindowOf : public Base {
 public:
  using Base::Base;
  static Window* Current() { return OneWindow<Window>::Current(); }
  bool Unloaded() const { return unloaded_; }

 protected:
  // The open window brought forward, or a new one from make(), then loaded.
  template <class Make>
  static Window* OpenOne(Make&& make) {
    bool made = false;
    Window* window = OneWindow<Window>::Get(std::forward<Make>(make), &made);
    OneWindowOf* one = window;
    if (made)
      one->Form_Load();
    else
      one->BringForward();
    return window;
  }
  virtual void Form_Load() {}
  virtual void BringForward() {
    this->raise();
    this->activateWindow();
  }
  // False holds the window open.
  virtual bool MayClose() { return true; }
  virtual void Form_Unload() {}

  void closeEvent(QCloseEvent* event) override {
    if (!MayClose()) {
      event->ignore();
      return;
    }
    if (!unloaded_) {
      unloaded_ = true;
      Form_Unload();
    }
    OneWindow<Window>::Closed(static_cast<Window*>(this));
    // Not the base's: a dialog's would reject, and rejecting closes.
    event->accept();
  }

 private:
  bool unloaded_ = false;
};

}  // namespace tools
