// The registry component over the registry itself, in the current user's hive.
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/Registry.h"
#include "platform/win/WinSession.h"
#include "platform/win/WinText.h"

namespace platform {
namespace {

constexpr int kCurrentUser = 1;
constexpr int kText = 1, kNumber = 4;

// The data is text; a number value wants all of it to be one.
bool ParseDword(const std::string& text, DWORD& number) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(begin, &end, 10);
  if (end == begin || errno == ERANGE || n < INT32_MIN || n > UINT32_MAX) return false;
  while (*end == ' ' || *end == '\t') ++end;
  number = static_cast<DWORD>(n);
  return *end == '\0';
}

class WinRegistry final : public RegistryComponent {
 public:
  bool CreateKey() override {
    HKEY key = Open(true);
    if (key) RegCloseKey(key);
    return key != nullptr;
  }

  bool WriteValue() override {
    HKEY key = Open(true);
    if (!key) return false;
    const std::wstring name = win::Wide(valueName);
    LSTATUS status = ERROR_INVALID_DATA;
    if (valueType == kNumber) {
      DWORD number = 0;
      if (ParseDword(data, number))
        status = RegSetValueExW(key, name.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&number), sizeof number);
    } else if (valueType == kText) {
      const std::wstring text = win::Wide(data);
      status = RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

  bool DeleteValue() override {
    HKEY key = Open(false);
    if (!key) return false;
    const LSTATUS status = RegDeleteValueW(key, win::Wide(valueName).c_str());
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

 private:
  HKEY Open(bool create) const {
    if (rootKey != kCurrentUser || keyPath.empty()) return nullptr;
    const std::wstring path = win::Wide(keyPath);
    HKEY key = nullptr;
    const LSTATUS status =
        create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                 KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr)
               : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
  }
};

}  // namespace

std::unique_ptr<RegistryComponent> MakeRegistryComponent() {
  return std::make_unique<WinRegistry>();
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
