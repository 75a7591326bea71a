#pragma once
// The bin poll's decision, tick by tick, apart from any window.
#include <cstdint>
#include <optional>

#include "shape/SkinCatalog.h"

namespace bin {

struct BinState {
  std::int64_t binCount = 0;
  std::int64_t binSize = 0;
  std::int64_t lastBinCount = 0;
  std::int64_t lastBinSize = 0;
  bool selfEmptied = false;
  bool polled = false;  // the picture shown at start is only the stored one
};

struct TickAction {
  bool changed = false;           // repaint, reshape and repaint the picture box
  const char* picture = nullptr;  // picture to apply, or none
  bool playSound = false;
};

// One tick after the query filled binCount and binSize. The first tick always
// shows the picture that matches the trash, without the sound.
TickAction MonitorTick(BinState& state, std::optional<shape::Skin> checkedSkin, bool noSound);

}  // namespace bin
