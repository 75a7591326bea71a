#include "platform/linux/removal/Mounts.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <set>
#include <sstream>

namespace platform {

namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
std::string Unescape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
        s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
      out.push_back(
          static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// "0:29": unlike maps and locks, mountinfo writes the numbers in decimal.
bool ParseDecimalDevice(const std::string& text, dev_t& dev) {
  const std::size_t colon = text.find(':');
  if (colon == 0 || colon == std::string::npos || colon + 1 == text.size()) return false;
  char* end = nullptr;
  const unsigned long major = std::strtoul(text.c_str(), &end, 10);
  if (end != text.c_str() + colon) return false;
  const unsigned long minor = std::strtoul(text.c_str() + colon + 1, &end, 10);
  if (*end != 0) return false;
  dev = makedev(major, minor);
  return true;
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(const std::string& text) {
  std::vector<MountEntry> out;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    std::string f;
    while (in >> f) fields.push_back(f);
    // id parent major:minor root mountpoint options [optional...] - type source superoptions
    if (fields.size() < 7) continue;
    std::size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (dash + 1 >= fields.size()) continue;
    MountEntry e;
    e.mountPoint = Unescape(fields[4]);
    e.fsType = fields[dash + 1];
    ParseDecimalDevice(fields[2], e.device);
    const std::string& opts = fields[5];
    e.readOnly = opts == "ro" || opts.rfind("ro,", 0) == 0;
    out.push_back(std::move(e));
  }
  return out;
}

bool IsVirtualFileSystem(const std::string& fsType) {
  static const std::set<std::string> kVirtual = {
      "proc",         "sysfs",     "cgroup",   "cgroup2",    "devpts",
      "securityfs",   "debugfs",   "tracefs",  "pstore",     "bpf",
      "mqueue",       "hugetlbfs", "configfs", "fusectl",    "binfmt_misc",
      "autofs",       "efivarfs",  "nsfs",     "devtmpfs",   "rpc_pipefs",
      "selinuxfs",    "nfsd",      "sockfs",   "pipefs",     "fuse.gvfsd-fuse",
      "fuse.portal",  "cpuset",    "smackfs",  "apparmorfs", "bdev",
      "anon_inodefs", "dax",       "rootfs"};
  return kVirtual.count(fsType) != 0;
}

std::vector<std::filesystem::path> VolumeTopDirs(const std::vector<MountEntry>& mounts) {
  std::vector<std::filesystem::path> out;
  std::set<std::string> seen;
  for (const MountEntry& m : mounts) {
    if (IsVirtualFileSystem(m.fsType)) continue;
    if (!seen.insert(m.mountPoint.string()).second) continue;
    if (access(m.mountPoint.c_str(), R_OK | X_OK) != 0) continue;
    out.push_back(m.mountPoint);
  }
  return out;
}

MountWatcher::MountWatcher() { fd_ = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC); }

MountWatcher::~MountWatcher() {
  if (fd_ >= 0) close(fd_);
}

bool MountWatcher::changed() {
  if (first_) {
    first_ = false;
    return true;
  }
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLPRI, 0};
  int r = poll(&p, 1, 0);
  return r > 0 && (p.revents & (POLLPRI | POLLERR)) != 0;
}

std::vector<MountEntry> MountWatcher::read() {
  std::string text;
  int fd = fd_;
  if (fd < 0) return {};
  if (lseek(fd, 0, SEEK_SET) != 0) return {};
  char buf[16384];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buf, static_cast<std::size_t>(n));
  }
  return ParseMountInfo(text);
}

}  // namespace platform
