#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <functional>
#include <string>

#include "platform/System.h"
#include "platform/win/WinText.h"

namespace platform {

std::string OSVersionText() {
  // GetVersionEx reports 6.2 to programs without a compatibility manifest;
  // the kernel's own call tells the truth.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto rtlGetVersion =
      reinterpret_cast<RtlGetVersionFn>(win::FindFunction(L"ntdll.dll", "RtlGetVersion"));
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!rtlGetVersion || rtlGetVersion(&info) != 0) return "000";
  return std::to_string(info.dwMajorVersion) + std::to_string(info.dwMinorVersion) +
         std::to_string(info.dwBuildNumber);
}

std::string TempPath() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = GetTempPathW(MAX_PATH + 2, buffer);
  std::wstring path = n > 0 && n <= MAX_PATH + 1 ? std::wstring(buffer, n) : L"C:\\Windows\\Temp\\";
  if (path.back() != L'\\') path += L'\\';
  return win::Utf8(path);
}

bool AcquireSingleInstance(const std::filesystem::path& executable) {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::weakly_canonical(executable, ec);
  if (ec) exe = executable;
  // Paths are compared without regard to case on Windows.
  std::wstring key = exe.make_preferred().wstring();
  CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  // Local\: one per user session, as the lock of one user on Linux.
  const std::wstring name = L"Local\\WasteWell-" + std::to_wstring(std::hash<std::wstring>{}(key));
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (!mutex) return true;  // cannot tell; better a second copy than none
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  return true;  // the handle stays open: the mutex lives as long as the process
}

std::filesystem::path ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return std::filesystem::path(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool CanWriteFolder(const std::filesystem::path& folder) {
  // Access rights on Windows are lists, not bits: a file made and removed is the true answer.
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  const std::filesystem::path probe =
      folder / (L".wastewell-" + std::to_wstring(GetCurrentProcessId()) + L".tmp");
  HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

std::filesystem::path DataHome() {
  // The per-user application data folder plays the part of $XDG_DATA_HOME.
  std::wstring buffer(MAX_PATH + 1, L'\0');
  const DWORD n =
      GetEnvironmentVariableW(L"LOCALAPPDATA", buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n > 0 && n < buffer.size()) {
    buffer.resize(n);
    return std::filesystem::path(buffer);
  }
  return std::filesystem::temp_directory_path();
}

}  // namespace platform
