#include "bin/BinMonitor.h"

namespace bin {

TickAction MonitorTick(BinState& s, const platform::BinQuery& now,
                       std::optional<shape::Skin> checkedSkin, bool noSound) {
  s.binCount = now.count;
  s.binSize = now.size;
  TickAction a;
  if (s.polled && s.binSize == s.lastBinSize && s.binCount == s.lastBinCount) return a;
  a.changed = true;
  const bool full = s.binCount >= 1;
  if (checkedSkin) a.picture = shape::PictureName(*checkedSkin, full);
  if (!full) {
    a.playSound = s.polled && s.selfEmptied && !noSound;
    s.selfEmptied = false;
  }
  s.polled = true;
  s.lastBinSize = s.binSize;
  s.lastBinCount = s.binCount;
  return a;
}

void EmptyingAsked(BinState& s) { s.selfEmptied = true; }

void EmptyingEnded(BinState& s, bool emptied) {
  if (!emptied) s.selfEmptied = false;
}

}  // namespace bin
