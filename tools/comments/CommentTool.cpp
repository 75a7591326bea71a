#include "tools/comments/CommentTool.h"

#include "tools/comments/FrmComment.h"

namespace tools {

CommentTool::CommentTool()
    : Tool(ToolInfo{MenuPlace::Help, "MnuSendMe", QStringLiteral("Enviar comentarios"), 0}) {}

void CommentTool::Open(ToolHost&) { FrmComment::Open(); }

}  // namespace tools
