#include "platform/win/WinTestKit.h"

#include <windows.h>

#include <stdexcept>

#include "platform/FileSystem.h"
#include "platform/win/WinText.h"
#include "support/TempDir.h"

namespace testsupport {
namespace {

// Wine 8.0 starts a Unix program from CreateProcess, but its handle can be neither waited for nor
// asked for an exit code: callers wait for what the program leaves in files.
bool StartUnix(std::wstring line) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return true;
}

}  // namespace

TempDir::TempDir() {
  wchar_t base[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, base);
  for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n) {
    path_ = std::filesystem::path(base) / (L"ww-test-" + std::to_wstring(n));
    if (CreateDirectoryW(path_.c_str(), nullptr)) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("no temporary folder");
  }
}

TempDir::~TempDir() {
  // Never std::filesystem::remove_all: under Wine it follows a Unix link out of the folder. The
  // adapter's own deletion does not.
  const platform::DeleteReport report = platform::DeleteContents(path_);
  if (!report.stayed.empty() && platform::win::RunningUnderWine()) {
    // Wine 8.0 cannot remove a Unix link to a folder that holds anything; rm removes it as a link.
    const std::string unix = UnixPath(path_);
    if (!unix.empty() && StartUnix(L"Z:\\bin\\rm -rf \"" + platform::win::Wide(unix) + L"\""))
      for (int i = 0; i < 200 && GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
  }
  platform::RemoveEmptyFolder(path_);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value)
    : name_(name), had_(std::getenv(name) != nullptr), old_(had_ ? std::getenv(name) : "") {
  _putenv_s(name, value.c_str());
  SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

ScopedEnv::~ScopedEnv() {
  _putenv_s(name_.c_str(), had_ ? old_.c_str() : "");
  SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr);
}

std::string RunUnixShell(const std::string& command, int* exitCode) {
  if (exitCode) *exitCode = -1;
  // The pipes of the standard handles do not reach a Unix program either: the shell leaves its
  // output and its exit code in files.
  TempDir dir;
  const std::string out = UnixPath(dir / "out"), done = UnixPath(dir / "done");
  using platform::win::Wide;
  if (out.empty() || !StartUnix(L"Z:\\bin\\sh -c \"(" + Wide(command) + L") >'" + Wide(out) +
                                L"' 2>&1; echo $? >'" + Wide(done) + L".tmp'; mv '" + Wide(done) +
                                L".tmp' '" + Wide(done) + L"'\""))
    return {};
  for (int i = 0; i < 1200 && !std::filesystem::exists(dir / "done"); ++i) Sleep(50);
  if (exitCode && std::filesystem::exists(dir / "done"))
    *exitCode = std::atoi(ReadFile(dir / "done").c_str());
  return ReadFile(dir / "out");
}

std::string UnixPath(const std::filesystem::path& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  auto toUnix = reinterpret_cast<ToUnix>(
      platform::win::FindFunction(L"kernel32.dll", "wine_get_unix_file_name"));
  if (!toUnix) return {};
  char* unix = toUnix(path.c_str());
  if (!unix) return {};
  std::string out = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return out;
}

}  // namespace testsupport
