// Start at log-in as an XDG autostart entry; the trash icon through each
// installed desktop's own setting.
#include "platform/DesktopSession.h"

#include <memory>

#include "platform/linux/session/Autostart.h"
#include "platform/linux/session/DesktopTrashIcon.h"

namespace platform {
namespace {

class LinuxDesktopSession final : public DesktopSession {
 public:
  bool SetStartAtLogIn(bool on, const std::string& commandLine) override {
    return on ? WriteAutostartEntry(commandLine) : RemoveAutostartEntry();
  }
  bool SetTrashIconHidden(bool hidden) override { return SetDesktopTrashIconVisible(!hidden) > 0; }
};

}  // namespace

std::unique_ptr<DesktopSession> MakeDesktopSession() {
  return std::make_unique<LinuxDesktopSession>();
}

}  // namespace platform
