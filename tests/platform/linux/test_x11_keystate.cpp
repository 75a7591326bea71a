// Key state on the test X server, xdotool typing from another client as a keyboard would.
#include <gtest/gtest.h>

#include <memory>

#include "platform/KeyState.h"
#include "support/E2eProgram.h"
#include "support/QtApp.h"

// After the Qt headers: Xlib's macros clash with their names.
#include <X11/Xlib.h>

namespace {

constexpr int kVkAlt = 18;

class X11KeyStateOnServer : public testsupport::E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    if (IsSkipped() || HasFailure()) return;
    testsupport::App();
    keys_ = platform::MakeKeyState();
    ASSERT_TRUE(keys_ && keys_->WatchChanges([this] { ++calls_; }));
  }
  void TearDown() override { testsupport::Shell("xdotool keyup t keyup alt"); }

  bool Called() {
    const int before = calls_;
    return testsupport::SpinUntil([&] { return calls_ > before; }, 3000);
  }
  std::pair<bool, bool> AltT() {
    keys_->BeginPoll();
    return {keys_->AsyncKeyState(kVkAlt) < 0, keys_->AsyncKeyState('T') < 0};
  }

  std::unique_ptr<platform::KeyState> keys_;
  int calls_ = 0;
};

using Keys = std::pair<bool, bool>;

// A press or release anywhere wakes the poll; keys let go before the reading count once. Keys
// typed while another client (a screen locker) holds the keyboard read up, also once the grab is
// gone, until let go and pressed afresh.
TEST_F(X11KeyStateOnServer, KeysPressedWhileAnotherClientGrabsTheKeyboardReadUpUntilLetGo) {
  testsupport::Shell("xdotool key --delay 1 alt+t");
  ASSERT_TRUE(Called());
  EXPECT_EQ(AltT(), Keys(true, true));
  EXPECT_EQ(AltT(), Keys(false, false));
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync,
                          CurrentTime),
            GrabSuccess);
  XSync(other, False);
  const std::pair<const char*, Keys> steps[] = {{"key --delay 1 alt+t", {false, false}},
                                                {"keydown alt keydown t", {false, false}},
                                                {nullptr, {false, false}},  // the grab gone
                                                {"keyup t sleep 0.05 keydown t", {false, true}},
                                                {"keyup alt sleep 0.05 keydown alt", {true, true}},
                                                {"keyup t keyup alt", {false, false}}};
  for (const auto& [typed, seen] : steps) {
    if (!typed) XUngrabKeyboard(other, CurrentTime), XSync(other, False);
    if (typed) testsupport::Shell(std::string("xdotool ") + typed);
    ASSERT_TRUE(!typed || Called()) << typed;
    EXPECT_EQ(AltT(), seen) << (typed ? typed : "ungrabbed");
  }
  XCloseDisplay(other);
}

TEST(X11KeyState, NoServerGivesNoAdapter) {
  testsupport::ScopedEnv nobody("DISPLAY", ":4093");
  EXPECT_EQ(platform::MakeKeyState(), nullptr);
}

}  // namespace
