#include <gtest/gtest.h>

#include <string>

#include "bin/BinMonitor.h"
#include "shape/SkinCatalog.h"

using bin::BinState;
using bin::MonitorTick;
using shape::Skin;

namespace {
std::string Pic(const bin::TickAction& a) { return a.picture ? a.picture : "(none)"; }

void Poll(BinState& s, std::int64_t count, std::int64_t size) {
  s.binCount = count;
  s.binSize = size;
}
}  // namespace

TEST(BinMonitor, EmptyBinAtStartChangesNothing) {
  BinState s;
  Poll(s, 0, 0);
  EXPECT_FALSE(MonitorTick(s, Skin::Default, false).changed);
}

TEST(BinMonitor, PicturesFollowTheCountAndTheCheckedSkin) {
  BinState s;
  Poll(s, 2, 100);
  auto a = MonitorTick(s, Skin::Space, false);
  EXPECT_TRUE(a.changed);
  EXPECT_EQ(Pic(a), "ImgFuturFull");
  // Same numbers again: nothing.
  EXPECT_FALSE(MonitorTick(s, Skin::Space, false).changed);
  // One item less keeps the full picture but still reshapes.
  Poll(s, 1, 60);
  a = MonitorTick(s, Skin::Space, false);
  EXPECT_TRUE(a.changed);
  EXPECT_EQ(Pic(a), "ImgFuturFull");
  // A size change alone counts as a change.
  Poll(s, 1, 61);
  EXPECT_TRUE(MonitorTick(s, Skin::Space, false).changed);
  // Items of size 0 are still a full bin: the count decides.
  Poll(s, 1, 0);
  EXPECT_EQ(Pic(MonitorTick(s, Skin::Modern, false)), "ImgModernFull");
  Poll(s, 0, 0);
  a = MonitorTick(s, Skin::Modern, false);
  EXPECT_EQ(Pic(a), "ImgModern");
  // No skin checked: no picture, but the window is still reshaped.
  Poll(s, 3, 3);
  a = MonitorTick(s, std::nullopt, false);
  EXPECT_TRUE(a.changed);
  EXPECT_EQ(a.picture, nullptr);
}

TEST(BinMonitor, SoundOnlyAfterOwnEmptyingAndNotWhenSilenced) {
  BinState s;
  Poll(s, 5, 500);
  MonitorTick(s, Skin::Cute, false);

  // Someone else empties the bin: no sound.
  Poll(s, 0, 0);
  EXPECT_FALSE(MonitorTick(s, Skin::Cute, false).playSound);

  // The program empties it: one sound, then the flag is gone.
  Poll(s, 5, 500);
  MonitorTick(s, Skin::Cute, false);
  s.selfEmptied = true;
  Poll(s, 0, 0);
  EXPECT_TRUE(MonitorTick(s, Skin::Cute, false).playSound);
  EXPECT_FALSE(s.selfEmptied);

  // "Sin sonido" clears the flag all the same.
  Poll(s, 5, 500);
  MonitorTick(s, Skin::Cute, false);
  s.selfEmptied = true;
  Poll(s, 0, 0);
  EXPECT_FALSE(MonitorTick(s, Skin::Cute, true).playSound);
  EXPECT_FALSE(s.selfEmptied);

  // A change to another full state keeps the flag for the empty one.
  s.selfEmptied = true;
  Poll(s, 2, 2);
  MonitorTick(s, Skin::Cute, false);
  EXPECT_TRUE(s.selfEmptied);
}

TEST(SkinCatalog, StartValuesAndExitValues) {
  EXPECT_EQ(shape::StartSkin("ShapedFormFullClass48").skin, Skin::Metal);
  EXPECT_TRUE(shape::StartSkin("ShapedFormFullClass48").full);
  EXPECT_EQ(shape::StartSkin("ShapedFormModern").skin, Skin::Modern);
  EXPECT_FALSE(shape::StartSkin("ShapedFormModern").full);
  for (const char* other : {"", "shapedformfull", "ShapedFormFull ", "Cute"}) {
    EXPECT_EQ(shape::StartSkin(other).skin, Skin::Default) << other;
    EXPECT_FALSE(shape::StartSkin(other).full) << other;
  }
  EXPECT_EQ(shape::ExitValue(Skin::Space, 0), "ShapedFormEmptyFutur64");
  EXPECT_EQ(shape::ExitValue(Skin::Space, 1), "ShapedFormFullFutur64");
  EXPECT_EQ(shape::ExitValue(std::nullopt, 4), "");
  // Every stored value restores the skin and state it was stored for.
  for (const shape::SkinRow& row : shape::SkinTable()) {
    EXPECT_EQ(shape::StartSkin(shape::ExitValue(row.skin, 0)).skin, row.skin);
    EXPECT_TRUE(shape::StartSkin(shape::ExitValue(row.skin, 3)).full);
  }
}
