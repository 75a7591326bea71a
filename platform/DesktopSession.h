#pragma once
// What the program changes in the user's desktop session: starting at log-in,
// and the desktop's own trash icon, hidden while the bin is on the desktop.
#include <filesystem>
#include <memory>
#include <string>

namespace platform {

class DesktopSession {
 public:
  virtual ~DesktopSession() = default;
  // Starts commandLine at every log-in, or no longer. False when that could
  // not be arranged; callers go on without it.
  virtual bool SetStartAtLogIn(bool on, const std::string& commandLine) = 0;
  // Hides or shows the trash icon of every installed desktop that draws one.
  // False when no desktop took the change.
  virtual bool SetTrashIconHidden(bool hidden) = 0;
};

std::unique_ptr<DesktopSession> MakeDesktopSession();

// The command line that starts the executable again as it was started now,
// quoted for the session's start-up list, with --program-folder when the
// folder was given.
std::string AutostartCommandLine(const std::filesystem::path& executable,
                                 const std::filesystem::path& programFolderOverride);

}  // namespace platform
