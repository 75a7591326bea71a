#pragma once
// An end asked for by the system (on Linux SIGTERM, SIGINT, SIGHUP), handed to
// the event loop: the handler runs there, never inside the signal.
#include <functional>

class QObject;

namespace platform {

// Calls onEnd on the event loop of parent's thread each time an end is asked
// for. Nothing is watched where the system has no such requests.
void WatchEndSignals(QObject* parent, std::function<void()> onEnd);

}  // namespace platform
