#include "platform/linux/session/Autostart.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/DesktopSession.h"
#include "platform/linux/removal/PosixFile.h"

namespace platform {
namespace {

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::filesystem::path ConfigHome() {
  // The base directory rules say a relative value is to be ignored.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
    return config;
  return HomeFolder() / ".config";
}

}  // namespace

std::filesystem::path AutostartFile() { return ConfigHome() / "autostart" / "WasteWell.desktop"; }

bool WriteAutostartEntry(const std::string& execLine) {
  // A line break would end the Exec line and start keys of the caller's choosing.
  if (execLine.empty() || execLine.find_first_of("\r\n") != std::string::npos) return false;
  const std::filesystem::path file = AutostartFile();
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  if (ec) return false;

  const std::string content =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=WasteWell\n"
      "Comment=Papelera de reciclaje en el escritorio\n"
      "Exec=" +
      execLine +
      "\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";

  UniqueFd dir(open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) return false;
  RemoveStaleTemporaryFiles(dir.get(), file.filename().string());
  ReplaceOptions options;
  options.mode = 0644;
  return ReplaceFileAt(dir.get(), file.filename().string(), content, options);
}

bool RemoveAutostartEntry() {
  std::error_code ec;
  std::filesystem::remove(AutostartFile(), ec);
  return !ec;
}

std::string QuoteExecArgument(const std::string& argument) {
  // Reserved characters of the Exec key; an argument holding one is quoted.
  static const char kReserved[] = " \t\n\"'\\><~|&;$*?#()`";
  std::string exec;
  const bool quote =
      argument.empty() ||
      argument.find_first_of(kReserved, 0, sizeof kReserved - 1) != std::string::npos;
  if (quote) exec += '"';
  for (char c : argument) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) exec += '\\';
    if (c == '%') exec += '%';  // a literal percent sign, not a field code
    exec += c;
  }
  if (quote) exec += '"';

  // Exec is a string value: its escapes are undone before the quoting is.
  std::string value;
  for (char c : exec) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\t':
        value += "\\t";
        break;
      case '\r':
        value += "\\r";
        break;
      default:
        value += c;
    }
  }
  return value;
}

std::string AutostartCommandLine(const std::filesystem::path& executable,
                                 const std::filesystem::path& programFolderOverride) {
  // The session starts us from another folder: relative paths would not hold.
  std::error_code ec;
  auto absolute = [&ec](const std::filesystem::path& p) {
    std::filesystem::path a = std::filesystem::absolute(p, ec);
    return ec ? p : a.lexically_normal();
  };
  std::string line = QuoteExecArgument(absolute(executable).string());
  if (!programFolderOverride.empty())
    line += " --program-folder " + QuoteExecArgument(absolute(programFolderOverride).string());
  return line;
}

}  // namespace platform
