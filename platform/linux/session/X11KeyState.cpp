// Global key state from the X server's keymap, read when the server reports
// that a key went down or up (XInput 2 raw key events on the root window).
// Raw events keep coming while a screen locker holds the keyboard: a press made
// while another client holds it reads as up until it is let go, as a locked
// workstation's key state reads nothing.

// Qt before Xlib, whose macros clash with Qt's names.
// clang-format off
#include <QSocketNotifier>

#include <X11/X.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
// clang-format on

#include <array>
#include <bitset>
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
  ~X11KeyState() override {
    notifier_.reset();  // before its descriptor goes
    XCloseDisplay(display_);
  }
  X11KeyState(const X11KeyState&) = delete;
  X11KeyState& operator=(const X11KeyState&) = delete;

  std::int16_t AsyncKeyState(int virtualKey) override {
    if (virtualKey < 0 || virtualKey >= static_cast<int>(wasDown_.size())) return 0;
    if (!polling_) ReadKeymap();
    const std::vector<KeyCode>& codes = KeyCodesFor(virtualKey);
    if (codes.empty()) return 0;
    bool down = false;
    for (KeyCode code : codes)
      if (keymap_[code]) down = true;
    // Polling cannot see a press made and undone between two queries, so the
    // "pressed since the last query" bit is set only on the query that first
    // sees the key down.
    const bool fresh = down && !wasDown_[virtualKey];
    wasDown_[virtualKey] = down;
    if (!down) return 0;
    return static_cast<std::int16_t>(kDown | (fresh ? 1 : 0));
  }

  void BeginPoll() override {
    ReadKeymap();
    polling_ = true;
  }

  bool WatchChanges(std::function<void()> changed) override {
    if (!notifier_ && !SelectRawKeys()) return false;
    changed_ = std::move(changed);
    if (!notifier_) {
      notifier_ =
          std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
      QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                       [this] { ReadEvents(); });
    }
    return true;
  }

 private:
  // Raw events reach every client that asks, whichever window has the focus;
  // from XInput 2.1 on, also while another client grabs the keyboard.
  bool SelectRawKeys() {
    int event = 0, error = 0, major = 2, minor = 2;
    if (!XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &error)) return false;
    if (XIQueryVersion(display_, &major, &minor) != Success || major < 2 ||
        (major == 2 && minor < 1))
      return false;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
    XFlush(display_);
    return true;
  }

  void ReadEvents(bool changed = false) {
    while (XPending(display_) > 0) changed = TakeEvent() || changed;
    if (!changed) return;
    // The call may end this object.
    const std::function<void()> call = changed_;
    if (call) call();
  }

  // One event from Xlib's queue; true when it changed a key.
  bool TakeEvent() {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
      codes_ = {};
      watched_.reset();
      alt_.reset();
      return false;
    }
    XGenericEventCookie& cookie = event.xcookie;
    if (cookie.type != GenericEvent || cookie.extension != xiOpcode_) return false;
    if (!XGetEventData(display_, &cookie)) return false;
    const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
    bool changed = false;
    serverTime_ = raw->time;
    if (raw->detail >= 0 && raw->detail < static_cast<int>(keymap_.size())) {
      const std::size_t code = static_cast<std::size_t>(raw->detail);
      const bool down = cookie.evtype == XI_RawKeyPress;
      // A key held long repeats its press: no change.
      changed = seenDown_[code] != down;
      seenDown_[code] = down;
      if (changed && down) {
        pressedSince_[code] = true;
        if (watched_[code]) Judge(seenDown_ | pressedSince_);
      } else if (changed) {
        spoiled_[code] = false;
        checked_[code] = false;
      }
    }
    XFreeEventData(display_, &cookie);
    return changed;
  }

  // Nobody else reads this connection. Only what Xlib has already read is
  // taken before the request: the keymap's reply brings in whatever the
  // server sent before it, so a tick costs no read of its own.
  void ReadKeymap() {
    while (XEventsQueued(display_, QueuedAlready) > 0) TakeEvent();
    char bits[32] = {};
    XQueryKeymap(display_, bits);
    std::bitset<256> now;
    for (std::size_t code = 0; code < now.size(); ++code)
      now[code] = (bits[code / 8] >> (code % 8)) & 1;
    // What came in with the reply was sent before it, mostly: its presses are
    // judged in the order they were made, before the reading is used.
    bool late = false;
    while (XEventsQueued(display_, QueuedAlready) > 0) late = TakeEvent() || late;
    spoiled_ &= now | seenDown_;
    checked_ &= now | seenDown_;
    seenDown_ = now;
    // A press let go before the request was answered still counts once: a
    // quick Alt+letter is a whole hot key.
    now |= pressedSince_;
    pressedSince_.reset();
    Judge(now);  // presses no event told of
    keymap_ = now & ~spoiled_;
    // Events read in with the reply may have come after it; the socket will
    // not tell again.
    if (notifier_ && (late || XEventsQueued(display_, QueuedAlready) > 0))
      QMetaObject::invokeMethod(
          notifier_.get(), [this, late] { ReadEvents(late); }, Qt::QueuedConnection);
  }

  // Keys down that make a watched combination (Alt and another watched key)
  // while another client holds the keyboard are spoiled: a locker has them,
  // and they read as up until let go. Only a new press in a combination costs
  // a request; typing does not, nor a held combination.
  void Judge(const std::bitset<256>& down) {
    const std::bitset<256> held = down & watched_;
    if ((held & alt_).none() || (held & ~alt_).none()) return;
    if ((held & ~checked_ & ~spoiled_).none()) return;
    if (KeyboardTaken()) {
      spoiled_ |= held;
      pressedSince_ &= ~spoiled_;
    } else {
      checked_ |= held & ~spoiled_;
    }
  }

  // Whether another client holds an active keyboard grab. The server answers
  // AlreadyGrabbed before it looks at the time, so a time later than its own
  // asks without grabbing: no focus change reaches the focused window. Should
  // the guess of the server's time be wrong, the grab is taken and let go.
  bool KeyboardTaken() {
    constexpr Time kAhead = 1UL << 30;  // some twelve days, less than the server's half month
    const Time later = static_cast<Time>((serverTime_ + kAhead) & 0xFFFFFFFFUL);
    const int result = XGrabKeyboard(display_, DefaultRootWindow(display_), False, GrabModeAsync,
                                     GrabModeAsync, later);
    if (result == GrabSuccess) {
      XUngrabKeyboard(display_, CurrentTime);
      XFlush(display_);
    }
    return result == AlreadyGrabbed || result == GrabFrozen;
  }

  // Kept until the keyboard mapping changes (the layout may change while we run).
  const std::vector<KeyCode>& KeyCodesFor(int virtualKey) {
    std::vector<KeyCode>& cached = codes_[virtualKey];
    if (cached.empty()) {
      cached = LookUpKeyCodes(virtualKey);
      for (KeyCode code : cached) {
        watched_[code] = true;
        if (virtualKey == kVkMenu) alt_[code] = true;
      }
    }
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
  int xiOpcode_ = -1;
  std::array<bool, 256> wasDown_{};
  std::array<std::vector<KeyCode>, 256> codes_{};
  std::bitset<256> keymap_;        // by key code, as last read
  std::bitset<256> seenDown_;      // as the events since that reading left it
  std::bitset<256> pressedSince_;  // pressed since that reading
  std::bitset<256> spoiled_;       // pressed while another client held the keyboard
  std::bitset<256> checked_;       // pressed while nobody else held it
  std::bitset<256> watched_;       // the codes of the keys queried
  std::bitset<256> alt_;           // those of Alt
  Time serverTime_ = 0;            // of the last key event
  bool polling_ = false;           // queries answer from the reading of BeginPoll
  std::function<void()> changed_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

std::unique_ptr<KeyState> MakeKeyState() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  return std::make_unique<X11KeyState>(display);
}

}  // namespace platform
