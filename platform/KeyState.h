#pragma once
// Global key state, polled.
#include <cstdint>
#include <memory>

namespace platform {

class KeyState {
 public:
  virtual ~KeyState() = default;
  // As GetAsyncKeyState: negative while the key (a Windows virtual-key code)
  // is down, 0 when it is up and was not pressed since the last query of that
  // key, 1 when it is up but was pressed since then.
  virtual std::int16_t AsyncKeyState(int virtualKey) = 0;
  // Takes one reading of the whole keyboard; the queries that follow answer
  // from it until the next call. A poll that watches many keys then costs one
  // request to a remote display server per tick. Where reading a key is
  // local, this may do nothing.
  virtual void BeginPoll() {}
};

// nullptr when no global key state can be read (no X11 display).
std::unique_ptr<KeyState> MakeKeyState();

}  // namespace platform
