#include "platform/linux/removal/InUse.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/linux/removal/Mounts.h"
#include "platform/linux/removal/PosixFile.h"

namespace platform {

namespace {

constexpr std::size_t kMaxProcText = std::size_t{16} << 20;

bool AllDigits(const char* s) {
  if (!*s) return false;
  for (; *s; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

// "08:01" (hex major and minor, as maps and locks write them) to a device.
bool ParseHexDevice(const std::string& text, dev_t& dev) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  char* end = nullptr;
  const unsigned long major = std::strtoul(text.c_str(), &end, 16);
  if (end != text.c_str() + colon) return false;
  const unsigned long minor = std::strtoul(text.c_str() + colon + 1, &end, 16);
  if (*end != 0 && *end != ':') return false;
  dev = makedev(major, minor);
  return true;
}

}  // namespace

InUse::InUse(const std::string& procRoot) {
  // The link's target is never asked for its attributes: a process working
  // on a dead network or FUSE mount would make this wait for ever.
  auto add = [&](const std::string& path) {
    struct stat st;
    if (StatNoWait(AT_FDCWD, path.c_str(), st, nullptr, true)) held_.insert({st.st_dev, st.st_ino});
  };
  std::string text;
  if (DIR* proc = opendir(procRoot.c_str())) {
    while (const dirent* p = readdir(proc)) {
      if (!AllDigits(p->d_name)) continue;
      const std::string pid = procRoot + "/" + p->d_name;
      add(pid + "/cwd");
      add(pid + "/exe");
      add(pid + "/root");
      if (DIR* fds = opendir((pid + "/fd").c_str())) {
        while (const dirent* f = readdir(fds))
          if (AllDigits(f->d_name)) add(pid + "/fd/" + f->d_name);
        closedir(fds);
      }
      // Mapped files: "address perms offset dev inode path".
      text.clear();
      if (ReadRegularFileAt(AT_FDCWD, pid + "/maps", text, kMaxProcText)) {
        std::istringstream lines(text);
        std::string line, address, perms, offset, device;
        unsigned long long inode = 0;
        while (std::getline(lines, line)) {
          std::istringstream in(line);
          dev_t dev;
          if (in >> address >> perms >> offset >> device >> inode && inode != 0 &&
              ParseHexDevice(device, dev)) {
            heldByMap_.insert({dev, static_cast<ino_t>(inode)});
            heldInodes_.insert(static_cast<ino_t>(inode));
          }
        }
      }
    }
    closedir(proc);
  }
  text.clear();
  ReadRegularFileAt(AT_FDCWD, procRoot + "/self/mountinfo", text, kMaxProcText);
  for (const MountEntry& m : ParseMountInfo(text))
    if (m.device != 0 && m.fsType != "btrfs") exactDevices_.insert(m.device);
  // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF": the inode of every
  // lock of every kind. Readable by all, so it also shows other users' locks.
  text.clear();
  ReadRegularFileAt(AT_FDCWD, procRoot + "/locks", text, kMaxProcText);
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::string field;
    while (in >> field) {
      const std::size_t last = field.rfind(':');
      dev_t dev;
      if (last == std::string::npos || field.find(':') == last ||
          !ParseHexDevice(field.substr(0, last), dev))
        continue;
      char* end = nullptr;
      const unsigned long long inode = std::strtoull(field.c_str() + last + 1, &end, 10);
      if (*end == 0) {
        heldByMap_.insert({dev, static_cast<ino_t>(inode)});
        heldInodes_.insert(static_cast<ino_t>(inode));
      }
      break;
    }
  }
}

}  // namespace platform
