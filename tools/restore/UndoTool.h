#pragma once
// "Deshacer último borrado": the items of the last drop on the bin go back
// where they came from.
#include "tools/Tool.h"

namespace tools {

class UndoTool final : public Tool {
 public:
  UndoTool();
  bool Enabled(ToolHost& host) const override;
  // Does nothing when there is nothing to undo.
  void Open(ToolHost& host) override;
};

}  // namespace tools
