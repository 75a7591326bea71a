#pragma once
#include <QString>

#include "platform/RecycleBin.h"

namespace tools {

// Where an item was, for the user: its original path, or its name in the
// trash when the path cannot be read.
QString ShownPath(const platform::TrashedItem& item);

// The one message for the items that stayed in the trash, each with its
// reason; empty when none stayed. `what` is the verb: "restaurar", "eliminar".
QString StayedText(const platform::ItemsResult& result, const QString& what);

}  // namespace tools
