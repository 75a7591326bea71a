// Windows asks a program to end through its windows (the end of the session
// reaches Qt's application object), never through signals: nothing to watch.
#include "platform/EndSignals.h"

namespace platform {

void WatchEndSignals(QObject*, std::function<void()>) {}

}  // namespace platform
