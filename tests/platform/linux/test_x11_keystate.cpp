// Key state without an X server. Held and released keys on a real server are read by the
// end-to-end hot-key scenarios.
#include <gtest/gtest.h>

#include "platform/KeyState.h"
#include "support/TempDir.h"

TEST(X11KeyState, NoServerGivesNoAdapter) {
  testsupport::ScopedEnv nobody("DISPLAY", ":4093");
  EXPECT_EQ(platform::MakeKeyState(), nullptr);
}
