// Final deletions and listings for the utilities, on real trees: nothing outside the folder is
// touched, read-only trees go, and what running programs rely on stays.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <poll.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mman.h>

#include <climits>
#include <cstdlib>

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

// What `fn` returns when run in a child with a mount namespace of its own: its mounts go with it.
std::string Privately(const std::function<std::string()>& fn) {
  return RunInChild(fn, [] {
    return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  });
}

// How the deletion service answered about a folder: the guard's verdict on emptying it and on
// removing it, as letters (n: no, r: root, h: home, a: above the home).
std::string Verdict(const fs::path& folder) {
  const char* letters = "nrhac";
  const DeleteReport r = DeleteContents(folder);
  platform::Guarded why = platform::Guarded::kNo;
  platform::RemoveEmptyFolder(folder, &why);
  return std::string(1, letters[int(r.refused)]) + letters[int(why)];
}

}  // namespace

// The home is never emptied nor removed, nor any folder that holds it, however it is reached
// (its parent by name, by "..", by a bind mount, the folder above that) and whichever home:
// HOME's, or the password database's when HOME is unset or empty.
TEST(FileSystem, TheHomeAndEveryFolderThatHoldsItAreRefused) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to mount";
  TempDir tmp;
  const fs::path users = tmp / "users", home = users / "me";
  WriteFile(home / ".bashrc", "mine");
  WriteFile(users / "other" / "f", "x");
  const passwd* pw = getpwuid(getuid());
  ASSERT_TRUE(pw && pw->pw_dir && *pw->pw_dir);
  const fs::path pwHome = pw->pw_dir;
  const std::string out = Privately([&] {
    // The password database's home, here a scratch tmpfs over it.
    TmpfsMount scratch(pwHome);
    if (!scratch.ok()) return "no scratch home: " + scratch.error();
    WriteFile(pwHome / "notes", "kept");
    fs::create_directories(tmp / "bound");
    if (mount(users.c_str(), (tmp / "bound").c_str(), nullptr, MS_BIND, nullptr) != 0)
      return std::string("no bind mount");
    std::string text;
    {
      ScopedEnv env("HOME", home.string());
      for (const fs::path& f : {home, users, home / "..", tmp / "bound", tmp.path(), fs::path("/")})
        text += Verdict(f) + " ";
      text += platform::CheckFolder(users).guarded == platform::Guarded::kHoldsHome ? "C " : "c ";
    }
    {
      // The home inside the temporary folder.
      ScopedEnv env("HOME", (tmp / "bound" / "me").string());
      text += Verdict(users) + " ";
    }
    for (const bool unset : {false, true}) {
      ScopedEnv env("HOME", "");
      if (unset) unsetenv("HOME");
      text += Verdict(pwHome) + Verdict(pwHome.parent_path()) + " ";
    }
    text += ReadFile(pwHome / "notes");
    umount2((tmp / "bound").c_str(), MNT_DETACH);
    return text;
  });
  const std::string above = pwHome.parent_path() == "/" ? "rr" : "aa";
  EXPECT_EQ(out, "hh aa aa aa aa rr C aa hh" + above + " hh" + above + " kept");
  EXPECT_EQ(ReadFile(home / ".bashrc"), "mine");
  EXPECT_EQ(ReadFile(users / "other" / "f"), "x") << "nothing beside the home went either";
}

// Links are listed, measured and removed as themselves, never followed (one leads back up); a
// folder swapped for a link just before it is entered is not followed; a mount inside, of
// another volume or bound from this one, is listed but neither entered, measured nor emptied;
// a tree deeper than PATH_MAX goes all the same.
TEST(FileSystem, ListingSizeAndDeletionNeverLeaveTheFolder) {
  TempDir tmp;
  const fs::path target = tmp / "target", sub = target / "sub", outside = tmp / "outside";
  TmpfsMount usb(sub / "usb");
  if (!usb.ok()) GTEST_SKIP() << usb.error();
  WriteFile(usb.path() / "photo.jpg", "other volume");
  WriteFile(outside / "keep" / "precious", "mine");
  fs::create_directories(sub / "bound");
  ASSERT_EQ(mount(outside.c_str(), (sub / "bound").c_str(), nullptr, MS_BIND, nullptr), 0);
  WriteFile(target / "file", "1234567890");
  WriteFile(target / "swapped" / "inner", "x");
  fs::create_directory_symlink("..", target / "up");
  fs::create_symlink("../../outside/keep/precious", sub / "file-link");
  // Folders target, sub, bound, usb, swapped; entries file, up, file-link, inner.
  EXPECT_EQ(Listing(target).size(), 9u);
  EXPECT_EQ(platform::FolderSize(target), 10 + 1 + 2 + 27) << "links count their target's length";
  ASSERT_TRUE(MakeDeepTree(target / "deep", std::string(200, 'd'), 3 * PATH_MAX / 201, "x"));
  DeleteOptions options;
  options.beforeEnter = [&](const fs::path& dir) {
    if (dir.filename() != "swapped") return;
    fs::rename(dir, tmp / "moved-away");
    fs::create_directory_symlink(outside / "keep", dir);
  };
  DeleteReport r = DeleteContents(target, options);
  EXPECT_EQ(r.stayed.size(), 2u) << "the two mounts";
  for (const char* gone : {"file", "up", "swapped", "deep", "sub/file-link"})
    EXPECT_FALSE(fs::exists(fs::symlink_status(target / gone))) << gone;
  EXPECT_EQ(ReadFile(outside / "keep" / "precious"), "mine");
  EXPECT_EQ(ReadFile(usb.path() / "photo.jpg"), "other volume");
  EXPECT_TRUE(fs::exists(tmp / "moved-away" / "inner")) << "what was swapped out is not ours";
  umount2((sub / "bound").c_str(), MNT_DETACH);
}

// The temporary folder is shared with running programs: with keepInUse, what they hold, nodes and
// other users' entries stay (and are listed again); the rest goes, read-only trees included,
// and the size counts only what can be read.
TEST(FileSystem, ReadOnlyTreesGoAndWhatRunningProgramsHoldStays) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  const fs::path target = tmp / "target";
  for (const char* name : {"open-file", "locked", "workdir/inside", "junk/old", "ro-file",
                           "ro-tree/deep/f", "closed/g", "hidden/h"})
    WriteFile(target / name, "x");
  RunAsNobody(target, [] { return std::string(); });  // the tree is nobody's from here on
  WriteFile(target / "roots-file", "another user's");
  ASSERT_EQ(mkfifo((target / "fifo").c_str(), 0600), 0);
  ASSERT_EQ(mknod((target / "dev").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
  for (const char* node : {"fifo", "dev"}) lchown((target / node).c_str(), kNobody, kNobody);
  const pid_t holders[] = {Holder(target / "open-file", false, kNobody),
                           Holder(target / "locked", true),  // root's lock: only /proc/locks tells
                           Holder(target / "workdir", false, kNobody, true)};
  const std::string out = RunAsNobody(tmp / "unused", [&] {
    fs::permissions(target / "ro-file", fs::perms(0444));
    fs::permissions(target / "ro-tree" / "deep", fs::perms(0555));
    fs::permissions(target / "ro-tree", fs::perms(0500));
    fs::permissions(target / "closed", fs::perms(0000));
    fs::permissions(target / "hidden", fs::perms(0300));  // no listing of it
    if (ListeningSocket(target / "sock") < 0) return std::string("no socket");
    std::string text = std::to_string(platform::FolderSize(target)) + "|";
    DeleteOptions options;
    options.keepInUse = true;
    text += std::to_string(DeleteContents(target, options).removed) + "|";
    std::vector<std::string> lines = Listing(target);
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) text += l.substr(l.find_last_of('/') + 1) + ",";
    return text;
  });
  for (pid_t pid : holders) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
  // 20 bytes: 14 of roots-file and one in each readable file; closed/g and hidden/h unread.
  EXPECT_EQ(out,
            "20|10|\t\tdev,\t\tfifo,\t\tinside,\t\tlocked,\t\topen-file,\t\troots-file,\t\tsock,"
            "target,workdir,")
      << "junk, ro-tree, closed and hidden went with all inside";
}
