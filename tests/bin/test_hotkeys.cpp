// The hot-key poller driven tick by tick by a scripted keyboard.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/ModuleVars.h"
#include "bin/HotKeys.h"

namespace {

// Keys go down and up between ticks; onQuery can change them between the
// two queries of one tick.
class ScriptedKeys : public platform::KeyState {
 public:
  std::int16_t AsyncKeyState(int virtualKey) override {
    ++queries;
    if (onQuery) onQuery(virtualKey);
    return down.count(virtualKey) ? static_cast<std::int16_t>(-32767) : 0;
  }
  void Press(const std::string& keys) {
    for (char k : keys) down.insert(k == '!' ? bin::kVkAlt : k);
  }
  void Release(const std::string& keys) {
    for (char k : keys) down.erase(k == '!' ? bin::kVkAlt : k);
  }
  std::set<int> down;
  int queries = 0;
  std::function<void(int)> onQuery;
};

class HotKeysTest : public ::testing::Test {
 protected:
  HotKeysTest() {
    app::HotKeysOn = true;
    app::OpenLatch = false;
    app::SnapLatch = false;
    auto count = [this](const char* name) { return [this, name] { calls.push_back(name); }; };
    actions.openBin = count("open");
    actions.emptyBin = count("empty");
    actions.dictionary = count("dictionary");
    actions.tempFolder = count("temp");
    actions.snapshot = count("snap");
    actions.folderOps = count("folders");
    actions.weatherMaps = count("weather");
    poller = Make();
  }
  ~HotKeysTest() override { app::HotKeysOn = false; }

  void Ticks(int n) {
    for (int i = 0; i < n; ++i) poller->TimerTecla_Timer();
  }
  using Calls = std::vector<std::string>;
  std::unique_ptr<bin::HotKeyPoller> Make() {
    return std::make_unique<bin::HotKeyPoller>(keys, actions);
  }

  ScriptedKeys keys;
  bin::HotKeyActions actions;
  Calls calls;
  std::unique_ptr<bin::HotKeyPoller> poller;
};

TEST_F(HotKeysTest, AltAOpensOncePerPressOfA) {
  keys.Press("!A");
  Ticks(10);
  EXPECT_EQ(calls, Calls{"open"});
  keys.Release("A");
  Ticks(1);
  keys.Press("A");
  Ticks(10);
  EXPECT_EQ(calls, (Calls{"open", "open"}));
}

TEST_F(HotKeysTest, AltSCapturesOncePerPressAndEitherKeyRearms) {
  keys.Press("!S");
  Ticks(10);
  EXPECT_EQ(calls, Calls{"snap"});
  keys.Release("!");
  Ticks(1);
  keys.Press("!");
  Ticks(5);
  EXPECT_EQ(calls, (Calls{"snap", "snap"}));
  keys.Release("S");
  Ticks(1);
  keys.Press("S");
  Ticks(5);
  EXPECT_EQ(calls, (Calls{"snap", "snap", "snap"}));
}

TEST_F(HotKeysTest, CombinationsHeldTogether) {
  keys.Press("!AV");
  Ticks(3);
  EXPECT_EQ(calls, Calls{"open"}) << "A held: V does not empty the bin";

  keys.Release("!AV");
  Ticks(1);
  calls.clear();
  keys.Press("!V");
  Ticks(3);
  EXPECT_EQ(calls, (Calls{"empty", "empty", "empty"})) << "repeated on every tick";

  keys.Release("!V");
  Ticks(1);
  calls.clear();
  keys.Press("!DT");
  Ticks(2);
  EXPECT_EQ(calls, (Calls{"dictionary", "dictionary"})) << "only the first tool";

  keys.Release("!DT");
  Ticks(1);
  calls.clear();
  keys.Press("!AD");
  Ticks(1);
  EXPECT_EQ(calls, (Calls{"open", "dictionary"})) << "bin and tool in the same tick";
}

TEST_F(HotKeysTest, EachToolHasItsLetter) {
  const std::map<char, std::string> tools = {
      {'D', "dictionary"}, {'T', "temp"}, {'X', "folders"}, {'W', "weather"}};
  for (const auto& [letter, action] : tools) {
    calls.clear();
    keys.Press(std::string("!") + letter);
    Ticks(2);
    EXPECT_EQ(calls, (Calls{action, action})) << letter;
    keys.Release(std::string("!") + letter);
    Ticks(1);
  }
}

TEST_F(HotKeysTest, NothingWithoutAltOrWithTheOptionOff) {
  keys.Press("!");
  Ticks(3);
  keys.Release("!");
  keys.Press("AVDTSXW");
  Ticks(3);
  EXPECT_TRUE(calls.empty());

  app::HotKeysOn = false;
  keys.Press("!");
  const int queries = keys.queries;
  Ticks(3);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(keys.queries, queries) << "the keyboard is not even looked at";
}

TEST_F(HotKeysTest, KeyLetGoBetweenTheTwoQueriesOfATickCountsAsReleased) {
  keys.Press("!V");
  keys.onQuery = [this](int) {
    if (keys.queries == 8) keys.Release("V");  // after the eight press queries
  };
  Ticks(1);
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(poller->AltHeld);
  EXPECT_FALSE(poller->KeyVHeld);
}

TEST_F(HotKeysTest, MissingActionDoesNothingButTheRestStillRun) {
  actions.openBin = nullptr;
  poller = Make();
  keys.Press("!AD");
  Ticks(2);
  EXPECT_EQ(calls, (Calls{"dictionary", "dictionary"}));
  EXPECT_TRUE(app::OpenLatch);
}

TEST_F(HotKeysTest, TickArrivingWhileAnActionWaitsForTheUserDoesNothing) {
  // The question box of the empty command runs an event loop, in which the
  // timer keeps firing; the user lets V go meanwhile.
  int nested = 0;
  actions.emptyBin = [&] {
    calls.push_back("empty");
    keys.Release("V");
    const int queries = keys.queries;
    for (int i = 0; i < 5; ++i, ++nested) poller->TimerTecla_Timer();
    EXPECT_EQ(keys.queries, queries);
  };
  poller = Make();
  keys.Press("!V");
  Ticks(1);
  EXPECT_EQ(nested, 5);
  EXPECT_EQ(calls, Calls{"empty"});
  EXPECT_TRUE(poller->KeyVHeld) << "flags are left to the next tick";
  Ticks(1);
  EXPECT_FALSE(poller->KeyVHeld);
  EXPECT_EQ(calls, Calls{"empty"});
}

TEST_F(HotKeysTest, SwitchingTheHotKeysOffFromInsideAnActionEndsTheTick) {
  actions.openBin = [&] {
    calls.push_back("open");
    app::HotKeysOn = false;
    poller.reset();
  };
  poller = Make();
  keys.Press("!AD");
  poller->TimerTecla_Timer();
  EXPECT_EQ(calls, Calls{"open"});
  EXPECT_EQ(poller, nullptr);
}

}  // namespace
