#pragma once
// The satellite map viewer's entry: a connectivity check first, then the viewer.
#include "tools/Tool.h"

namespace weather {

class WeatherMapsTool final : public tools::Tool {
 public:
  WeatherMapsTool();
  void Open(tools::ToolHost& host) override;
};

}  // namespace weather
