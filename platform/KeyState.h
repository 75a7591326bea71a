#pragma once
// Global key state: read on demand, and where the system can say so, a call
// when a key goes down or up.
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class KeyState {
 public:
  virtual ~KeyState() = default;
  // As GetAsyncKeyState: negative while the key (a Windows virtual-key code)
  // is down, 0 when it is up and was not pressed since the last query of that
  // key, 1 when it is up but was pressed since then. A key pressed while the
  // session is locked reads as up until it is let go, as a locked Windows
  // workstation's keys read: no hot key acts at a locker or after it for a
  // press made there.
  virtual std::int16_t AsyncKeyState(int virtualKey) = 0;
  // Takes one reading of the whole keyboard; the queries that follow answer
  // from it until the next call. A poll that watches many keys then costs one
  // request to a remote display server per tick. Where reading a key is
  // local, this may do nothing.
  virtual void BeginPoll() {}
  // From now on `changed` runs on this thread's event loop whenever a key may
  // have gone down or up anywhere on the desktop, whichever window has the
  // focus, so that a poller can sleep while the keyboard rests. It never runs
  // after this object is gone. False when this key state cannot tell: the
  // caller keeps polling.
  virtual bool WatchChanges(std::function<void()> changed) {
    (void)changed;
    return false;
  }
};

// nullptr when no global key state can be read (no X11 display).
std::unique_ptr<KeyState> MakeKeyState();

}  // namespace platform
