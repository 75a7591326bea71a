#include "platform/linux/removal/PosixFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

namespace platform {

bool StatNoWait(int dirFd, const char* name, struct stat& st, bool* mountRoot, bool follow) {
  struct statx sx;
  const int flags = AT_STATX_DONT_SYNC | AT_NO_AUTOMOUNT | (follow ? 0 : AT_SYMLINK_NOFOLLOW) |
                    (*name ? 0 : AT_EMPTY_PATH);
  if (statx(dirFd, name, flags, STATX_BASIC_STATS, &sx) != 0) return false;
  st = {};
  st.st_dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
  st.st_ino = sx.stx_ino;
  st.st_mode = sx.stx_mode;
  st.st_nlink = sx.stx_nlink;
  st.st_uid = sx.stx_uid;
  st.st_gid = sx.stx_gid;
  st.st_size = static_cast<off_t>(sx.stx_size);
  st.st_rdev = makedev(sx.stx_rdev_major, sx.stx_rdev_minor);
  st.st_mtim = {static_cast<time_t>(sx.stx_mtime.tv_sec), static_cast<long>(sx.stx_mtime.tv_nsec)};
  st.st_ctim = {static_cast<time_t>(sx.stx_ctime.tv_sec), static_cast<long>(sx.stx_ctime.tv_nsec)};
  if (mountRoot)
    *mountRoot = (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
                 (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  return true;
}

void ClimbToRoot(int fd, const std::function<void(const struct stat&)>& each) {
  constexpr int kMaxClimb = 4096;  // deeper than any real path; ends a loop on a broken tree
  UniqueFd cur(fcntl(fd, F_DUPFD_CLOEXEC, 0));
  struct stat here;
  if (!cur.ok() || !StatNoWait(cur.get(), "", here)) return;
  each(here);
  for (int step = 0; step < kMaxClimb; ++step) {
    UniqueFd up(openat(cur.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat there;
    if (!up.ok() || !StatNoWait(up.get(), "", there)) return;
    if (there.st_dev == here.st_dev && there.st_ino == here.st_ino) return;  // the root
    each(there);
    cur = std::move(up);
    here = there;
  }
}

UniqueFd OpenFolderNoWait(const std::string& path) {
  constexpr int kFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
  open_how how{};
  how.flags = kFlags;
  how.resolve = RESOLVE_CACHED;
  const long fd = syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
  if (fd >= 0) return UniqueFd(static_cast<int>(fd));
  if (errno != EAGAIN && errno != ENOSYS && errno != EINVAL && errno != E2BIG) return UniqueFd();
  // Not all in the cache (or a kernel without the cached lookup): a thread
  // asks, and one that hangs is never joined but blocks no second one.
  struct Lookup {
    std::mutex m;
    std::condition_variable cv;
    int fd = -1, err = 0;
    bool done = false, abandoned = false;
  };
  // Never destroyed: a lookup may end while the program exits.
  static std::mutex& pendingLock = *new std::mutex;
  static std::set<std::string>& pending = *new std::set<std::string>;
  {
    std::lock_guard<std::mutex> lock(pendingLock);
    if (!pending.insert(path).second) {
      errno = ETIMEDOUT;
      return UniqueFd();
    }
  }
  auto lookup = std::make_shared<Lookup>();
  auto ask = [lookup, path] {
    const int opened = open(path.c_str(), kFlags);
    const int err = errno;
    {
      std::lock_guard<std::mutex> lock(pendingLock);
      pending.erase(path);
    }
    std::lock_guard<std::mutex> lock(lookup->m);
    if (lookup->abandoned) {
      if (opened >= 0) close(opened);
      return;
    }
    lookup->fd = opened;
    lookup->err = err;
    lookup->done = true;
    lookup->cv.notify_one();
  };
  try {
    std::thread(ask).detach();
  } catch (const std::system_error&) {
    std::lock_guard<std::mutex> lock(pendingLock);
    pending.erase(path);
    errno = EAGAIN;
    return UniqueFd();
  }
  std::unique_lock<std::mutex> lock(lookup->m);
  if (!lookup->cv.wait_for(lock, std::chrono::seconds(1), [&] { return lookup->done; })) {
    lookup->abandoned = true;
    errno = ETIMEDOUT;
    return UniqueFd();
  }
  errno = lookup->err;
  return UniqueFd(lookup->fd);
}

void UniqueFd::reset(int fd) {
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool ReadAll(int fd, std::string& out, std::size_t limit) {
  char buf[16384];
  std::size_t got = 0;
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    got += static_cast<std::size_t>(n);
    if (got > limit) {
      errno = EFBIG;
      return false;
    }
    out.append(buf, static_cast<std::size_t>(n));
  }
}

bool ReadRegularFileAt(int dirFd, const std::string& name, std::string& out, std::size_t limit) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  UniqueFd fd(openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.ok()) return false;
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > limit) {
    errno = S_ISREG(st.st_mode) ? EFBIG : EINVAL;
    return false;
  }
  return ReadAll(fd.get(), out, limit);
}

namespace {

std::string TempPrefix(const std::string& name) { return "." + name + "."; }

}  // namespace

bool ReplaceFileAt(int dirFd, const std::string& name, std::string_view bytes,
                   const ReplaceOptions& options) {
  static std::atomic<unsigned> counter{0};
  std::string temp;
  UniqueFd fd;
  for (int attempt = 0; attempt < 100 && !fd.ok(); ++attempt) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    temp = TempPrefix(name) + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(now % 1000000);
    fd.reset(openat(dirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    options.mode));
    if (!fd.ok() && errno != EEXIST) return false;
  }
  if (!fd.ok()) return false;
  bool ok = WriteAll(fd.get(), bytes);
  if (ok && options.keep) {
    // Keeps the owner when root writes a user's file; fails harmlessly otherwise.
    if (fchown(fd.get(), options.keep->st_uid, options.keep->st_gid) != 0) {
    }
    ok = fchmod(fd.get(), options.keep->st_mode & 07777) == 0;
  }
  ok = ok && fsync(fd.get()) == 0;
  ok = close(fd.release()) == 0 && ok;
  ok = ok && renameat(dirFd, temp.c_str(), dirFd, name.c_str()) == 0;
  if (!ok) {
    const int err = errno;
    unlinkat(dirFd, temp.c_str(), 0);
    errno = err;
    return false;
  }
  fsync(dirFd);  // makes the rename itself durable; nothing to undo if it fails
  return true;
}

int RemoveStaleTemporaryFiles(int dirFd, const std::string& name) {
  const std::string prefix = TempPrefix(name);
  const int dupFd = fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
  if (dupFd < 0) return 0;
  DIR* d = fdopendir(dupFd);
  if (!d) {
    close(dupFd);
    return 0;
  }
  rewinddir(d);
  int removed = 0;
  const uid_t me = geteuid();
  while (const dirent* e = readdir(d)) {
    const std::string entry = e->d_name;
    if (entry.compare(0, prefix.size(), prefix) != 0) continue;
    // The writer's process id comes first, then "-": anything else is not ours.
    std::size_t i = prefix.size(), digits = 0;
    pid_t pid = 0;
    while (i < entry.size() && entry[i] >= '0' && entry[i] <= '9' && digits < 9) {
      pid = pid * 10 + (entry[i] - '0');
      ++i;
      ++digits;
    }
    if (digits == 0 || i >= entry.size() || entry[i] != '-' || pid <= 0 || pid == getpid())
      continue;
    if (kill(pid, 0) == 0 || errno != ESRCH) continue;  // still running, or not ours to judge
    struct stat st;
    if (fstatat(dirFd, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != me)
      continue;
    if (unlinkat(dirFd, entry.c_str(), 0) == 0) ++removed;
  }
  closedir(d);
  return removed;
}

namespace {

bool IsDotOrDotDot(const char* n) {
  return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

}  // namespace

bool IsMountRoot(int fd) {
  struct statx sx;
  if (statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_TYPE, &sx) != 0)
    return errno != ENOSYS;
  return (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
         (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

bool ReadFolderNames(int dirFd, std::vector<std::pair<std::string, bool>>& names) {
  // getdents64 on the folder's own handle: no copy of the handle, no DIR
  // buffer to allocate, one call for a few hundred names.
  if (lseek(dirFd, 0, SEEK_SET) != 0) return false;
  alignas(8) char buf[32768];
  for (;;) {
    const long n = syscall(SYS_getdents64, dirFd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    for (long at = 0; at < n;) {
      struct Dirent64 {
        std::uint64_t ino;
        std::int64_t off;
        unsigned short reclen;
        unsigned char type;
        char name[1];
      };
      const auto* e = reinterpret_cast<const Dirent64*>(buf + at);
      at += e->reclen;
      if (IsDotOrDotDot(e->name)) continue;
      bool folder = e->type == DT_DIR;
      if (e->type == DT_UNKNOWN) {  // file systems that leave the type to a stat
        struct stat st;
        folder = fstatat(dirFd, e->name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
      }
      names.emplace_back(e->name, folder);
    }
  }
}

}  // namespace platform
