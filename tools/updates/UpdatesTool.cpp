#include "tools/updates/UpdatesTool.h"

#include "tools/updates/frmUpdates.h"

namespace tools {

UpdatesTool::UpdatesTool()
    : Tool(ToolInfo{MenuPlace::Help, "MnuBuscaBin", QStringLiteral("Buscar actualizaciones"), 0}) {}

// The host lives for the whole run; after the setup was handed over the
// program ends through it.
void UpdatesTool::Open(ToolHost& host) {
  frmUpdates::Open([&host] { host.UnloadAllForms(); });
}

}  // namespace tools
