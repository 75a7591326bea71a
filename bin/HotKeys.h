#pragma once
// The hot-key poller: Alt+letter combinations seen anywhere on the desktop by
// polling the global key state, without registering them with the system.
#include <functional>
#include <memory>
#include <vector>

#include "platform/KeyState.h"
#include "tools/Tool.h"

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

// The tools' hot keys, in the order they are looked at (dictionary, cleaner,
// capture, folders, maps: not the menu's), each opening its tool through open.
// Tools without a key or not yet available have none.
std::vector<ToolKey> ToolKeys(const tools::ToolList& tools,
                              const std::function<void(tools::Tool&)>& open);

class HotKeyPoller {
 public:
  HotKeyPoller(platform::KeyState& keys, HotKeyActions actions);
  ~HotKeyPoller();
  HotKeyPoller(const HotKeyPoller&) = delete;
  HotKeyPoller& operator=(const HotKeyPoller&) = delete;

  // What the caller does after a poll.
  enum class Next {
    Rest,  // nothing watched is held: poll on the next change of a key
    Poll,  // poll again in 100 ms (a key is held, or an action is running)
    Done,  // stopped, or gone inside an action: touch nothing
  };
  // One poll. Does nothing while an action it started is still running: a
  // question box runs its own event loop, and a poll from there would start
  // the action again beneath it.
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
  // Runs an action; false when the poller did not survive it or was stopped.
  bool Run(const std::function<void()>& action);
  Watched& Key(int code);
  Next AfterPoll() const;

  platform::KeyState& keys_;
  HotKeyActions actions_;
  std::vector<Watched> watched_;
  bool on_ = true;
  bool busy_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace bin
