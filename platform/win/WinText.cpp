#include "platform/win/WinText.h"

#include <windows.h>

#include <cwchar>

namespace platform::win {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::string Utf8(const std::filesystem::path& path) { return Utf8(path.wstring()); }

std::string ToAnsi(const std::wstring& wide, bool* lossless) {
  if (lossless) *lossless = true;
  if (wide.empty()) return {};
  BOOL usedDefault = FALSE;
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0,
                                    "?", &usedDefault);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), n, "?",
                      &usedDefault);
  if (lossless) *lossless = !usedDefault;
  return out;
}

std::string ToAnsi(const std::string& utf8, bool* lossless) { return ToAnsi(Wide(utf8), lossless); }

std::string FromAnsi(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return Utf8(wide);
}

std::string ErrorText(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n && text ? std::wstring(text, n) : std::wstring();
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  if (message.empty()) return "error " + std::to_string(code);
  return Utf8(message);
}

AnyFunction FindFunction(const wchar_t* module, const char* name) {
  const HMODULE handle = GetModuleHandleW(module);
  return handle ? reinterpret_cast<AnyFunction>(GetProcAddress(handle, name)) : nullptr;
}

bool RunningUnderWine() {
  static const bool wine = FindFunction(L"ntdll.dll", "wine_get_version") != nullptr;
  return wine;
}

namespace {

std::wstring Env(const wchar_t* name) {
  const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), n));
  return value;
}

}  // namespace

std::filesystem::path WineTrashFolder() {
  if (!RunningUnderWine()) return {};
  // Wine passes the Unix variables through; a Unix path needs Wine's own mapping.
  const std::wstring xdg = Env(L"XDG_DATA_HOME");
  if (!xdg.empty() && xdg[0] == L'/') {
    using ToDos = wchar_t*(CDECL*)(const char*);
    auto toDos = reinterpret_cast<ToDos>(FindFunction(L"kernel32.dll", "wine_get_dos_file_name"));
    // The Unix side takes the bytes of the Unix locale, which is UTF-8 here.
    if (wchar_t* dos = toDos ? toDos(Utf8(xdg).c_str()) : nullptr) {
      std::filesystem::path folder = std::filesystem::path(dos) / L"Trash";
      HeapFree(GetProcessHeap(), 0, dos);
      return folder;
    }
  }
  std::wstring home = Env(L"WINEHOMEDIR");  // "\??\Z:\home\user"
  if (home.rfind(L"\\??\\", 0) == 0) home.erase(0, 4);
  if (home.empty()) return {};
  return std::filesystem::path(home) / L".local" / L"share" / L"Trash";
}

}  // namespace platform::win
