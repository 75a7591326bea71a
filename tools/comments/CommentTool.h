#pragma once
#include "tools/Tool.h"

namespace tools {

// "Enviar comentarios" in the Ayuda menu.
class CommentTool final : public Tool {
 public:
  CommentTool();
  void Open(ToolHost& host) override;
};

}  // namespace tools
