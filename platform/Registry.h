#pragma once
// The registry component: properties kept between calls, and three methods
// acting on them. On Linux the two kinds of value the program writes are
// realised elsewhere: the Run value as an XDG autostart entry, the hidden
// desktop-icon value as each installed desktop's trash-icon setting.
#include <filesystem>
#include <memory>
#include <string>

namespace platform {

class RegistryComponent {
 public:
  virtual ~RegistryComponent() = default;
  int rootKey = 1;    // 1: the current user's hive
  int valueType = 1;  // 1: text, 4: 32-bit number
  std::string valueName;
  std::string keyPath;
  std::string data;  // for the Run value: the command line to start
  // Each returns false when the effect could not be had; callers ignore it.
  virtual bool CreateKey() = 0;
  virtual bool WriteValue() = 0;
  virtual bool DeleteValue() = 0;
};

std::unique_ptr<RegistryComponent> MakeRegistryComponent();

// The command line that starts the executable again as it was started now:
// quoted as the desktop entry rules want, with --program-folder when the
// folder was given.
std::string AutostartCommandLine(const std::filesystem::path& executable,
                                 const std::filesystem::path& programFolderOverride);

}  // namespace platform
