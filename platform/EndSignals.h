#pragma once
// An end asked for by the system (on Linux SIGTERM, SIGINT, SIGHUP), handed to
// the event loop: the handler runs there, never inside the signal.
#include <functional>

class QObject;

namespace platform {

// Calls onEnd on the event loop of parent's thread each time an end is asked
// for. Nothing is watched where the system has no such requests.
void WatchEndSignals(QObject* parent, std::function<void()> onEnd);

// Set once the program has begun to end (by any road): a window that refuses
// the user's close, such as one in the middle of a download, must then give way,
// or the end is cancelled and the process stays.
inline bool& ProgramEndingFlag() {
  static bool ending = false;
  return ending;
}
inline void SetProgramEnding() { ProgramEndingFlag() = true; }
inline bool ProgramEnding() { return ProgramEndingFlag(); }

}  // namespace platform
