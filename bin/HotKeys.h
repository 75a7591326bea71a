#pragma once
// The hot-key poller: Alt+letter combinations seen anywhere on the desktop by
// polling the global key state, without registering them with the system.
#include <functional>
#include <vector>

#include "bin/BinCommands.h"
#include "platform/KeyState.h"

namespace bin {

// Windows virtual-key codes: letters are their upper-case character.
constexpr int kVkAlt = 18;
constexpr int kVkA = 'A', kVkV = 'V';

// A tool's combination. It acts once per press: again only after Alt or the
// letter was let go, so a held key never opens a window or starts a check twice.
struct ToolKey {
  char letter;  // upper case
  std::function<void()> action;
};

struct HotKeyActions {
  std::function<void()> openBin;   // Alt+A, once per press of A
  std::function<void()> emptyBin;  // Alt+V, every tick, unless A is held
  // Looked at in this order; only the first held one acts in a tick.
  std::vector<ToolKey> tools;
};

// The hot keys of the command table: Alt+A and Alt+V for the bin, then the
// tools' keys in the order they are looked at (dictionary, cleaner, capture,
// folders, maps: not the menu's). Rows not available have none.
HotKeyActions HotKeysOf(const BinCommands& commands);

class HotKeyPoller {
 public:
  HotKeyPoller(platform::KeyState& keys, HotKeyActions actions);
  ~HotKeyPoller();
  HotKeyPoller(const HotKeyPoller&) = delete;
  HotKeyPoller& operator=(const HotKeyPoller&) = delete;

  // What the caller does after a poll.
  enum class Next {
    Rest,  // nothing watched is held: poll on the next change of a key
    Poll,  // poll again in 100 ms (a key is held)
    Done,  // stopped, also inside an action: touch nothing
  };
  // One poll.
  Next TimerTecla_Timer();
  // The hot keys were switched off: no further action, even within this tick.
  void Stop() { on_ = false; }
  // Whether the poller counts the key as held.
  bool Held(int virtualKey) const;

 private:
  struct Watched {
    int code;
    bool held = false;
    bool latched = false;  // acted on during this press
  };
  // Runs an action; false when it switched the hot keys off.
  bool Run(const std::function<void()>& action);
  Watched& Key(int code);
  Next AfterPoll() const;

  platform::KeyState& keys_;
  HotKeyActions actions_;
  std::vector<Watched> watched_;
  bool on_ = true;
};

}  // namespace bin
