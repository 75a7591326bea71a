// The remembered volume tops ($XDG_DATA_HOME/WasteWell/trash-volumes): any
// program of the user can write that file, and each top it yields names the
// trash that a double-click empties.
#include <cstdlib>

#include "fuzz/FuzzSupport.h"
#include "platform/linux/trash/TrashState.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path file = fuzz::ScratchFolder() / "trash-volumes";
  fuzz::WriteFile(file, std::string(reinterpret_cast<const char*>(data), size));
  platform::trash::RememberedTops tops(file.string());
  tops.reload();
  for (const std::string& top : tops.tops()) {
    // Only a clean absolute path may come out: the path is opened as a C string.
    if (top.empty() || top[0] != '/' || top.find('\0') != std::string::npos) abort();
    for (const auto& part : std::filesystem::path(top))
      if (part == "..") abort();
  }
  return 0;
}
