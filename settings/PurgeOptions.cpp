#include "settings/PurgeOptions.h"

#include <algorithm>

namespace settings {

namespace {
const char* const kOldest = "Antiguos";
const char* const kWarn = "Avisar";
}  // namespace

platform::PurgeSettings ReadPurgeSettings(const Options& options) {
  platform::PurgeSettings s;
  s.days = std::clamp(options.Number(Key::AutoPurgeDays), 0, kPurgeDaysMax);
  s.percent = std::clamp(options.Number(Key::AutoPurgePercent), 0, kPurgePercentMax);
  s.oldestGo = options.Text(Key::AutoPurgeAction) == kOldest;
  return s;
}

void StorePurgeSettings(const platform::PurgeSettings& s, const Options& options) {
  options.SetNumber(Key::AutoPurgeDays, s.days);
  options.SetNumber(Key::AutoPurgePercent, s.percent);
  options.SetText(Key::AutoPurgeAction, s.oldestGo ? kOldest : kWarn);
}

}  // namespace settings
