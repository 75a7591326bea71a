// The utilities' deletions and listings on real trees: nothing outside the folder is touched.
#include <gtest/gtest.h>
#include <pwd.h>
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

// A program of user `uid` holding `file`: open ('o'), flock-ed ('l'), fcntl-locked ('p'), mapped
// with no descriptor left ('m'), or as its working folder ('c'). /proc shows a program's files to
// its own user only after an exec, so it is ready from there; a mapping does not outlive one.
pid_t Holder(const fs::path& file, char how, uid_t uid = 0) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    if (uid != 0 && !BecomeUser(uid)) _exit(1);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    const int fd = how == 'c' ? chdir(file.c_str()) : open(file.c_str(), O_RDWR);
    const bool held =
        fd >= 0 && (how == 'l'   ? flock(fd, LOCK_EX) == 0
                    : how == 'p' ? fcntl(fd, F_SETLK, &lock) == 0
                    : how == 'm' ? mmap(nullptr, 1, PROT_READ, MAP_SHARED, fd, 0) != MAP_FAILED &&
                                       close(fd) == 0
                                 : true);
    if (!held) _exit(1);
    if (how == 'm') _exit(write(ready[1], "r", 1) == 1 ? (pause(), 0) : 1);
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

// What `fn` returns in a child with mounts of its own: they go with it.
std::string Privately(const std::function<std::string()>& fn) {
  return RunInChild(fn, NewMountNamespace);
}

// The guard's verdicts on emptying and on removing a folder (n: no, r: root, h: home, a: above).
std::string Verdict(const fs::path& folder) {
  const char* letters = "nrhac";
  const DeleteReport r = DeleteContents(folder);
  platform::Guarded why = platform::Guarded::kNo;
  platform::RemoveEmptyFolder(folder, &why);
  return std::string(1, letters[int(r.refused)]) + letters[int(why)];
}

}  // namespace

// A dead server's mount, worked in elsewhere (the in-use scan) or inside the folder, stays and
// holds nothing up; a home on it (its root, or beyond: known by path alone) still guards.
TEST(FileSystem, ADeadMountAnywhereHangsNothing) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to mount";
  TempDir tmp;
  const fs::path target = tmp / "target", elsewhere = tmp / "elsewhere";
  WriteFile(target / "junk", "12345");
  const std::string out = Privately([&] {
    FuseMount inside(target / ".mount_app"), outside(elsewhere);
    if (!inside.ok() || !outside.ok()) return std::string("no FUSE here");
    const pid_t worker = Holder(elsewhere, 'c');  // works in the mount
    inside.Stop();
    outside.Stop();
    const auto within = [](const std::function<std::string()>& fn) {
      return RunInChild(fn, nullptr, 10);
    };
    std::string text = within([&] {
      std::string t = std::to_string(Listing(target).size()) + "|" +
                      std::to_string(platform::FolderSize(target)) + "|";
      DeleteOptions options;
      options.keepInUse = true;
      const DeleteReport r = DeleteContents(target, options);
      t += std::to_string(r.removed) + "|";
      for (const fs::path& p : r.stayed) t += p.filename().string();
      return t;
    });
    for (const fs::path& home : {elsewhere, elsewhere / "me"}) {
      ScopedEnv env("HOME", home.string());
      text += " " + within([&] {
                WriteFile(tmp / "work" / "f", "x");
                return std::to_string(DeleteContents(tmp / "work").removed) + Verdict(tmp.path());
              });
    }
    kill(worker, SIGKILL);
    waitpid(worker, nullptr, 0);
    return text;
  });
  if (out == "no FUSE here") GTEST_SKIP() << out;
  EXPECT_EQ(out, "3|5|1|.mount_app 1aa 1aa") << "target, junk and the mount listed; junk went";
}

// The home and every folder holding it are refused however reached (by name, "..", a bind mount),
// whichever home: HOME's, else the password database's. Met off its own path (its bind mount's
// source, that through another mount, or moved in during the walk) it stays whole and is named.
TEST(FileSystem, TheHomeAndEveryFolderThatHoldsItAreRefusedAndAHomeMetInsideStaysWhole) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to mount";
  TempDir tmp;
  const fs::path users = tmp / "data" / "users", me = users / "me", home = tmp / "home" / "me";
  const fs::path second = tmp / "second";  // the data folder again, through a bind mount
  WriteFile(me / "docs" / "thesis", "years");
  WriteFile(users / "old" / "junk", "x");
  fs::create_directories(home);
  fs::create_directories(second);
  const passwd* pw = getpwuid(getuid());
  ASSERT_TRUE(pw && pw->pw_dir && *pw->pw_dir);
  const fs::path pwHome = pw->pw_dir;
  const std::string out = Privately([&] {
    TmpfsMount scratch(pwHome);
    if (!scratch.ok()) return "no scratch home: " + scratch.error();
    WriteFile(pwHome / "notes", "kept");
    if (mount(me.c_str(), home.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount((tmp / "data").c_str(), second.c_str(), nullptr, MS_BIND, nullptr) != 0)
      return std::string("no bind mount");
    std::string text;
    {
      ScopedEnv env("HOME", me.string());
      for (const fs::path& f : {me, users, me / "..", second / "users", tmp.path(), fs::path("/")})
        text += Verdict(f) + " ";
      text += platform::CheckFolder(users).guarded == platform::Guarded::kHoldsHome ? "C " : "c ";
    }
    {
      ScopedEnv env("HOME", (second / "users" / "me").string());
      text += Verdict(users) + " ";
    }
    for (const bool unset : {false, true}) {
      ScopedEnv env("HOME", "");
      if (unset) unsetenv("HOME");
      text += Verdict(pwHome) + Verdict(pwHome.parent_path()) + " ";
    }
    text += ReadFile(pwHome / "notes") + ReadFile(users / "old" / "junk") + " ";
    ScopedEnv env("HOME", home.string());
    const auto empty = [&](const fs::path& folder, const DeleteOptions& options) {
      WriteFile(folder / "old" / "junk", "x");
      const DeleteReport r = DeleteContents(folder, options);
      text += std::to_string(r.removed) + ":";
      for (const fs::path& p : r.homes) text += p.lexically_relative(tmp.path()).string() + ",";
      text += ReadFile(home / "docs" / "thesis") + " ";
    };
    empty(users, {});
    empty(second / "users", {});
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
  const std::string above = pwHome.parent_path() == "/" ? "rr" : "aa";
  EXPECT_EQ(out, "hh aa aa aa aa rr C aa hh" + above + " hh" + above +
                     " keptx 2:data/users/me,years 2:second/users/me,years 2:work/sub,years "
                     "stayed 0years");
}

// mountinfo is decimal, maps and locks hex; on btrfs (a subvolume 0:41 locked as 00:27, though a
// cgroup shows 0:29) the inode alone decides, elsewhere device and inode both.
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
  const unsigned long files[][3] = {{0, 41, 5678}, {0, 39, 6789}, {8, 1, 777}, {8, 1, 5678}};
  std::string got;
  for (const auto& [major, minor, ino] : files) {
    struct stat st {};
    st.st_dev = makedev(major, minor);
    st.st_ino = ino;
    got += held.holds(st) ? '1' : '0';
  }
  EXPECT_EQ(got, "1110");
}

// Links are never followed, mounts (a bound file too) never entered, measured nor emptied, also
// when swapped in just before or as a folder is opened (a racing program); past PATH_MAX goes.
TEST(FileSystem, ListingSizeAndDeletionNeverLeaveTheFolder) {
  TempDir tmp;
  const fs::path target = tmp / "target", sub = target / "sub", outside = tmp / "outside";
  const fs::path locked = outside / "locked";
  TmpfsMount usb(sub / "usb");
  if (!usb.ok()) GTEST_SKIP() << usb.error();
  WriteFile(usb.path() / "photo.jpg", "other volume");
  WriteFile(outside / "keep" / "precious", "mine");
  WriteFile(locked / "keep", "mine");
  fs::create_directories(sub / "bound");
  ASSERT_EQ(mount(outside.c_str(), (sub / "bound").c_str(), nullptr, MS_BIND, nullptr), 0);
  WriteFile(target / "file", "1234567890");
  WriteFile(target / "small", "1");
  ASSERT_EQ(mount((outside / "keep" / "precious").c_str(), (target / "small").c_str(), nullptr,
                  MS_BIND, nullptr),
            0);
  WriteFile(target / "swapped" / "inner", "x");
  fs::create_directory_symlink("..", target / "up");
  fs::create_symlink("../../outside/keep/precious", sub / "file-link");
  // Folders target, sub, bound, usb, swapped; entries file, small, up, file-link, inner.
  EXPECT_EQ(Listing(target).size(), 10u);
  EXPECT_EQ(platform::FolderSize(target), 10 + 1 + 2 + 27) << "links count their target's length";
  ASSERT_TRUE(MakeDeepTree(target / "deep", std::string(200, 'd'), 3 * PATH_MAX / 201, "x"));
  WriteFile(target / "ro" / "f", "x");
  WriteFile(target / "a" / "b" / "f", "x");
  fs::permissions(target / "ro", fs::perms(0500));
  fs::permissions(locked, fs::perms(0500));
  DeleteOptions options;
  options.beforeEnter = [&](const fs::path& dir) {
    if (dir.filename() != "swapped") return;
    fs::rename(dir, tmp / "moved-away");
    fs::create_directory_symlink(outside / "keep", dir);
  };
  std::optional<TmpfsMount> late;
  const std::string stayed = Traced(
      [&](const Call& c) {
        if (c.nr != SYS_openat) return;
        const std::string name = c.text(1);
        if (name == "ro" && (c.args[2] & O_PATH) && !fs::is_symlink(target / "ro")) {
          fs::rename(target / "ro", tmp / "ro-away");
          fs::create_directory_symlink(locked, target / "ro");
        } else if (name == "b" && !(c.args[2] & O_PATH) && !late) {
          late.emplace(target / "a" / "b");
          WriteFile(late->path() / "other-volume", "kept");
        }
      },
      [&] { return std::to_string(DeleteContents(target, options).stayed.size()); });
  EXPECT_EQ(stayed, "4") << "the mounts";
  for (const char* gone : {"file", "up", "swapped", "deep", "ro", "sub/file-link"})
    EXPECT_FALSE(fs::exists(fs::symlink_status(target / gone))) << gone;
  EXPECT_EQ(ReadFile(outside / "keep" / "precious"), "mine");
  EXPECT_EQ(ReadFile(usb.path() / "photo.jpg"), "other volume");
  EXPECT_EQ(ReadFile(target / "a" / "b" / "other-volume"), "kept");
  EXPECT_EQ(fs::status(locked).permissions(), fs::perms(0500));
  EXPECT_TRUE(fs::exists(tmp / "moved-away" / "inner")) << "what was swapped out is not ours";
  late.reset();
  for (const char* m : {"small", "sub/bound"}) umount2((target / m).c_str(), MNT_DETACH);
}

// The temporary folder is shared: with keepInUse, held files, nodes and other users' entries stay;
// a read-only folder is emptied and keeps its mode; the size counts only what can be read.
TEST(FileSystem, ReadOnlyTreesGoAndWhatRunningProgramsHoldStays) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  TempDir tmp;
  const fs::path target = tmp / "target";
  for (const char* name : {"held/open-file", "locked", "workdir/inside", "junk/old", "ro-file",
                           "ro-tree/deep/f", "closed/g", "hidden/h"})
    WriteFile(target / name, "x");
  fs::create_symlink("held/open-file", target / "link-to-open");  // the link is not what is held
  RunAsNobody(target, [] { return std::string(); });  // the tree is nobody's from here on
  WriteFile(target / "roots-file", "another user's");
  ASSERT_EQ(mkfifo((target / "fifo").c_str(), 0600), 0);
  ASSERT_EQ(mknod((target / "dev").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
  for (const char* node : {"fifo", "dev"}) lchown((target / node).c_str(), kNobody, kNobody);
  const pid_t holders[] = {Holder(target / "held" / "open-file", 'o', kNobody),
                           Holder(target / "locked", 'l'),  // root's lock: only /proc/locks tells
                           Holder(target / "workdir", 'c', kNobody)};
  const std::string out = RunAsNobody(tmp / "unused", [&] {
    fs::permissions(target / "ro-file", fs::perms(0444));
    fs::permissions(target / "ro-tree" / "deep", fs::perms(0555));
    fs::permissions(target / "ro-tree", fs::perms(0500));
    fs::permissions(target / "closed", fs::perms(0000));
    fs::permissions(target / "hidden", fs::perms(0300));  // no listing of it
    if (ListeningSocket(target / "sock") < 0) return std::string("no socket");
    for (const char* ro : {"held", ""}) fs::permissions(target / ro, fs::perms(0500));
    std::string text = std::to_string(platform::FolderSize(target)) + "|";
    DeleteOptions options;
    options.keepInUse = true;
    text += std::to_string(DeleteContents(target, options).removed) + "|";
    for (const char* ro : {"held", ""}) {
      struct stat st;
      text += stat((target / ro).c_str(), &st) == 0 ? std::to_string(st.st_mode & 0777) : "gone";
      text += "|";
    }
    std::vector<std::string> lines = Listing(target);
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) text += l.substr(l.find_last_of('/') + 1) + ",";
    return text;
  });
  for (pid_t pid : holders) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
  // 34 bytes: 14 of roots-file, one in each readable file and 14 of the link; closed/g and
  // hidden/h unread. Modes in decimal: 320 is 0500.
  EXPECT_EQ(out,
            "34|11|320|320|\t\tdev,\t\tfifo,\t\tinside,\t\tlocked,\t\topen-file,\t\troots-file,"
            "\t\tsock,target,held,workdir,")
      << "junk, ro-tree, closed and hidden went with all inside";
}

// 2,000 levels of 255-byte names would list 500 MB in full; many nodes that stay are all counted.
TEST(FileSystem, ADeepTreeOrManyEntriesThatStayAreReportedInBoundedMemory) {
  TempDir tmp;
  const fs::path top = tmp / "top";
  ASSERT_TRUE(MakeDeepTree(top, std::string(255, 'n'), 2000, "x"));
  const std::vector<std::string> lines = Listing(top);
  std::size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size();
  EXPECT_LE(bytes, platform::kListMaxBytes + 100);
  // 2,002 entries: top, the levels and the file at the bottom.
  EXPECT_EQ(lines.back(), platform::MoreEntriesLine(2003 - std::int64_t(lines.size())));
  EXPECT_EQ(platform::MoreEntriesLine(12345), "... y 12.345 entradas más");
  EXPECT_EQ(DeleteContents(top).removed, 2001);
  for (int i = 0; i < 1500; ++i) mkfifo((top / std::to_string(i)).c_str(), 0600);
  DeleteOptions options;
  options.keepInUse = true;
  const DeleteReport r = DeleteContents(top, options);
  EXPECT_EQ(r.stayedCount, 1500);
  EXPECT_LT(r.stayed.size(), 1500u);
}

// On btrfs (a subvolume) maps and locks name another device than stat.
TEST(FileSystem, OnBtrfsMappedAndLockedFilesStay) {
  TempDir tmp;
  const fs::path mnt = tmp / "mnt", target = mnt / "sub" / "target";
  if (const std::string why = MountImage(mnt, "btrfs", "sub"); !why.empty()) GTEST_SKIP() << why;
  for (const char* name : {"mapped", "flocked", "fcntl", "junk"}) WriteFile(target / name, "x");
  fs::permissions(mnt / "sub", fs::perms(0755));
  const pid_t holders[] = {Holder(target / "mapped", 'm'), Holder(target / "flocked", 'l'),
                           Holder(target / "fcntl", 'p')};
  // Root's holders; nobody empties beside the locks, root (alone reading its maps) the mapping.
  for (const char* name : {"flocked", "fcntl", ""})
    lchown((target / name).c_str(), kNobody, kNobody);
  DeleteOptions options;
  options.keepInUse = true;
  RunAsNobody(tmp / "unused", [&] {
    DeleteContents(target, options);
    return std::string();
  });
  DeleteContents(target, options);
  std::string text;
  std::vector<std::string> lines = Listing(target);
  std::sort(lines.begin(), lines.end());
  for (const std::string& l : lines) text += l.substr(l.find_last_of("/\t") + 1) + ",";
  for (pid_t pid : holders) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
  umount2(mnt.c_str(), MNT_DETACH);
  EXPECT_EQ(text, "fcntl,flocked,mapped,target,") << "junk went";
}
