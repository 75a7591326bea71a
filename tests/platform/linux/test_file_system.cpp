// Final deletions and listings for the utilities, on real trees: nothing outside the folder is
// touched, read-only trees go, and what running programs rely on stays.
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/FileSystem.h"
#include "platform/linux/removal/InUse.h"
#include "platform/linux/removal/PosixFile.h"
#include "platform/linux/removal/SafeRemove.h"
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
    return unshare(CLONE_NEWNS) == 0 &&
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
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

// What `fn` returns if it returns within `seconds`, else "hung" (the child is killed).
std::string Within(int seconds, const std::function<std::string()>& fn) {
  int fds[2];
  if (pipe(fds) != 0) return "no pipe";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string text = fn();
    _exit(write(fds[1], text.data(), text.size()) < 0);
  }
  close(fds[1]);
  pollfd p{fds[0], POLLIN, 0};
  std::string text = "hung";
  if (poll(&p, 1, seconds * 1000) > 0) {
    text.clear();
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, n);
  }
  close(fds[0]);
  kill(pid, SIGKILL);
  // A child stuck on the dead server ends only when the server does: reaped by then, not here.
  if (text != "hung") waitpid(pid, nullptr, 0);
  return text;
}

}  // namespace

// A server that stopped answering never holds the utilities up: neither when a program works
// in its mount elsewhere (the in-use scan) nor when the mount sits inside the folder (listing,
// size, emptying); the mount stays and is said to have stayed.
TEST(FileSystem, ADeadMountAnywhereHangsNothing) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to mount";
  TempDir tmp;
  const fs::path target = tmp / "target", elsewhere = tmp / "elsewhere";
  WriteFile(target / "junk", "12345");
  const std::string out = Privately([&] {
    FuseMount inside(target / ".mount_app"), outside(elsewhere);
    if (!inside.ok() || !outside.ok()) return std::string("no FUSE here");
    const pid_t worker = Holder(elsewhere, false, 0, true);  // works in the mount
    inside.Stop();
    outside.Stop();
    const std::string text = Within(10, [&] {
      std::string t = std::to_string(Listing(target).size()) + "|" +
                      std::to_string(platform::FolderSize(target)) + "|";
      DeleteOptions options;
      options.keepInUse = true;
      const DeleteReport r = DeleteContents(target, options);
      t += std::to_string(r.removed) + "|";
      for (const fs::path& p : r.stayed) t += p.filename().string();
      return t;
    });
    kill(worker, SIGKILL);
    waitpid(worker, nullptr, 0);
    return text;
  });
  if (out == "no FUSE here") GTEST_SKIP() << out;
  EXPECT_EQ(out, "3|5|1|.mount_app") << "target, junk and the mount listed; junk went";
}

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

// A home met from elsewhere than its own path (the source of the bind mount that shows it, that
// source through another mount of its volume, or moved in while the walk goes) is neither
// entered nor emptied: it stays and is named, and what lies around it goes. The trash empties
// through the same walk.
TEST(FileSystem, AHomeMetInsideStaysWholeAndIsNamed) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to mount";
  TempDir tmp;
  const fs::path users = tmp / "data" / "users", me = users / "me", home = tmp / "home" / "me";
  WriteFile(me / "docs" / "thesis", "years");
  fs::create_directories(home);
  fs::create_directories(tmp / "second");
  const std::string out = Privately([&] {
    if (mount(me.c_str(), home.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount((tmp / "data").c_str(), (tmp / "second").c_str(), nullptr, MS_BIND, nullptr) != 0)
      return std::string("no bind mount");
    ScopedEnv env("HOME", home.string());
    std::string text;
    const auto empty = [&](const fs::path& folder, const DeleteOptions& options) {
      WriteFile(folder / "old" / "junk", "x");
      const DeleteReport r = DeleteContents(folder, options);
      text += std::to_string(r.removed) + ":";
      for (const fs::path& p : r.homes) text += p.lexically_relative(tmp.path()).string() + ",";
      text += ReadFile(home / "docs" / "thesis") + " ";
    };
    empty(users, {});
    empty(tmp / "second" / "users", {});
    DeleteOptions options;
    std::error_code ec;  // a home already lost must not end the child here
    options.beforeEnter = [&](const fs::path& dir) {
      if (dir.filename() != "sub") return;
      fs::rename(dir, tmp / "away", ec);
      fs::rename(me, dir, ec);
    };
    fs::create_directories(tmp / "work" / "sub");
    empty(tmp / "work", options);
    fs::rename(tmp / "work" / "sub", me, ec);
    WriteFile(users / "old" / "junk", "x");
    const platform::UniqueFd data(open((tmp / "data").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st;
    fstat(data.get(), &st);
    text += platform::RemoveTreeAt(data.get(), "users", st.st_dev, platform::DescendHook(),
                                   tmp / "data")
                ? "gone "
                : "stayed ";
    text += std::to_string(fs::exists(users / "old")) + ReadFile(me / "docs" / "thesis");
    return text;
  });
  EXPECT_EQ(out, "2:data/users/me,years 2:second/users/me,years 2:work/sub,years stayed 0years");
}

// A home on a mount whose server stopped answering holds nothing up: a folder elsewhere is
// emptied, and the folders that hold the home are still refused: known by identity when the
// home is the mount's root (its status is cached), by its path alone when it lies beyond.
TEST(FileSystem, AHomeOnADeadMountHoldsNothingUp) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to mount";
  TempDir tmp;
  const std::string out = Privately([&] {
    FuseMount net(tmp / "net");
    if (!net.ok()) return std::string("no FUSE here");
    struct stat st;
    if (stat((tmp / "net").c_str(), &st) != 0) return std::string("not served");
    net.Stop();
    std::string text;
    for (const fs::path& home : {tmp / "net", tmp / "net" / "me"}) {
      ScopedEnv env("HOME", home.string());
      text += Within(10, [&] {
        WriteFile(tmp / "work" / "f", "x");
        return std::to_string(DeleteContents(tmp / "work").removed) + Verdict(tmp.path());
      });
      text += " ";
    }
    return text;
  });
  if (out == "no FUSE here") GTEST_SKIP() << out;
  EXPECT_EQ(out, "1aa 1aa ");
}

// Each /proc table read in its own numbers (mountinfo in decimal, maps and locks in hex): a
// btrfs subvolume's file (its own device, 0:41) locked on the superblock 00:27 is held though a
// cgroup mount shows 0:29; on btrfs the inode alone decides whatever device a holder names;
// elsewhere device and inode must both match.
TEST(FileSystem, HoldersAreReadInEachTablesOwnNumbers) {
  TempDir proc;
  WriteFile(proc / "self" / "mountinfo",
            "25 1 0:29 / /sys/fs/cgroup rw,nosuid - cgroup2 cgroup2 rw\n"
            "30 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
            "40 30 0:39 / /data rw,relatime - btrfs /dev/loop0 rw,subvol=/\n");
  WriteFile(proc / "locks",
            "1: FLOCK  ADVISORY  WRITE 1234 00:27:5678 0 EOF\n"
            "2: POSIX  ADVISORY  WRITE 1234 00:28:6789 0 EOF\n");
  WriteFile(proc / "1" / "maps", "7fe0a000-7fe0b000 r--s 00000000 08:01 777 /srv/mapped\n");
  const platform::InUse held(proc.path().string());
  const struct {
    unsigned major, minor;
    ino_t ino;
  } files[] = {{0, 41, 5678}, {0, 39, 6789}, {8, 1, 777}, {8, 1, 5678}};
  std::string got;
  for (const auto& f : files) {
    struct stat st {};
    st.st_dev = makedev(f.major, f.minor);
    st.st_ino = f.ino;
    got += held.holds(st) ? '1' : '0';
  }
  EXPECT_EQ(got, "1110");
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

// A folder swapped at the very instant it is opened (another program racing the emptying): one
// made a link is neither entered nor made writable through it, one made a mount point is not
// emptied.
TEST(FileSystem, AFolderSwappedAsItIsOpenedLeadsNowhere) {
  if (!OwnMountNamespace().empty()) GTEST_SKIP() << "no private mounts here";
  TempDir tmp;
  const fs::path target = tmp / "target", locked = tmp / "outside" / "locked";
  WriteFile(target / "ro" / "f", "x");
  WriteFile(target / "a" / "b" / "f", "x");
  WriteFile(locked / "keep", "mine");
  fs::permissions(target / "ro", fs::perms(0500));
  fs::permissions(locked, fs::perms(0500));
  std::optional<TmpfsMount> mount;
  Traced(
      [&](const Call& c) {
        if (c.nr != SYS_openat) return;
        const std::string name = c.text(1);
        if (name == "ro" && (c.args[2] & O_PATH) && !fs::is_symlink(target / "ro")) {
          fs::rename(target / "ro", tmp / "ro-away");
          fs::create_directory_symlink(locked, target / "ro");
        } else if (name == "b" && !(c.args[2] & O_PATH) && !mount) {
          mount.emplace(target / "a" / "b");
          WriteFile(target / "a" / "b" / "other-volume", "kept");
        }
      },
      [&] { return std::to_string(DeleteContents(target).removed); });
  EXPECT_EQ(fs::status(locked).permissions(), fs::perms(0500));
  ASSERT_TRUE(mount && mount->ok());
  EXPECT_EQ(ReadFile(target / "a" / "b" / "other-volume"), "kept");
}

// The temporary folder is shared with running programs: with keepInUse, what they hold, nodes and
// other users' entries stay (and are listed again); the rest goes, read-only trees and a link to
// a held file included, and the size counts only what can be read.
TEST(FileSystem, ReadOnlyTreesGoAndWhatRunningProgramsHoldStays) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  const fs::path target = tmp / "target";
  for (const char* name : {"open-file", "locked", "workdir/inside", "junk/old", "ro-file",
                           "ro-tree/deep/f", "closed/g", "hidden/h"})
    WriteFile(target / name, "x");
  fs::create_symlink("open-file", target / "link-to-open");  // the link is not what is held
  RunAsNobody(target, [] { return std::string(); });         // the tree is nobody's from here on
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
  // 29 bytes: 14 of roots-file, one in each readable file and 9 of the link; closed/g and
  // hidden/h unread.
  EXPECT_EQ(out,
            "29|11|\t\tdev,\t\tfifo,\t\tinside,\t\tlocked,\t\topen-file,\t\troots-file,\t\tsock,"
            "target,workdir,")
      << "junk, ro-tree, closed and hidden went with all inside";
}

// A file that another is bound over is not counted: its bytes belong elsewhere.
TEST(FileSystem, AFileBoundOverAnotherIsNotCounted) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to mount";
  TempDir tmp;
  WriteFile(tmp / "target" / "small", "1");
  WriteFile(tmp / "big", std::string(1000, 'b'));
  const std::string out = Privately([&] {
    if (mount((tmp / "big").c_str(), (tmp / "target" / "small").c_str(), nullptr, MS_BIND,
              nullptr) != 0)
      return std::string("no bind mount");
    return std::to_string(platform::FolderSize(tmp / "target"));
  });
  EXPECT_EQ(out, "0");
}

// As an ordinary user: a read-only folder of one's own is emptied and kept with its mode, and a
// folder that stays because something inside is in use gets its mode back too.
TEST(FileSystem, AUsersReadOnlyFolderIsEmptiedAndKeepsItsMode) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  const fs::path target = tmp / "target";
  WriteFile(target / "a", "x");
  WriteFile(target / "sub" / "b", "x");
  WriteFile(target / "held" / "open.log", "x");
  RunAsNobody(target, [] { return std::string(); });
  const pid_t holder = Holder(target / "held" / "open.log", false, kNobody);
  const std::string out = RunAsNobody(tmp / "unused", [&] {
    fs::permissions(target / "held", fs::perms(0500));
    fs::permissions(target, fs::perms(0500));
    DeleteOptions options;
    options.keepInUse = true;
    DeleteContents(target, options);
    struct stat top, held;
    if (stat(target.c_str(), &top) != 0 || stat((target / "held").c_str(), &held) != 0)
      return std::string("gone");
    char modes[32];
    std::snprintf(modes, sizeof modes, "%o %o|", top.st_mode & 07777, held.st_mode & 07777);
    std::string text = modes;
    for (const std::string& l : Listing(target)) text += l.substr(l.find_last_of("/\t") + 1) + ",";
    return text;
  });
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_EQ(out, "500 500|target,held,open.log,") << "a, sub and b went";
}

// 2,000 levels of 255-byte names (a listing of 500 MB in full; removing deeper trees takes the
// kernel too long for a test): the listing stays within its bound and says how many entries it
// left out.
TEST(FileSystem, ADeepTreeListsInBoundedMemory) {
  TempDir tmp;
  const fs::path top = tmp / "top";
  ASSERT_TRUE(MakeDeepTree(top, std::string(255, 'n'), 2000, "x"));
  std::size_t bytes = 0, lines = 0;
  std::string last;
  platform::ListTree(top, [&](const std::string& line) {
    bytes += line.size();
    ++lines;
    last = line;
  });
  EXPECT_LE(bytes, platform::kListMaxBytes + 100);
  // 2,002 entries: top, the levels and the file at the bottom.
  EXPECT_EQ(last, platform::MoreEntriesLine(2002 - static_cast<std::int64_t>(lines - 1)));
  EXPECT_EQ(platform::MoreEntriesLine(12345), "... y 12.345 entradas más");
  EXPECT_EQ(DeleteContents(top).removed, 2001);
  // As many entries that stay (nodes): all are counted, not all named.
  for (int i = 0; i < 1500; ++i) mkfifo((top / std::to_string(i)).c_str(), 0600);
  DeleteOptions options;
  options.keepInUse = true;
  const DeleteReport r = DeleteContents(top, options);
  EXPECT_EQ(r.stayedCount, 1500);
  EXPECT_LT(r.stayed.size(), 1500u);
}

// On btrfs (here a subvolume of a loop-mounted image) maps and locks name another device than
// stat: a mapped file, an flock-ed and an fcntl-locked one stay all the same.
TEST(FileSystem, OnBtrfsMappedAndLockedFilesStay) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to mount";
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  const std::string out = Privately([&] {
    const fs::path image = tmp / "btrfs.img", mnt = tmp / "mnt";
    fs::create_directories(mnt);
    const std::string setup =
        "truncate -s 160M '" + image.string() + "' && mkfs.btrfs -q '" + image.string() +
        "' >/dev/null 2>&1 && mount -o loop '" + image.string() + "' '" + mnt.string() +
        "' && btrfs -q subvolume create '" + (mnt / "sub").string() + "' >/dev/null";
    if (std::system(setup.c_str()) != 0) return std::string("no btrfs here");
    const fs::path target = mnt / "sub" / "target";
    for (const char* name : {"mapped", "flocked", "fcntl", "junk"}) WriteFile(target / name, "x");
    fs::permissions(mnt / "sub", fs::perms(0755));
    // Holders of root's, still running: the mapping has no descriptor left, the locks show
    // only in /proc/locks to the other user who empties the folder.
    int ready[2];
    if (pipe(ready) != 0) return std::string("no pipe");
    std::vector<pid_t> holders;
    for (int kind = 0; kind < 3; ++kind) {
      const pid_t pid = fork();
      if (pid == 0) {
        const char* names[] = {"mapped", "flocked", "fcntl"};
        const int fd = open((target / names[kind]).c_str(), O_RDWR);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        const bool held = kind == 0   ? mmap(nullptr, 1, PROT_READ, MAP_SHARED, fd, 0) != MAP_FAILED
                          : kind == 1 ? flock(fd, LOCK_EX) == 0
                                      : fcntl(fd, F_SETLK, &lock) == 0;
        if (kind == 0) close(fd);
        if (!held || write(ready[1], "r", 1) != 1) _exit(1);
        pause();
        _exit(0);
      }
      holders.push_back(pid);
      char c;
      if (read(ready[0], &c, 1) != 1) return std::string("holder failed");
    }
    std::string text;
    // The mapping as root (whose maps root reads), the locks as nobody.
    lchown((target / "flocked").c_str(), kNobody, kNobody);
    lchown((target / "fcntl").c_str(), kNobody, kNobody);
    lchown(target.c_str(), kNobody, kNobody);
    text += RunAsNobody(tmp / "unused", [&] {
      DeleteOptions options;
      options.keepInUse = true;
      DeleteContents(target, options);
      return std::string();
    });
    DeleteOptions options;
    options.keepInUse = true;
    DeleteContents(target, options);
    std::vector<std::string> lines = Listing(target);
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) text += l.substr(l.find_last_of("/\t") + 1) + ",";
    for (pid_t pid : holders) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    umount2(mnt.c_str(), MNT_DETACH);
    return text;
  });
  if (out == "no btrfs here") GTEST_SKIP() << out;
  EXPECT_EQ(out, "fcntl,flocked,mapped,target,") << "junk went";
}
