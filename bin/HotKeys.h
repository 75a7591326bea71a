#pragma once
// The hot-key poller: Alt+letter combinations seen anywhere on the desktop by
// polling the global key state, without registering them with the system.
#include <functional>
#include <memory>

#include "platform/KeyState.h"

namespace bin {

// Windows virtual-key codes of the watched keys.
constexpr int kVkAlt = 18;
constexpr int kVkA = 'A', kVkV = 'V', kVkD = 'D', kVkT = 'T', kVkS = 'S', kVkX = 'X', kVkW = 'W';

// What each combination does; an empty one does nothing.
struct HotKeyActions {
  std::function<void()> openBin;      // Alt+A, once per press: MnuOpen_Click
  std::function<void()> emptyBin;     // Alt+V, every tick: form_DblClick
  std::function<void()> dictionary;   // Alt+D: MnuBusca_Click
  std::function<void()> tempFolder;   // Alt+T: show the temporary-folder cleaner
  std::function<void()> snapshot;     // Alt+S, once per press: the screen capture
  std::function<void()> folderOps;    // Alt+X: show the folder operations window
  std::function<void()> weatherMaps;  // Alt+W: connectivity check, then the map viewer
};

class HotKeyPoller {
 public:
  HotKeyPoller(platform::KeyState& keys, HotKeyActions actions);
  ~HotKeyPoller();
  HotKeyPoller(const HotKeyPoller&) = delete;
  HotKeyPoller& operator=(const HotKeyPoller&) = delete;

  // One poll, every 100 ms while the hot keys are on. Does nothing while an
  // action it started is still running: a question box runs its own event
  // loop, and the timer would otherwise start the action again beneath it.
  void TimerTecla_Timer();

  // Which keys the poller counts as held.
  bool AltHeld = false;
  bool KeyAHeld = false;
  bool KeyVHeld = false;
  bool KeyDHeld = false;
  bool KeyTHeld = false;
  bool KeySHeld = false;
  bool KeyXHeld = false;
  bool KeyWHeld = false;

 private:
  // Runs an action; false when the poller did not survive it (the hot keys
  // were switched off from inside, and the poller with them).
  bool Run(const std::function<void()>& action);

  platform::KeyState& keys_;
  HotKeyActions actions_;
  bool busy_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace bin
