// Start at log-in as the Run value; the desktop's Recycle Bin icon through the
// two hidden-icon values, then the desktop's refresh.
#include <memory>

#include "platform/DesktopSession.h"
#include "platform/win/WinSession.h"
#include "platform/win/WinText.h"

namespace platform {
namespace {

class WinDesktopSession final : public DesktopSession {
 public:
  bool SetStartAtLogIn(bool on, const std::string& commandLine) override {
    return win::SetRunValue(on, commandLine);
  }
  bool SetTrashIconHidden(bool hidden) override {
    const bool stored = win::SetHiddenIconValues(hidden);
    win::RefreshDesktop();
    return stored;
  }
};

}  // namespace

std::unique_ptr<DesktopSession> MakeDesktopSession() {
  return std::make_unique<WinDesktopSession>();
}

std::string AutostartCommandLine(const std::filesystem::path& executable,
                                 const std::filesystem::path& programFolderOverride) {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::absolute(executable, ec).make_preferred();
  std::string line = win::QuoteCommandArgument(win::Utf8(ec ? executable : exe));
  if (!programFolderOverride.empty()) {
    const std::filesystem::path folder =
        std::filesystem::absolute(programFolderOverride, ec).make_preferred();
    line += " --program-folder " +
            win::QuoteCommandArgument(win::Utf8(ec ? programFolderOverride : folder));
  }
  return line;
}

}  // namespace platform
