#pragma once
// Opening addresses and files with the desktop's own programs.
#include <QString>
#include <functional>

namespace platform {

// Opens a URL (or an absolute file path) with the desktop's opener and
// returns at once; false when no opener could be started.
bool ShellOpen(const QString& target);

// A test hook: while set, nothing is started; the hook sees what was asked.
void SetShellOpenHook(std::function<bool(const QString&)> hook);

}  // namespace platform
