// Key state on the test X server, with xdotool typing from another client as a
// keyboard would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/KeyState.h"
#include "support/E2eProgram.h"
#include "support/QtApp.h"
#include "support/TempDir.h"

// After the Qt headers: Xlib's macros clash with their names.
#include <X11/Xlib.h>

namespace {

constexpr int kVkAlt = 18;

class X11KeyStateOnServer : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::App();
    keys_ = platform::MakeKeyState();
    if (!keys_) {
      if (const char* required = std::getenv("WW_REQUIRE_DISPLAY"); required && *required)
        GTEST_FAIL() << "no X server, though the test script wants one";
      GTEST_SKIP() << "no X server (DISPLAY)";
    }
    ASSERT_TRUE(keys_->WatchChanges([this] { ++calls_; }));
  }
  void TearDown() override { testsupport::Shell("xdotool keyup t keyup alt"); }

  // Runs events until the key state has called again.
  bool Called() {
    const int before = calls_;
    return testsupport::SpinUntil([&] { return calls_ > before; }, 3000);
  }
  // A fresh reading: Alt and T as it sees them.
  std::pair<bool, bool> AltT() {
    keys_->BeginPoll();
    return {keys_->AsyncKeyState(kVkAlt) < 0, keys_->AsyncKeyState('T') < 0};
  }

  std::unique_ptr<platform::KeyState> keys_;
  int calls_ = 0;
};

using Keys = std::pair<bool, bool>;

// The poll sleeps until told: a press or a release anywhere must wake it, whichever client
// has the focus or holds the keyboard. A client holding the keyboard (a screen locker) has
// the keys typed meanwhile: they read as up, quick or held, also once the grab is gone,
// until let go; pressed afresh they count.
TEST_F(X11KeyStateOnServer, KeysPressedWhileAnotherClientGrabsTheKeyboardReadUpUntilLetGo) {
  EXPECT_EQ(AltT(), Keys(false, false));
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync,
                          CurrentTime),
            GrabSuccess);
  XSync(other, False);

  testsupport::Shell("xdotool key --delay 1 alt+t");
  ASSERT_TRUE(Called());
  EXPECT_EQ(AltT(), Keys(false, false));
  testsupport::Shell("xdotool keydown alt keydown t");
  ASSERT_TRUE(Called());
  EXPECT_EQ(AltT(), Keys(false, false));
  XUngrabKeyboard(other, CurrentTime);
  XSync(other, False);
  EXPECT_EQ(AltT(), Keys(false, false));
  testsupport::Shell("xdotool keyup t sleep 0.05 keydown t");
  ASSERT_TRUE(Called());
  EXPECT_EQ(AltT(), Keys(false, true));
  testsupport::Shell("xdotool keyup alt sleep 0.05 keydown alt");
  ASSERT_TRUE(Called());
  EXPECT_EQ(AltT(), Keys(true, true));
  testsupport::Shell("xdotool keyup t keyup alt");
  ASSERT_TRUE(Called());
  EXPECT_EQ(AltT(), Keys(false, false));
  XCloseDisplay(other);
}

// Pressed and let go while nobody reads (xdotool types while this thread waits, as the
// program may be busy): the reading after the call still shows the combination, once.
TEST_F(X11KeyStateOnServer, KeysLetGoBeforeTheReadingCountOnce) {
  testsupport::Shell("xdotool key --delay 1 alt+t");
  ASSERT_TRUE(Called());
  EXPECT_EQ(AltT(), Keys(true, true));
  EXPECT_EQ(AltT(), Keys(false, false));
}

TEST(X11KeyState, NoServerGivesNoAdapter) {
  testsupport::ScopedEnv nobody("DISPLAY", ":4093");
  EXPECT_EQ(platform::MakeKeyState(), nullptr);
}

}  // namespace
