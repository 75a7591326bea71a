#include "support/TrashTestKit.h"

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace fs = std::filesystem;

namespace testsupport {

platform::TrashSettings TrashAt(const fs::path& data, std::vector<fs::path> tops, int uid) {
  platform::TrashSettings s;
  s.dataHome = data;
  s.uid = uid < 0 ? getuid() : static_cast<unsigned>(uid);
  s.topDirs = std::move(tops);
  return s;
}

Figures Query(platform::RecycleBin& bin) {
  platform::BinQuery q = bin.query();
  return {q.count, q.size};
}

fs::path PutTrashInfo(const fs::path& trash, const std::string& name) {
  WriteFile(trash / "info" / (name + ".trashinfo"),
            "[Trash Info]\nPath=/x/" + name + "\nDeletionDate=2024-05-01T10:00:00\n");
  fs::create_directories(trash / "files");
  return trash / "files" / name;
}

void Age(const fs::path& file) {
  fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(1));
}

bool MakeDeepTree(const fs::path& top, const std::string& name, int levels,
                  const std::string& bytes) {
  fs::create_directories(top);
  int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < levels && fd >= 0; ++i) {
    const int next = mkdirat(fd, name.c_str(), 0700) == 0
                         ? openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY)
                         : -1;
    close(fd);
    fd = next;
  }
  const int bottom = fd < 0 ? -1 : openat(fd, "f", O_WRONLY | O_CREAT | O_EXCL, 0600);
  const bool ok = bottom >= 0 &&
                  write(bottom, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(bottom);
  close(fd);
  return ok;
}

TmpfsMount::TmpfsMount(const fs::path& dir) : dir_(dir) {
  static const std::string refused = [] {  // our own mount namespace, made once
    if (unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      return std::string("making / private: ") + std::strerror(errno);
    return std::string();
  }();
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!refused.empty())
    error_ = "no private mounts here: " + refused;
  else if (mount("wwtest", dir.c_str(), "tmpfs", 0, "mode=0755") != 0)
    error_ = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
}

TmpfsMount::~TmpfsMount() {
  if (ok()) umount2(dir_.c_str(), MNT_DETACH);
}

int ListeningSocket(const fs::path& file) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, file.c_str(), sizeof addr.sun_path - 1);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(fd, 16) == 0)
    return fd;
  close(fd);
  return -1;
}

std::string RunInChild(const std::function<std::string()>& fn, const std::function<bool()>& setup) {
  int fds[2];
  if (pipe(fds) != 0) return "child failed: pipe";
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) return "child failed: fork";
  if (pid == 0) {
    const std::string result = !setup || setup() ? fn() : "child failed: setup";
    _exit(write(fds[1], result.data(), result.size()) < 0);  // short: fits the pipe
  }
  close(fds[1]);
  // Wait for the child itself, then take what it left in the pipe: a process it started may
  // hold the write end open, so end of file may never come.
  int status = 0;
  waitpid(pid, &status, 0);
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
    text.append(buf, static_cast<std::size_t>(n));
  close(fds[0]);
  return WIFEXITED(status) ? text : "child failed: crashed";
}

std::string RunAsNobody(const fs::path& owned, const std::function<std::string()>& fn) {
  std::error_code ec;
  lchown(owned.c_str(), kNobody, kNobody);
  for (auto it = fs::recursive_directory_iterator(owned, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    lchown(it->path().c_str(), kNobody, kNobody);
  return RunInChild(fn, [] {
    return setgroups(0, nullptr) == 0 && setresgid(kNobody, kNobody, kNobody) == 0 &&
           setresuid(kNobody, kNobody, kNobody) == 0;
  });
}

}  // namespace testsupport
