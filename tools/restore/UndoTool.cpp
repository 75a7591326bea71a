#include "tools/restore/UndoTool.h"

#include "platform/MessageBox.h"
#include "tools/restore/StayedText.h"

namespace tools {

namespace {
const char* const kCaption = "Deshacer último borrado";
}

UndoTool::UndoTool()
    : Tool({MenuPlace::Utilities, "MnuDeshacer",
            QStringLiteral("Deshacer último borrado -- Alt + z"), 'Z'}) {}

bool UndoTool::Enabled(ToolHost& host) const {
  return host.CanUndo() && host.TrashBusy().isEmpty();
}

void UndoTool::Open(ToolHost& host) {
  // Over the bin, holding nothing up: its menu and hot keys stay live.
  QWidget* window = host.HostWindow();
  const auto tell = [window](const QString& text) {
    platform::MsgBoxThen(text, platform::kExclamation, QString::fromUtf8(kCaption), window, window,
                         nullptr, false);
  };
  const QString busy = host.TrashBusy();
  if (!busy.isEmpty()) {
    tell(busy);
    return;
  }
  if (!host.CanUndo()) return;
  // Off the interface thread: a dead mount on the way back holds up nothing.
  host.ChangeTrash(true, true, {}, window, [tell](const platform::ItemsResult& result) {
    const QString text = StayedText(result, QStringLiteral("restaurar"));
    if (!text.isEmpty()) tell(text);
  });
}

}  // namespace tools
