#include "bin/HotKeys.h"

#include <utility>

#include "app/ModuleVars.h"

namespace bin {

HotKeyPoller::HotKeyPoller(platform::KeyState& keys, HotKeyActions actions)
    : keys_(keys), actions_(std::move(actions)) {}

HotKeyPoller::~HotKeyPoller() { *alive_ = false; }

bool HotKeyPoller::Run(const std::function<void()>& action) {
  if (!action) return true;
  const std::shared_ptr<bool> alive = alive_;
  action();
  return *alive && app::HotKeysOn;
}

void HotKeyPoller::TimerTecla_Timer() {
  if (!app::HotKeysOn || busy_) return;

  struct Watched {
    int code;
    bool& held;
  };
  Watched keys[] = {{kVkAlt, AltHeld}, {kVkA, KeyAHeld}, {kVkV, KeyVHeld}, {kVkD, KeyDHeld},
                    {kVkT, KeyTHeld},  {kVkS, KeySHeld}, {kVkX, KeyXHeld}, {kVkW, KeyWHeld}};
  for (Watched& k : keys)
    if (keys_.AsyncKeyState(k.code) < 0 && !k.held) k.held = true;
  for (Watched& k : keys) {
    if (keys_.AsyncKeyState(k.code) == 0 && k.held) {
      k.held = false;
      if (k.code == kVkAlt || k.code == kVkS) app::SnapLatch = false;
      if (k.code == kVkA) app::OpenLatch = false;
    }
  }
  if (!AltHeld) return;

  // Set here, cleared on every way out: the poller may be gone by then.
  busy_ = true;
  const std::shared_ptr<bool> alive = alive_;
  struct Unbusy {
    const std::shared_ptr<bool>& alive;
    bool& busy;
    ~Unbusy() {
      if (*alive) busy = false;
    }
  } unbusy{alive, busy_};

  if (KeyAHeld) {
    if (!app::OpenLatch) {
      app::OpenLatch = true;
      if (!Run(actions_.openBin)) return;
    }
  } else if (KeyVHeld) {
    if (!Run(actions_.emptyBin)) return;
  }

  if (KeyDHeld) {
    Run(actions_.dictionary);
  } else if (KeyTHeld) {
    Run(actions_.tempFolder);
  } else if (KeySHeld) {
    if (!app::SnapLatch) {
      app::SnapLatch = true;
      Run(actions_.snapshot);
    }
  } else if (KeyXHeld) {
    Run(actions_.folderOps);
  } else if (KeyWHeld) {
    Run(actions_.weatherMaps);
  }
}

}  // namespace bin
