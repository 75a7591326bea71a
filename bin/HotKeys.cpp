#include "bin/HotKeys.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace bin {

HotKeyActions HotKeysOf(const BinCommands& commands) {
  static constexpr char kOrder[] = "DTSXW";  // any other letter after these
  auto rank = [](char letter) {
    const char* at = std::strchr(kOrder, letter);
    return at ? at - kOrder : static_cast<std::ptrdiff_t>(sizeof kOrder);
  };
  HotKeyActions actions;
  for (const BinCommand& c : commands) {
    if (!c.hotKey || !c.available) continue;
    if (c.hotKey == kVkA)
      actions.openBin = c.run;
    else if (c.hotKey == kVkV)
      actions.emptyBin = c.run;
    else
      actions.tools.push_back({c.hotKey, c.run});
  }
  std::stable_sort(
      actions.tools.begin(), actions.tools.end(),
      [&](const ToolKey& a, const ToolKey& b) { return rank(a.letter) < rank(b.letter); });
  return actions;
}

HotKeyPoller::HotKeyPoller(platform::KeyState& keys, HotKeyActions actions)
    : keys_(keys), actions_(std::move(actions)) {
  watched_ = {{kVkAlt}, {kVkA}, {kVkV}};
  for (const ToolKey& t : actions_.tools) watched_.push_back({t.letter});
}

HotKeyPoller::~HotKeyPoller() = default;

HotKeyPoller::Watched& HotKeyPoller::Key(int code) {
  for (Watched& k : watched_)
    if (k.code == code) return k;
  return watched_.front();
}

bool HotKeyPoller::Held(int virtualKey) const {
  for (const Watched& k : watched_)
    if (k.code == virtualKey) return k.held;
  return false;
}

bool HotKeyPoller::Run(const std::function<void()>& action) {
  if (!action) return true;
  action();
  return on_;
}

HotKeyPoller::Next HotKeyPoller::AfterPoll() const {
  // Emptying repeats while Alt+V is held, and a change made while an action
  // ran is seen only by a later poll: both need the timer.
  for (const Watched& k : watched_)
    if (k.held) return Next::Poll;
  return Next::Rest;
}

HotKeyPoller::Next HotKeyPoller::TimerTecla_Timer() {
  if (!on_) return Next::Done;

  keys_.BeginPoll();
  for (Watched& k : watched_)
    if (keys_.AsyncKeyState(k.code) < 0 && !k.held) k.held = true;
  bool altReleased = false;
  for (Watched& k : watched_) {
    if (keys_.AsyncKeyState(k.code) == 0 && k.held) {
      k.held = false;
      k.latched = false;
      altReleased = altReleased || k.code == kVkAlt;
    }
  }
  // A tool's press ends with either key; the bin's Alt+A only with the A.
  if (altReleased)
    for (Watched& k : watched_)
      if (k.code != kVkA) k.latched = false;
  if (!Key(kVkAlt).held) return AfterPoll();

  Watched& a = Key(kVkA);
  if (a.held) {
    if (!a.latched) {
      a.latched = true;
      if (!Run(actions_.openBin)) return Next::Done;
    }
  } else if (Key(kVkV).held) {
    if (!Run(actions_.emptyBin)) return Next::Done;
  }

  for (const ToolKey& tool : actions_.tools) {
    Watched& k = Key(tool.letter);
    if (!k.held) continue;
    if (k.latched) break;
    k.latched = true;
    if (!Run(tool.action)) return Next::Done;
    break;
  }
  return Next::Poll;  // Alt is held
}

}  // namespace bin
