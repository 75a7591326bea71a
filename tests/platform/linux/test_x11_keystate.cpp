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

class X11KeyStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) {
      if (std::getenv("WW_REQUIRE_DISPLAY")) GTEST_FAIL() << "no X server";
      GTEST_SKIP() << "no X server";
    }
    ASSERT_NE(keys = platform::MakeKeyState(), nullptr);
  }
  void TearDown() override {
    if (keys) std::system("xdotool keyup alt v a Alt_R ISO_Level3_Shift 2>/dev/null");
  }
  void Xdotool(const std::string& args) {
    ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args;
  }
  bool Down(int vk) { return keys->AsyncKeyState(vk) < 0; }
  bool Up(int vk) { return keys->AsyncKeyState(vk) == 0; }
  std::unique_ptr<platform::KeyState> keys;
};

TEST_F(X11KeyStateTest, HeldKeysAreNegativeAndTheFirstQueryOfAPressSaysSo) {
  Xdotool("keydown alt v");
  std::int16_t first = 0;
  ASSERT_TRUE(Eventually([&] { return Down(kAlt) && (first = keys->AsyncKeyState('V')) < 0; }));
  EXPECT_EQ(first & 1, 1);
  EXPECT_EQ(keys->AsyncKeyState('V') & 1, 0) << "already reported";
  EXPECT_TRUE(Up('A'));
  Xdotool("keyup v");
  ASSERT_TRUE(Eventually([&] { return Up('V'); }));
  EXPECT_TRUE(Down(kAlt));
  Xdotool("keyup alt");
  EXPECT_TRUE(Eventually([&] { return Up(kAlt); }));
  // Right Alt and AltGr count as Alt.
  for (const std::string key : {"Alt_R", "ISO_Level3_Shift"}) {
    Xdotool("keydown " + key);
    EXPECT_TRUE(Eventually([&] { return Down(kAlt); })) << key;
    Xdotool("keyup " + key);
    EXPECT_TRUE(Eventually([&] { return Up(kAlt); })) << key;
  }
}

TEST(X11KeyStateNoDisplayTest, NoServerGivesNoAdapter) {
  testsupport::ScopedEnv nobody("DISPLAY", ":4093");
  EXPECT_EQ(platform::MakeKeyState(), nullptr);
}

}  // namespace
