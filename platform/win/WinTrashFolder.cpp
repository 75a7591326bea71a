#include <windows.h>
// windows.h first: shellapi needs its types.
#include <shellapi.h>

#include "platform/TrashFolder.h"

namespace platform {

void OpenTrashFolder(const std::filesystem::path& fallbackFolder) {
  // A new explorer window on the shell's Recycle Bin folder.
  const auto opened = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", L"explorer.exe",
                    L"/n,::{645FF040-5081-101B-9F08-00AA002F954E}", nullptr, SW_SHOWNORMAL));
  if (opened <= 32 && !fallbackFolder.empty())
    ShellExecuteW(nullptr, L"open", fallbackFolder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace platform
