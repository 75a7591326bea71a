// Final deletions and listings for the utilities, on real trees: nothing outside the folder is
// touched, read-only trees go, and what running programs rely on stays.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "platform/FileSystem.h"
#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;
using platform::DeleteContents;
using platform::DeleteOptions;
using platform::DeleteReport;

namespace {

std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> lines;
  platform::ListTree(folder, [&](const std::string& line) { lines.push_back(line); });
  return lines;
}

// A running program (sleep) of user `uid` that holds `file` open, with an flock on it when
// asked, or has `file` as its working folder. A program started afresh, as users' programs are:
// /proc shows its files to its own user only after an exec, so it says it is ready from there.
pid_t Holder(const fs::path& file, bool lock, uid_t uid = 0, bool cwd = false) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    if (uid != 0 && (setgroups(0, nullptr) != 0 || setresgid(uid, uid, uid) != 0 ||
                     setresuid(uid, uid, uid) != 0))
      _exit(1);
    if (cwd ? chdir(file.c_str()) != 0 : false) _exit(1);
    const int fd = cwd ? 0 : open(file.c_str(), O_RDONLY);
    if (fd < 0 || (lock && flock(fd, LOCK_EX) != 0)) _exit(1);
    const std::string script = "echo ready >&" + std::to_string(ready[1]) + "; exec sleep 600";
    execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    _exit(1);
  }
  char c;
  close(ready[1]);
  if (read(ready[0], &c, 1) != 1) return -1;
  close(ready[0]);
  return pid;
}

void Stop(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace

TEST(FileSystem, DeletionNeverLeavesTheFolder) {
  TempDir tmp;
  const fs::path target = tmp / "target", outside = tmp / "outside";
  WriteFile(outside / "keep" / "precious", "mine");
  WriteFile(target / "a" / "b" / "c", "x");
  WriteFile(target / "swapped" / "inner", "x");
  fs::create_directory_symlink(outside, target / "link-to-outside");
  fs::create_symlink(outside / "keep" / "precious", target / "a" / "file-link");
  DeleteOptions options;
  options.beforeEnter = [&](const fs::path& dir) {
    if (dir.filename() != "swapped") return;
    fs::rename(dir, tmp / "moved-away");
    fs::create_directory_symlink(outside / "keep", dir);
  };
  DeleteReport r = DeleteContents(target, options);
  EXPECT_TRUE(fs::is_empty(target));
  EXPECT_TRUE(r.stayed.empty());
  EXPECT_EQ(ReadFile(outside / "keep" / "precious"), "mine");
  EXPECT_TRUE(fs::exists(tmp / "moved-away" / "inner")) << "what was swapped out is not ours";
}

TEST(FileSystem, AMountInsideIsListedButNeitherEnteredNorEmptied) {
  TempDir tmp;
  TmpfsMount inner(tmp / "target" / "usb");
  if (!inner.ok()) GTEST_SKIP() << inner.error();
  WriteFile(inner.path() / "photo.jpg", "other volume");
  const fs::path bound = tmp / "target" / "bound", outside = tmp / "outside";
  WriteFile(outside / "f", "same volume, other folder");
  fs::create_directories(bound);
  ASSERT_EQ(mount(outside.c_str(), bound.c_str(), nullptr, MS_BIND, nullptr), 0);
  WriteFile(tmp / "target" / "loose", "goes");
  const std::string top = (tmp / "target").string();
  std::vector<std::string> lines = Listing(tmp / "target");
  std::sort(lines.begin() + 2, lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"\t" + top, "\t\tloose", "\t" + top + "/bound",
                                             "\t" + top + "/usb"}));
  DeleteReport r = DeleteContents(tmp / "target");
  EXPECT_FALSE(fs::exists(tmp / "target" / "loose"));
  EXPECT_EQ(ReadFile(inner.path() / "photo.jpg"), "other volume");
  EXPECT_EQ(ReadFile(bound / "f"), "same volume, other folder");
  EXPECT_EQ(r.stayed.size(), 2u);
  umount2(bound.c_str(), MNT_DETACH);
}

// The listing is in pre-order: a folder's line, its files, then its subfolders; links are
// listed as entries of their own, never followed.
TEST(FileSystem, ListingOrderAndSize) {
  TempDir tmp;
  const fs::path f = tmp / "f";
  WriteFile(f / "sub" / "deeper" / "x", "12345");
  WriteFile(f / "file", "1234567890");
  fs::create_directory_symlink(tmp.path(), f / "loop");
  const std::string top = f.string();
  EXPECT_EQ(Listing(f)[0], "\t" + top);
  std::vector<std::string> lines = Listing(f);
  std::sort(lines.begin() + 1, lines.begin() + 3);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"\t" + top, "\t\tfile", "\t\tloop", "\t" + top + "/sub",
                                      "\t" + top + "/sub/deeper", "\t\tx"}));
  EXPECT_EQ(platform::FolderSize(f),
            15 + static_cast<std::int64_t>(tmp.path().string().size()));  // the link's own size
  EXPECT_EQ(platform::FolderSize(tmp / "missing"), -1);
  EXPECT_EQ(Listing(tmp / "missing"), std::vector<std::string>{});
}

// What a user of the machine can meet: read-only trees (which must go), unreadable folders
// (whose size counts what can be read), other users' entries (which stay).
TEST(FileSystem, ReadOnlyTreesGoOtherUsersEntriesStay) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  const fs::path target = tmp / "target";
  WriteFile(target / "ro-file", "x");
  WriteFile(target / "ro-tree" / "deep" / "f", "x");
  WriteFile(target / "closed" / "g", "xyz");
  WriteFile(target / "hidden" / "h", "1234");
  const std::string out = RunAsNobody(target, [&] {
    fs::permissions(target / "ro-file", fs::perms(0444));
    fs::permissions(target / "ro-tree" / "deep", fs::perms(0555));
    fs::permissions(target / "ro-tree", fs::perms(0500));
    fs::permissions(target / "closed", fs::perms(0000));
    fs::permissions(target / "hidden", fs::perms(0300));  // no listing of it
    const std::int64_t before = platform::FolderSize(target);
    DeleteReport r = DeleteContents(target);
    return std::to_string(before) + "|" + std::to_string(r.stayed.size()) + "|" +
           std::to_string(fs::is_empty(target));
  });
  EXPECT_EQ(out, "2|0|1") << "the size counts what nobody can read: ro-file and ro-tree/deep/f";
}

// The temporary folder is shared with running programs: with keepInUse, what they hold stays
// (and is listed again), the rest goes.
TEST(FileSystem, WhatRunningProgramsHoldStays) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  const fs::path target = tmp / "target";
  for (const char* name : {"open-file", "locked", "workdir/inside", "junk/old"})
    WriteFile(target / name, "x");
  RunAsNobody(target, [] { return std::string(); });  // the tree is nobody's from here on
  WriteFile(target / "roots-file", "another user's");
  ASSERT_EQ(mkfifo((target / "fifo").c_str(), 0600), 0);
  lchown((target / "fifo").c_str(), kNobody, kNobody);
  const pid_t opener = Holder(target / "open-file", false, kNobody);
  const pid_t locker = Holder(target / "locked", true);  // root's lock: only /proc/locks tells
  const pid_t worker = Holder(target / "workdir", false, kNobody, true);
  const std::string out = RunAsNobody(tmp / "unused", [&] {
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, (target / "sock").c_str());
    if (bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(sock, 1) != 0)
      return std::string("no socket");
    DeleteOptions options;
    options.keepInUse = true;
    DeleteReport r = DeleteContents(target, options);
    std::string text = std::to_string(r.removed) + "|";
    std::vector<std::string> lines = Listing(target);
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) text += l.substr(l.find_last_of('/') + 1) + ",";
    return text;
  });
  for (pid_t pid : {opener, locker, worker}) Stop(pid);
  EXPECT_EQ(
      out, "2|\t\tfifo,\t\tinside,\t\tlocked,\t\topen-file,\t\troots-file,\t\tsock,target,workdir,")
      << "junk/old and junk went";
}

TEST(FileSystem, ATreeDeeperThanPathMaxGoes) {
  TempDir tmp;
  const fs::path target = tmp / "target";
  fs::create_directories(target);
  int fd = open(target.c_str(), O_RDONLY | O_DIRECTORY);
  const std::string name(200, 'd');
  for (int depth = 0; depth * 201 < 3 * PATH_MAX; ++depth) {
    ASSERT_EQ(mkdirat(fd, name.c_str(), 0700), 0);
    const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
  }
  close(openat(fd, "bottom", O_WRONLY | O_CREAT, 0600));
  close(fd);
  EXPECT_TRUE(DeleteContents(target).stayed.empty());
  EXPECT_TRUE(fs::is_empty(target));
}
