#pragma once
// The bin's state and every change to it, apart from any window. Only the
// bin controller calls these.
#include <cstdint>
#include <optional>

#include "platform/RecycleBin.h"
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

// One tick of the poll with what the query saw. The first tick always shows
// the picture that matches the trash, without the sound.
TickAction MonitorTick(BinState& state, const platform::BinQuery& now,
                       std::optional<shape::Skin> checkedSkin, bool noSound);

// The user asked for an emptying: the sound greets it once the trash is empty.
void EmptyingAsked(BinState& state);
// The emptying ended; when it did not empty the trash by our hand, a later
// emptying by anyone else is not greeted.
void EmptyingEnded(BinState& state, bool emptied);

}  // namespace bin
