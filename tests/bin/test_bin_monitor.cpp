#include <gtest/gtest.h>

#include <string>

#include "bin/BinMonitor.h"

using bin::BinState;
using bin::MonitorTick;
using shape::Skin;

namespace {
std::string Tick(BinState& s, std::int64_t count, std::int64_t size, bool noSound = false) {
  s.binCount = count;
  s.binSize = size;
  const bin::TickAction a = MonitorTick(s, Skin::Space, noSound);
  if (!a.changed) return "-";
  return std::string(a.picture ? a.picture : "(none)") + (a.playSound ? " sound" : "");
}
}  // namespace

TEST(BinMonitor, FirstPollShowsTheTrashAsItIsWithoutTheSound) {
  // The stored picture said full; the trash was emptied while we were away.
  BinState s;
  s.selfEmptied = true;
  EXPECT_EQ(Tick(s, 0, 0), "ImgFuturEmpty");
  EXPECT_EQ(Tick(s, 0, 0), "-");
  BinState full;
  EXPECT_EQ(Tick(full, 3, 30), "ImgFuturFull");
}

TEST(BinMonitor, PicturesFollowTheCountAndTheSoundOnlyOurOwnEmptying) {
  BinState s;
  EXPECT_EQ(Tick(s, 2, 100), "ImgFuturFull");
  EXPECT_EQ(Tick(s, 2, 100), "-");
  EXPECT_EQ(Tick(s, 2, 101), "ImgFuturFull") << "a size change alone is a change";
  EXPECT_EQ(Tick(s, 1, 0), "ImgFuturFull") << "the count decides, not the size";
  EXPECT_EQ(Tick(s, 0, 0), "ImgFuturEmpty") << "emptied by someone else";

  Tick(s, 5, 500);
  s.selfEmptied = true;
  EXPECT_EQ(Tick(s, 2, 2), "ImgFuturFull");
  EXPECT_TRUE(s.selfEmptied) << "kept for the empty state";
  EXPECT_EQ(Tick(s, 0, 0), "ImgFuturEmpty sound");
  EXPECT_FALSE(s.selfEmptied);

  Tick(s, 5, 500);
  s.selfEmptied = true;
  EXPECT_EQ(Tick(s, 0, 0, true), "ImgFuturEmpty") << "Sin sonido";
  EXPECT_FALSE(s.selfEmptied);
}
