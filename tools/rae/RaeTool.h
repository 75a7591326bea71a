#pragma once
#include "tools/Tool.h"

namespace tools {

// "Diccionario de la RAE", Alt+D.
class RaeTool final : public Tool {
 public:
  RaeTool();
  void Open(ToolHost& host) override;
};

}  // namespace tools
