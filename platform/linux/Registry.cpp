// The registry component on Linux: only the two kinds of value the program
// writes have an effect, each realised by the desktop's own mechanism.
#include "platform/Registry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/linux/Autostart.h"
#include "platform/linux/DesktopTrashIcon.h"

namespace platform {
namespace {

constexpr int kCurrentUser = 1;
// Persisted names, as the program's Windows build stores them.
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "WasteWell";
constexpr const char* kHideIconsClassic = "HideDesktopIcons\\ClassicStartMenu";
constexpr const char* kHideIconsNewPanel = "HideDesktopIcons\\NewStartPanel";
constexpr const char* kRecycleBinClassId = "{645FF040-5081-101B-9F08-00AA002F954E}";

// Registry names are compared without regard to case.
std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool EndsWithKey(const std::string& path, const std::string& tail) {
  const std::string p = Lower(path), t = Lower(tail);
  if (p.size() < t.size() || p.compare(p.size() - t.size(), t.size(), t) != 0) return false;
  return p.size() == t.size() || p[p.size() - t.size() - 1] == '\\';
}

// The data is text; the value is a number. False when the text is not one.
bool ParseNumber(const std::string& text, long long& number) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  number = std::strtoll(begin, &end, 10);
  if (end == begin || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}

class LinuxRegistry final : public RegistryComponent {
 public:
  bool CreateKey() override { return rootKey == kCurrentUser; }

  bool WriteValue() override {
    if (IsHiddenIconValue()) {
      long long number = 0;
      if (!ParseNumber(data, number)) return false;
      return SetDesktopTrashIconVisible(number == 0) > 0;
    }
    if (IsRunValue()) return WriteAutostartEntry(data);
    return false;
  }

  bool DeleteValue() override {
    // Without the value the desktop shows its icon as it would by default.
    if (IsHiddenIconValue()) return ResetDesktopTrashIcon() > 0;
    if (IsRunValue()) return RemoveAutostartEntry();
    return false;
  }

 private:
  bool IsHiddenIconValue() const {
    return rootKey == kCurrentUser && Lower(valueName) == Lower(kRecycleBinClassId) &&
           (EndsWithKey(keyPath, kHideIconsClassic) || EndsWithKey(keyPath, kHideIconsNewPanel));
  }
  bool IsRunValue() const {
    return rootKey == kCurrentUser && Lower(keyPath) == Lower(kRunKey) &&
           Lower(valueName) == Lower(kRunValue);
  }
};

}  // namespace

std::unique_ptr<RegistryComponent> MakeRegistryComponent() {
  return std::make_unique<LinuxRegistry>();
}

}  // namespace platform
