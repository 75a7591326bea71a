// The hot-key poller driven tick by tick by a scripted keyboard.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bin/HotKeys.h"

namespace {

using Calls = std::vector<std::string>;
using Next = bin::HotKeyPoller::Next;

struct ScriptedKeys : platform::KeyState {
  std::int16_t AsyncKeyState(int virtualKey) override {
    ++queries;
    return down.count(virtualKey) ? static_cast<std::int16_t>(-32767) : 0;
  }
  // Exactly these keys down; '!' is Alt.
  void Hold(const std::string& keys) {
    down.clear();
    for (char k : keys) down.insert(k == '!' ? bin::kVkAlt : k);
  }
  std::set<int> down;
  int queries = 0;
};

class HotKeysTest : public ::testing::Test {
 protected:
  HotKeysTest() {
    auto record = [this](const char* name) { return [this, name] { calls.push_back(name); }; };
    actions.openBin = record("open");
    actions.emptyBin = record("empty");
    actions.tools = {{'T', record("temp")}, {'D', record("dictionary")}};
  }
  void Start(const std::string& held) {
    calls.clear();
    keys.Hold(held);
    poller = std::make_unique<bin::HotKeyPoller>(keys, actions);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) poller->TimerTecla_Timer();
  }

  ScriptedKeys keys;
  bin::HotKeyActions actions;
  Calls calls;
  std::unique_ptr<bin::HotKeyPoller> poller;
};

TEST_F(HotKeysTest, TwoLettersHeldOpenOnlyTheEarlierToolAndLettersWithoutAltNothing) {
  Start("!DT");
  Ticks(2);
  EXPECT_EQ(calls, Calls{"temp"});
  Start("AVDT");  // typing elsewhere must never empty the trash
  Ticks(3);
  EXPECT_EQ(calls, Calls{});
}

// A held tool key acts once (a second check or window would follow on every tick); letting
// the letter or Alt go re-arms it. Emptying keeps its own rule: on every tick, so the poll
// keeps its timer while a key is held, and rests (waits for a key) only when none is.
TEST_F(HotKeysTest, AHeldToolKeyActsOncePerPressWhileEmptyingRepeats) {
  Start("!D");
  Ticks(10);
  keys.Hold("!");
  Ticks(1);
  keys.Hold("!D");
  Ticks(3);
  keys.Hold("D");
  Ticks(1);
  keys.Hold("!D");
  Ticks(2);
  EXPECT_EQ(calls, (Calls{"dictionary", "dictionary", "dictionary"}));
  Start("!V");
  Ticks(2);
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Poll);
  EXPECT_EQ(calls, (Calls{"empty", "empty", "empty"}));
  keys.Hold("V");
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Poll);
  keys.Hold("");
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Rest);
}

TEST_F(HotKeysTest, TickArrivingWhileAnActionWaitsForTheUserDoesNothing) {
  // The question box of the empty command runs an event loop, in which the
  // timer keeps firing; the user lets V go meanwhile. No key event will tell
  // again: the timer must run on to see it.
  actions.emptyBin = [&] {
    calls.push_back("empty");
    keys.Hold("");
    const int queries = keys.queries;
    EXPECT_EQ(poller->TimerTecla_Timer(), Next::Poll);
    Ticks(4);
    EXPECT_EQ(keys.queries, queries);
  };
  Start("!V");
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Poll);
  EXPECT_TRUE(poller->Held(bin::kVkV)) << "flags are left to the next tick";
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Rest);
  EXPECT_FALSE(poller->Held(bin::kVkV));
  EXPECT_EQ(calls, Calls{"empty"});
}

TEST_F(HotKeysTest, SwitchingTheHotKeysOffFromInsideAnActionEndsTheTick) {
  for (const bool destroyed : {false, true}) {
    actions.openBin = [&] {
      calls.push_back("open");
      poller->Stop();
      if (destroyed) poller.reset();
    };
    Start("!AD");
    // The window that runs the poll must then touch nothing: it may be gone too.
    EXPECT_EQ(poller->TimerTecla_Timer(), Next::Done);
    EXPECT_EQ(calls, Calls{"open"});
    if (destroyed) continue;
    const int queries = keys.queries;
    Ticks(2);
    EXPECT_EQ(keys.queries, queries) << "a stopped poller looks at nothing";
  }
}

}  // namespace
