// Global key state read from a real X server, keys pressed with xdotool.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/KeyState.h"

namespace {

constexpr int kAlt = 18;

void Xdotool(const std::string& args) {
  ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args;
}

// The server may take a moment to apply what xdotool sent.
bool Eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 100; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

class X11KeyStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server";
    keys = platform::MakeKeyState();
    ASSERT_NE(keys, nullptr);
  }
  void TearDown() override {
    if (keys) std::system("xdotool keyup alt v a Alt_R ISO_Level3_Shift 2>/dev/null");
  }
  bool Down(int vk) { return keys->AsyncKeyState(vk) < 0; }
  std::unique_ptr<platform::KeyState> keys;
};

TEST_F(X11KeyStateTest, HeldKeysAreNegativeAndReleasedOnesZero) {
  Xdotool("keydown alt v");
  ASSERT_TRUE(Eventually([&] { return Down(kAlt) && Down('V'); }));
  EXPECT_EQ(keys->AsyncKeyState('A'), 0);
  EXPECT_EQ(keys->AsyncKeyState('W'), 0);

  Xdotool("keyup v");
  ASSERT_TRUE(Eventually([&] { return keys->AsyncKeyState('V') == 0; }));
  EXPECT_TRUE(Down(kAlt));
  Xdotool("keyup alt");
  ASSERT_TRUE(Eventually([&] { return keys->AsyncKeyState(kAlt) == 0; }));
}

TEST_F(X11KeyStateTest, FirstQueryOfAPressCarriesThePressedBit) {
  Xdotool("keydown a");
  std::int16_t first = 0;
  ASSERT_TRUE(Eventually([&] { return (first = keys->AsyncKeyState('A')) < 0; }));
  EXPECT_EQ(first & 1, 1);
  EXPECT_EQ(keys->AsyncKeyState('A') & 1, 0) << "already reported";
  Xdotool("keyup a");
  ASSERT_TRUE(Eventually([&] { return keys->AsyncKeyState('A') == 0; }));
}

TEST_F(X11KeyStateTest, RightAltAndAltGrCountAsAlt) {
  for (const char* key : {"Alt_R", "ISO_Level3_Shift"}) {
    Xdotool(std::string("keydown ") + key);
    EXPECT_TRUE(Eventually([&] { return Down(kAlt); })) << key;
    Xdotool(std::string("keyup ") + key);
    EXPECT_TRUE(Eventually([&] { return keys->AsyncKeyState(kAlt) == 0; })) << key;
  }
}

TEST(X11KeyStateNoDisplayTest, NoServerGivesNoAdapter) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  setenv("DISPLAY", ":4093", 1);  // nobody there
  EXPECT_EQ(platform::MakeKeyState(), nullptr);
  if (display)
    setenv("DISPLAY", saved.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

}  // namespace
