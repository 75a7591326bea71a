#include "support/TrashTestKit.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/fuse.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fs = std::filesystem;

namespace testsupport {

platform::TrashSettings TrashAt(const fs::path& data, std::vector<fs::path> tops, int uid) {
  return {data, uid < 0 ? getuid() : static_cast<unsigned>(uid), {}, std::move(tops)};
}

Figures Query(platform::RecycleBin& bin) {
  platform::BinQuery q = bin.query();
  return {q.count, q.size};
}

fs::path PutTrashInfo(const fs::path& trash, const std::string& name, const fs::path& original,
                      const std::string& date) {
  WriteFile(trash / "info" / (name + ".trashinfo"),
            "[Trash Info]\nPath=" + (original.empty() ? "/x/" + name : original.string()) + "\n" +
                (date.empty() ? "" : "DeletionDate=" + date + "\n"));
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

bool NewMountNamespace() {
  return unshare(CLONE_NEWNS) == 0 &&
         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

const std::string& OwnMountNamespace() {
  static const std::string refused =
      NewMountNamespace() ? std::string() : std::string("unshare: ") + std::strerror(errno);
  return refused;
}

TmpfsMount::TmpfsMount(const fs::path& dir) : dir_(dir) {
  const std::string& refused = OwnMountNamespace();
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

std::string MountImage(const fs::path& dir, const std::string& type, const std::string& subvolume) {
  if (const std::string& refused = OwnMountNamespace(); !refused.empty())
    return "no private mounts here: " + refused;
  const std::string image = "'" + dir.string() + ".img'", at = "'" + dir.string() + "'";
  fs::create_directories(dir);
  const std::string made =
      "truncate -s " + std::string(type == "btrfs" ? "160M " : "16M ") + image + " && mkfs." +
      type + " -q " + image + " >/dev/null 2>&1 && mount -o loop " + image + " " + at +
      (subvolume.empty()
           ? ""
           : " && btrfs -q subvolume create " + at + "/'" + subvolume + "' >/dev/null");
  return std::system(made.c_str()) == 0 ? std::string() : "no " + type + " here";
}

namespace {

[[noreturn]] void ServeEmptyFolder(int fd) {
  std::vector<char> buf(1 << 20);
  for (;;) {
    const ssize_t n = read(fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < static_cast<ssize_t>(sizeof(fuse_in_header))) _exit(0);
    fuse_in_header in;
    std::memcpy(&in, buf.data(), sizeof in);
    union {
      fuse_init_out init;
      fuse_attr_out attr;
      fuse_open_out open;
    } out{};
    std::size_t size = 0;
    int error = 0;
    switch (in.opcode) {
      case FUSE_INIT:
        out.init.major = FUSE_KERNEL_VERSION;
        out.init.minor = FUSE_KERNEL_MINOR_VERSION;
        out.init.max_write = 4096;
        size = sizeof out.init;
        break;
      case FUSE_GETATTR:
        out.attr.attr.ino = 1;
        out.attr.attr.mode = S_IFDIR | 0755;
        out.attr.attr.nlink = 2;
        size = sizeof out.attr;
        break;
      case FUSE_OPENDIR:
        size = sizeof out.open;
        break;
      case FUSE_READDIR:
        break;
      case FUSE_FORGET:
      case FUSE_BATCH_FORGET:
      case FUSE_INTERRUPT:
        continue;
      case FUSE_LOOKUP:
        error = -ENOENT;
        break;
      default:  // access, flush, release: the kernel does without
        error = -ENOSYS;
    }
    fuse_out_header head{static_cast<uint32_t>(sizeof head + size), error, in.unique};
    std::string reply(reinterpret_cast<const char*>(&head), sizeof head);
    reply.append(reinterpret_cast<const char*>(&out), size);
    if (write(fd, reply.data(), reply.size()) < 0 && errno == ENODEV) _exit(0);
  }
}

}  // namespace

FuseMount::FuseMount(const fs::path& dir) : dir_(dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  const int fd = OwnMountNamespace().empty() ? open("/dev/fuse", O_RDWR | O_CLOEXEC) : -1;
  if (fd < 0) return;
  const std::string opts =
      "fd=" + std::to_string(fd) + ",rootmode=40000,user_id=0,group_id=0,allow_other";
  if (mount("wwfuse", dir.c_str(), "fuse.wwfuse", MS_NOSUID | MS_NODEV, opts.c_str()) == 0) {
    server_ = fork();
    if (server_ == 0) ServeEmptyFolder(fd);
  }
  close(fd);
}

FuseMount::~FuseMount() {
  if (server_ > 0) kill(server_, SIGKILL), waitpid(server_, nullptr, 0);
  umount2(dir_.c_str(), MNT_DETACH);
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

std::string RunInChild(const std::function<std::string()>& fn, const std::function<bool()>& setup,
                       int seconds, const std::function<void(pid_t)>& watch) {
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
  if (watch) watch(pid);
  pollfd ready{fds[0], POLLIN, 0};
  if (seconds > 0 && poll(&ready, 1, seconds * 1000) <= 0) {
    // A child stuck on a dead server ends only when the server does: not waited for here.
    kill(pid, SIGKILL);
    close(fds[0]);
    return "hung";
  }
  // Not to end of file: a process the child started may hold the pipe open.
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

std::string Traced(const std::function<void(const Call&)>& at,
                   const std::function<std::string()>& fn) {
  const auto traceMe = [] {
    return ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0 && raise(SIGSTOP) == 0;
  };
  return RunInChild(fn, traceMe, 0, [&](pid_t pid) {
    int status = 0, sig = 0;
    waitpid(pid, &status, 0);
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    while (ptrace(PTRACE_SYSCALL, pid, nullptr, sig) == 0 && waitpid(pid, &status, 0) == pid &&
           WIFSTOPPED(status)) {
      sig = WSTOPSIG(status) == (SIGTRAP | 0x80) ? 0 : WSTOPSIG(status);
      __ptrace_syscall_info info{};
      if (sig || ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof info, &info) <= 0 ||
          info.op != PTRACE_SYSCALL_INFO_ENTRY)
        continue;
      Call call{static_cast<long>(info.entry.nr), {}, [&](int i) {
                  char text[PATH_MAX] = {};
                  iovec here{text, sizeof text - 1},
                      there{reinterpret_cast<void*>(info.entry.args[i]), sizeof text - 1};
                  return process_vm_readv(pid, &here, 1, &there, 1, 0) > 0 ? std::string(text)
                                                                           : std::string();
                }};
      std::copy(std::begin(info.entry.args), std::end(info.entry.args), call.args.begin());
      at(call);
    }
  });
}

std::string RunAsNobody(const fs::path& owned, const std::function<std::string()>& fn) {
  std::error_code ec;
  lchown(owned.c_str(), kNobody, kNobody);
  for (auto it = fs::recursive_directory_iterator(owned, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    lchown(it->path().c_str(), kNobody, kNobody);
  return RunInChild(fn, [] { return BecomeUser(kNobody); });
}

bool BecomeUser(unsigned uid) {
  return setgroups(0, nullptr) == 0 && setresgid(uid, uid, uid) == 0 &&
         setresuid(uid, uid, uid) == 0;
}

}  // namespace testsupport
