#include "tools/restore/UndoTool.h"

#include "platform/MessageBox.h"
#include "tools/restore/StayedText.h"

namespace tools {

UndoTool::UndoTool()
    : Tool({MenuPlace::Utilities, "MnuDeshacer",
            QStringLiteral("Deshacer último borrado -- Alt + z"), 'Z'}) {}

bool UndoTool::Enabled(ToolHost& host) const { return !host.LastDrop().empty(); }

void UndoTool::Open(ToolHost& host) {
  const std::vector<platform::TrashedItem> items = host.LastDrop();
  platform::RecycleBin* bin = host.HostBin();
  if (items.empty() || !bin) return;
  // Forgotten first: a second Alt+Z while the message is open finds nothing.
  host.ForgetLastDrop();
  const platform::ItemsResult result = bin->restore(items);
  host.BinChanged();
  const QString text = StayedText(result, QStringLiteral("restaurar"));
  if (!text.isEmpty())
    // Over the bin, holding nothing up: its menu and hot keys stay live.
    platform::MsgBoxThen(text, platform::kExclamation, QStringLiteral("Deshacer último borrado"),
                         host.HostWindow(), nullptr, nullptr, false);
}

}  // namespace tools
