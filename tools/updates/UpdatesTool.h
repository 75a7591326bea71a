#pragma once
#include "tools/Tool.h"

namespace tools {

// "Buscar actualizaciones" in the Ayuda menu.
class UpdatesTool final : public Tool {
 public:
  UpdatesTool();
  void Open(ToolHost& host) override;
};

}  // namespace tools
