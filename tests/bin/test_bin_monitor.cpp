#include <gtest/gtest.h>

#include <string>

#include "bin/BinMonitor.h"

namespace {
// "-" for no change, else the picture and whether the sound plays.
std::string Tick(bin::BinState& s, std::int64_t count, std::int64_t size, bool noSound = false) {
  s.binCount = count;
  s.binSize = size;
  const bin::TickAction a = bin::MonitorTick(s, shape::Skin::Space, noSound);
  if (!a.changed) return "-";
  return std::string(a.picture ? a.picture : "(none)") + (a.playSound ? " sound" : "");
}
}  // namespace

TEST(BinMonitor, FirstPollShowsTheTrashAsItIsWithoutTheSound) {
  // The stored picture said full; the trash was emptied while we were away.
  bin::BinState s;
  s.selfEmptied = true;
  EXPECT_EQ(Tick(s, 0, 0), "ImgFuturEmpty");
  EXPECT_EQ(Tick(s, 0, 0), "-");
}

TEST(BinMonitor, PicturesFollowTheCountAndTheSoundOnlyOurOwnEmptying) {
  bin::BinState s;
  EXPECT_EQ(Tick(s, 2, 100), "ImgFuturFull");
  EXPECT_EQ(Tick(s, 2, 100), "-");
  EXPECT_EQ(Tick(s, 2, 101), "ImgFuturFull") << "a size change alone is a change";
  EXPECT_EQ(Tick(s, 1, 0), "ImgFuturFull") << "the count decides, not the size";
  EXPECT_EQ(Tick(s, 0, 0), "ImgFuturEmpty") << "emptied by someone else";

  s.selfEmptied = true;
  EXPECT_EQ(Tick(s, 2, 2), "ImgFuturFull");
  EXPECT_EQ(Tick(s, 0, 0), "ImgFuturEmpty sound") << "kept through a full state";
  EXPECT_FALSE(s.selfEmptied);

  Tick(s, 5, 500);
  s.selfEmptied = true;
  EXPECT_EQ(Tick(s, 0, 0, true), "ImgFuturEmpty") << "Sin sonido";
  EXPECT_FALSE(s.selfEmptied);
}
