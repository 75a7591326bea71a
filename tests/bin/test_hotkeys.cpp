// The hot-key poller driven tick by tick by a scripted keyboard.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "app/ToolTable.h"
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
    // The program's own tools, as the bin window lists them: each notes its letter.
    actions = bin::HotKeysOf(bin::ToolCommands(
        table, [this](tools::Tool& t) { calls.push_back(std::string(1, t.Info().hotKey)); },
        [](tools::Tool&) { return true; }));
    actions.openBin = record("open");
    actions.emptyBin = record("empty");
  }
  void Start(const std::string& held) {
    calls.clear();
    keys.Hold(held);
    poller = std::make_unique<bin::HotKeyPoller>(keys, actions);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) poller->TimerTecla_Timer();
  }

  tools::ToolList table = app::ToolTable();
  ScriptedKeys keys;
  bin::HotKeyActions actions;
  Calls calls;
  std::unique_ptr<bin::HotKeyPoller> poller;
};

// Of several letters held with Alt only the first of D, T, S, X, W acts, whatever order the menu
// lists the tools in; letters without Alt do nothing.
TEST_F(HotKeysTest, SeveralLettersHeldOpenOnlyTheFirstToolInHotKeyOrder) {
  const std::string order = "DTSXW";
  for (std::size_t first = 0; first < order.size(); ++first) {
    for (std::size_t later = first + 1; later < order.size(); ++later) {
      Start(std::string("!") + order[later] + order[first]);
      Ticks(2);
      EXPECT_EQ(calls, Calls{std::string(1, order[first])}) << order[first] << order[later];
    }
  }
  Start("AVDT");  // typing elsewhere must never empty the trash
  Ticks(3);
  EXPECT_EQ(calls, Calls{});
}

// A held tool key acts once (a second check or window would follow on every tick); letting the
// letter or Alt go re-arms it. Emptying keeps its own rule: on every tick, so the poll keeps its
// timer while a key is held, and rests (waits for a key) only when none is.
TEST_F(HotKeysTest, AHeldToolKeyActsOncePerPressWhileEmptyingRepeats) {
  Start("");
  for (const auto& [held, ticks] :
       {std::pair{"!D", 10}, {"!", 1}, {"!D", 3}, {"D", 1}, {"!D", 2}}) {
    keys.Hold(held);
    Ticks(ticks);
  }
  EXPECT_EQ(calls, (Calls{"D", "D", "D"}));
  Start("!V");
  Ticks(2);
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Poll);
  EXPECT_EQ(calls, (Calls{"empty", "empty", "empty"}));
  keys.Hold("V");
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Poll);
  keys.Hold("");
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Rest);
}

TEST_F(HotKeysTest, SwitchingTheHotKeysOffFromInsideAnActionEndsTheTick) {
  actions.openBin = [&] {
    calls.push_back("open");
    poller->Stop();
  };
  Start("!AD");
  EXPECT_EQ(poller->TimerTecla_Timer(), Next::Done);
  EXPECT_EQ(calls, Calls{"open"});
  const int queries = keys.queries;
  Ticks(2);
  EXPECT_EQ(keys.queries, queries) << "a stopped poller looks at nothing";
}

}  // namespace
