#pragma once
// The satellite map viewer's entry: a connectivity check first, then the viewer.
#include <QObject>
#include <memory>

#include "tools/Tool.h"

namespace weather {

class WeatherMapsTool final : public tools::Tool {
 public:
  WeatherMapsTool();
  ~WeatherMapsTool() override;
  void Open(tools::ToolHost& host) override;
  // Whether a check is on its way.
  bool Checking() const { return checking_ != nullptr; }

 private:
  // Lives while a check is on its way; its answer dies with it.
  std::unique_ptr<QObject> checking_;
};

}  // namespace weather
