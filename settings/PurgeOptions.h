#pragma once
// The automatic purge's choices as Options.ini keeps them.
#include "platform/TrashPurge.h"
#include "settings/Options.h"

namespace settings {

constexpr int kPurgeDaysMax = 365;
constexpr int kPurgePercentMax = 50;

// A value edited by hand out of range is brought into it; 0 or less is off.
platform::PurgeSettings ReadPurgeSettings(const Options& options = Options());
void StorePurgeSettings(const platform::PurgeSettings& s, const Options& options = Options());

}  // namespace settings
