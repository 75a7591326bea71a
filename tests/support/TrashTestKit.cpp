#include "support/TrashTestKit.h"

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "support/TempDir.h"

namespace testsupport {

bool PrivateMounts(std::string* why) {
  static int state = 0;  // 0 untried, 1 done, -1 refused
  static std::string reason;
  if (state == 0) {
    if (unshare(CLONE_NEWNS) != 0) {
      reason = std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
      state = -1;
    } else if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      reason = std::string("making / private: ") + std::strerror(errno);
      state = -1;
    } else {
      state = 1;
    }
  }
  if (state < 0 && why) *why = reason;
  return state > 0;
}

TmpfsMount::TmpfsMount(const std::filesystem::path& dir) : dir_(dir) {
  if (!PrivateMounts(&error_)) return;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (mount("wwtest", dir.c_str(), "tmpfs", 0, "mode=0755") != 0) {
    error_ = std::string("mount -t tmpfs: ") + std::strerror(errno);
    return;
  }
  ok_ = true;
}

TmpfsMount::~TmpfsMount() {
  if (ok_) umount2(dir_.c_str(), MNT_DETACH);
}

bool TmpfsMount::remountReadOnly() {
  return mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

int RunShell(const std::string& command, const std::string& input, std::string* out) {
  TempDir tmp;
  WriteFile(tmp / "stdin", input);
  std::string full = "(" + command + ") < '" + (tmp / "stdin").string() + "' 2>&1";
  FILE* p = popen(full.c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  while (std::size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
  int status = pclose(p);
  if (out) *out = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool MakeSparseFile(const std::filesystem::path& file, std::int64_t size) {
  int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = ftruncate(fd, size) == 0;
  close(fd);
  return ok;
}

std::string RunAsUser(uid_t uid, const std::function<std::string()>& fn) {
  int fds[2];
  if (pipe(fds) != 0) return "child failed: pipe";
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) return "child failed: fork";
  if (pid == 0) {
    close(fds[0]);
    std::string result;
    if (setgroups(0, nullptr) != 0 || setresgid(uid, uid, uid) != 0 ||
        setresuid(uid, uid, uid) != 0) {
      result = "child failed: setresuid";
    } else {
      result = fn();
    }
    std::size_t done = 0;
    while (done < result.size()) {
      ssize_t n = write(fds[1], result.data() + done, result.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char buf[4096];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return "child failed: crashed";
  return text;
}

void ChownTree(const std::filesystem::path& root, uid_t uid) {
  lchown(root.c_str(), uid, uid);
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    lchown(it->path().c_str(), uid, uid);
}

void PutTrashInfo(const std::filesystem::path& trash, const std::string& name,
                  const std::string& originalPath) {
  WriteFile(trash / "info" / (name + ".trashinfo"),
            "[Trash Info]\nPath=" + originalPath + "\nDeletionDate=2024-05-01T10:00:00\n");
  std::filesystem::create_directories(trash / "files");
}

}  // namespace testsupport
