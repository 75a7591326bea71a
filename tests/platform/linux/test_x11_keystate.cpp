// Global key state read from a real X server, keys pressed with xdotool.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/KeyState.h"
#include "support/TempDir.h"

namespace {

constexpr int kAlt = 18;

// The server may take a moment to apply what xdotool sent.
bool Eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 100; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20)))
    if (condition()) return true;
  return false;
}

TEST(X11KeyState, HeldKeysAreNegativeAndReleasedOnesZero) {
  if (!std::getenv("DISPLAY")) {
    if (std::getenv("WW_REQUIRE_DISPLAY")) GTEST_FAIL() << "no X server";
    GTEST_SKIP() << "no X server";
  }
  const auto keys = platform::MakeKeyState();
  ASSERT_NE(keys, nullptr);
  struct Release {  // a failed check must not leave keys held for the next test on this server
    ~Release() { std::system("xdotool keyup alt v 2>/dev/null"); }
  } release;
  ASSERT_EQ(std::system("xdotool keydown alt v"), 0);
  EXPECT_TRUE(
      Eventually([&] { return keys->AsyncKeyState(kAlt) < 0 && keys->AsyncKeyState('V') < 0; }));
  EXPECT_EQ(keys->AsyncKeyState('A'), 0);
  ASSERT_EQ(std::system("xdotool keyup alt v"), 0);
  EXPECT_TRUE(
      Eventually([&] { return keys->AsyncKeyState(kAlt) == 0 && keys->AsyncKeyState('V') == 0; }));
}

TEST(X11KeyState, NoServerGivesNoAdapter) {
  testsupport::ScopedEnv nobody("DISPLAY", ":4093");
  EXPECT_EQ(platform::MakeKeyState(), nullptr);
}

}  // namespace
