// Global key state from the X server's keymap, polled.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/KeyState.h"

namespace platform {
namespace {

constexpr int kVkMenu = 18;  // either Alt
constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);

class X11KeyState final : public KeyState {
 public:
  explicit X11KeyState(Display* display) : display_(display) {}
  ~X11KeyState() override { XCloseDisplay(display_); }
  X11KeyState(const X11KeyState&) = delete;
  X11KeyState& operator=(const X11KeyState&) = delete;

  std::int16_t AsyncKeyState(int virtualKey) override {
    if (virtualKey < 0 || virtualKey >= static_cast<int>(wasDown_.size())) return 0;
    if (!polling_) {
      DrainEvents();
      XQueryKeymap(display_, keymap_);
    }
    const std::vector<KeyCode>& codes = KeyCodesFor(virtualKey);
    if (codes.empty()) return 0;
    bool down = false;
    for (KeyCode code : codes)
      if (keymap_[code / 8] & (1 << (code % 8))) down = true;
    // Polling cannot see a press made and undone between two queries, so the
    // "pressed since the last query" bit is set only on the query that first
    // sees the key down.
    const bool fresh = down && !wasDown_[virtualKey];
    wasDown_[virtualKey] = down;
    if (!down) return 0;
    return static_cast<std::int16_t>(kDown | (fresh ? 1 : 0));
  }

  void BeginPoll() override {
    DrainEvents();
    XQueryKeymap(display_, keymap_);
    polling_ = true;
  }

 private:
  // Nobody else reads this connection; Xlib keeps its copy of the keyboard
  // mapping current only while it sees the mapping events. Only what Xlib has
  // already read is looked at: the keymap's reply brings any event in with
  // it, so a tick costs no read of its own.
  void DrainEvents() {
    while (XEventsQueued(display_, QueuedAlready) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        codes_ = {};
      }
    }
  }

  // Kept until the keyboard mapping changes (the layout may change while we run).
  const std::vector<KeyCode>& KeyCodesFor(int virtualKey) {
    std::vector<KeyCode>& cached = codes_[virtualKey];
    if (cached.empty()) cached = LookUpKeyCodes(virtualKey);
    return cached;
  }

  std::vector<KeyCode> LookUpKeyCodes(int virtualKey) const {
    std::vector<KeySym> syms;
    if (virtualKey == kVkMenu) {
      // The right Alt of many layouts is AltGr; Windows counts it as Alt too.
      syms = {XK_Alt_L, XK_Alt_R, XK_ISO_Level3_Shift};
    } else if (virtualKey >= 'A' && virtualKey <= 'Z') {
      syms = {static_cast<KeySym>(XK_a + (virtualKey - 'A'))};
    }
    std::vector<KeyCode> codes;
    for (KeySym sym : syms)
      if (KeyCode code = XKeysymToKeycode(display_, sym)) codes.push_back(code);
    return codes;
  }

  Display* display_;
  std::array<bool, 256> wasDown_{};
  std::array<std::vector<KeyCode>, 256> codes_{};
  char keymap_[32] = {};
  bool polling_ = false;  // queries answer from the reading of BeginPoll
};

}  // namespace

std::unique_ptr<KeyState> MakeKeyState() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  return std::make_unique<X11KeyState>(display);
}

}  // namespace platform
