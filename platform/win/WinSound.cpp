#include <windows.h>
// windows.h first: mmsystem needs its types.
#include <mmsystem.h>

#include <string>

#include "platform/Sound.h"

namespace platform {
namespace {

// The sound the user chose for emptying the Recycle Bin, with its variables
// expanded; empty when none is set.
std::wstring EmptyBinEventSound() {
  wchar_t value[MAX_PATH * 2];
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER,
                   L"AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.Current", nullptr,
                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value,
                   &size) != ERROR_SUCCESS)
    return {};
  wchar_t expanded[MAX_PATH * 2];
  const DWORD n = ExpandEnvironmentStringsW(value, expanded, MAX_PATH * 2);
  return n > 0 && n <= MAX_PATH * 2 ? std::wstring(expanded) : std::wstring();
}

}  // namespace

void PlayWaveFile(const std::filesystem::path& file) {
  // SND_NODEFAULT: a missing file must not beep; the event sound plays instead.
  const DWORD flags = SND_FILENAME | SND_ASYNC | SND_NODEFAULT;
  std::error_code ec;
  if (std::filesystem::is_regular_file(file, ec) && PlaySoundW(file.c_str(), nullptr, flags))
    return;
  const std::wstring event = EmptyBinEventSound();
  if (!event.empty() && PlaySoundW(event.c_str(), nullptr, flags)) return;
  PlaySoundW(reinterpret_cast<LPCWSTR>(SND_ALIAS_SYSTEMDEFAULT), nullptr, SND_ALIAS_ID | SND_ASYNC);
}

}  // namespace platform
