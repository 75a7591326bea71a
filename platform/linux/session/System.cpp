#include "platform/System.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <functional>

namespace platform {

std::string OSVersionText() {
  utsname u{};
  if (uname(&u) != 0) return "000";
  return VersionTextFromRelease(u.release);
}

std::string TempPath() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = dir && *dir ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

bool AcquireSingleInstance(const std::filesystem::path& executable) {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::weakly_canonical(executable, ec);
  if (ec) exe = executable;

  const std::string name =
      "/wastewell-" + std::to_string(std::hash<std::string>{}(exe.string())) + ".lock";
  // A folder only this user can write, so nobody else can hold our lock.
  int fd = -1;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    fd = open((std::string(runtime) + name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
              0600);
  if (fd < 0) {
    const std::string base = "/tmp/wastewell-" + std::to_string(getuid());
    mkdir(base.c_str(), 0700);
    struct stat st {};
    if (lstat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
      return true;  // cannot tell; better a second copy than none
    fd = open((base + name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  }
  if (fd < 0) return true;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  return true;  // fd stays open: the lock lives as long as the process
}

std::filesystem::path ExecutablePath() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec);
}

bool CanWriteFolder(const std::filesystem::path& folder) {
  // Effective ids, as the writes will use them; a read-only mount says no too.
  struct stat st {};
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::filesystem::path DataHome() {
  // The base directory rules say a relative value is to be ignored.
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') return data;
  std::filesystem::path home;
  if (const char* h = std::getenv("HOME"); h && *h)
    home = h;
  else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
    home = pw->pw_dir;
  else
    home = "/";
  return home / ".local/share";
}

}  // namespace platform
