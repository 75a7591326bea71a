// The system's own profile-file calls, in the ANSI code page, as the program
// has always used them.
#include <windows.h>
// The interface's names are the system's, which windows.h makes macros.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

#include <algorithm>
#include <climits>
#include <string>

#include "platform/ProfileFile.h"
#include "platform/win/WinText.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// The ANSI calls take an ANSI path; a name the code page cannot spell is
// reached through the folder's short name. Empty when neither works.
std::string AnsiPath(const fs::path& file) {
  bool lossless = false;
  std::string path = win::ToAnsi(file.wstring(), &lossless);
  if (lossless) return path;
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(L".");
  wchar_t shortFolder[MAX_PATH * 4];
  const DWORD n = GetShortPathNameW(folder.c_str(), shortFolder, MAX_PATH * 4);
  if (n == 0 || n >= MAX_PATH * 4) return {};
  path = win::ToAnsi((fs::path(shortFolder) / file.filename()).wstring(), &lossless);
  return lossless ? path : std::string();
}

// The system call writes a line break inside a name or value as it is, so a
// value could start a section of its own; the text ends at the break.
std::string CutAtLineBreak(const std::string& s) { return s.substr(0, s.find_first_of("\r\n")); }

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, std::size_t bufferChars,
                                    const fs::path& file) {
  if (bufferChars == 0) return {};
  const std::string path = AnsiPath(file);
  if (path.empty()) return def.substr(0, bufferChars - 1);
  const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bufferChars, 1u << 20));
  std::string buffer(size, '\0');
  const DWORD copied =
      GetPrivateProfileStringA(win::ToAnsi(section).c_str(), win::ToAnsi(key).c_str(),
                               win::ToAnsi(def).c_str(), buffer.data(), size, path.c_str());
  buffer.resize(std::min<DWORD>(copied, size - 1));
  return win::FromAnsi(buffer);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const fs::path& file) {
  const std::string s = CutAtLineBreak(section), k = CutAtLineBreak(key), v = CutAtLineBreak(value);
  // Names that would read back as other syntax, or as nothing.
  const std::string name = Trimmed(k), heading = Trimmed(s);
  if (name.empty() || name.find('=') != std::string::npos || name[0] == '[' || name[0] == ';' ||
      heading.find(']') != std::string::npos)
    return false;
  const std::string path = AnsiPath(file);
  if (path.empty()) return false;
  return WritePrivateProfileStringA(win::ToAnsi(s).c_str(), win::ToAnsi(k).c_str(),
                                    win::ToAnsi(v).c_str(), path.c_str()) != 0;
}

}  // namespace platform
