#include "tools/rae/RaeTool.h"

#include "tools/rae/FrmRae.h"

namespace tools {

// The object name is persisted in nothing but found by tests; keep it.
RaeTool::RaeTool()
    : Tool(ToolInfo{MenuPlace::Utilities, "MnuBusca",
                    QStringLiteral("Diccionario de la RAE -- Alt + d"), 'D'}) {}

void RaeTool::Open(ToolHost&) { FrmRae::Open(); }

}  // namespace tools
