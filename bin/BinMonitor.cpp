#include "bin/BinMonitor.h"

namespace bin {

TickAction MonitorTick(BinState& s, std::optional<shape::Skin> checkedSkin, bool noSound) {
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

}  // namespace bin
