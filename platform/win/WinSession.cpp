#include "platform/win/WinSession.h"

#include <windows.h>

#include "platform/win/WinText.h"

namespace platform::win {

bool SetRunValue(bool on, const std::string& commandLine) {
  if (!on) {
    const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  // A line break would end the command where the system reads it.
  if (commandLine.empty() || commandLine.find_first_of("\r\n") != std::string::npos) return false;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const std::wstring data = Wide(commandLine);
  const LSTATUS status =
      RegSetValueExW(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool SetHiddenIconValues(bool hidden) {
  const DWORD data = hidden ? 1 : 0;
  bool all = true;
  for (const wchar_t* path : kHideIconsKeys) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      all = false;
      continue;
    }
    all &= RegSetValueExW(key, kRecycleBinClassId, 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  return all;
}

void RefreshDesktop() {
  constexpr WPARAM kRefreshCommand = 0x7103;  // the shell view's own refresh (F5)
  HWND progman = FindWindowW(L"Progman", L"Program Manager");
  HWND view = progman ? FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr) : nullptr;
  if (view) PostMessageW(view, WM_COMMAND, kRefreshCommand, 0);
}

std::string QuoteCommandArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
    return argument;
  // Backslashes are literal except before a quote, where they come in pairs.
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

}  // namespace platform::win
