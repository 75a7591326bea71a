// Hostile file systems and races that once lost data or lied about the result: real files, as
// root where mounts are needed (in a private mount namespace), as nobody for permissions.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <optional>

#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;
using platform::EmptyResult;
using platform::FreedesktopTrash;
using platform::MoveResult;

class TrashFaults : public ::testing::Test {
 protected:
  TempDir tmp;
  const fs::path trash = tmp / "data" / "Trash";
};

// The home, or a folder above the home trash, reached through a bind mount of its volume is
// the same folder: it stays, and the emptying that follows leaves it whole.
TEST_F(TrashFaults, HomeThroughABindMountStays) {
  TmpfsMount vol(tmp / "vol");
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  const fs::path home = vol.path() / "home", data = home / ".local" / "share";
  WriteFile(home / "work" / "thesis.txt", "years of it");
  WriteFile(PutTrashInfo(data / "Trash", "old"), "trashed");
  const fs::path alias = tmp / "alias", aliasHome = alias / "home";
  fs::create_directories(alias);
  ASSERT_EQ(mount(vol.path().c_str(), alias.c_str(), nullptr, MS_BIND, nullptr), 0);
  platform::TrashSettings settings = TrashAt(data, {vol.path(), alias});
  settings.home = home;
  FreedesktopTrash bin(settings);
  MoveResult r =
      bin.moveToTrash({aliasHome, aliasHome / ".local", aliasHome / "work/../.local/share/Trash",
                       aliasHome / ".local/share/Trash/files/old"});
  ASSERT_EQ(r.stayed.size(), 4u);
  const char* why[] = {"contiene la papelera", "contiene la papelera", "está en la papelera",
                       "está en la papelera"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r.stayed[i].second, why[i]) << i;

  // A home that does not hold the trash is still never trashed.
  settings.dataHome = tmp / "elsewhere";
  r = FreedesktopTrash(settings).moveToTrash({aliasHome});
  ASSERT_EQ(r.stayed.size(), 1u);
  EXPECT_EQ(r.stayed[0].second, "es la carpeta personal");

  EXPECT_EQ(bin.empty(nullptr).removed, 1);
  EXPECT_EQ(ReadFile(home / "work" / "thesis.txt"), "years of it");
  umount2(alias.c_str(), MNT_DETACH);
}

// Something mounted on files/ or info/ is not the trash's: the trash is left whole and reported.
TEST_F(TrashFaults, AMountOnATrashFolderIsNotEmptiedThrough) {
  TmpfsMount vol(tmp / "vol");
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  const fs::path outside = tmp / "project";
  PutTrashInfo(trash, "src");
  WriteFile(outside / "src" / "main.c", "code");
  WriteFile(outside / "notes.trashinfo", "[Trash Info]\n");
  for (const char* sub : {"files", "info"}) {
    ASSERT_EQ(mount(outside.c_str(), (trash / sub).c_str(), nullptr, MS_BIND, nullptr), 0);
    EmptyResult r = FreedesktopTrash(TrashAt(tmp / "data")).empty(nullptr);
    EXPECT_EQ(r.removed, 0) << sub;
    EXPECT_EQ(r.left, std::vector<fs::path>{trash}) << sub;
    umount2((trash / sub).c_str(), MNT_DETACH);
    EXPECT_EQ(ReadFile(outside / "src" / "main.c"), "code") << sub;
    EXPECT_TRUE(fs::exists(outside / "notes.trashinfo")) << sub;
  }
}

// A btrfs subvolume has a device number of its own but no entry in the mount table: what the
// move puts in its trash is counted and emptied, now and by a later run. Where no btrfs can
// be mounted, a volume missing from the list of tops stands in for it.
TEST_F(TrashFaults, ATrashTheMoveFoundIsCountedAndEmptied) {
  TmpfsMount scratch(tmp / "scratch");  // also our own mount namespace
  if (!scratch.ok()) GTEST_SKIP() << scratch.error();
  const std::string btrfs = (tmp / "btrfs").string(), image = (scratch.path() / "img").string();
  fs::create_directories(btrfs);
  const bool real =
      std::system(("truncate -s 256M '" + image + "' && mkfs.btrfs -q '" + image +
                   "' >/dev/null 2>&1 && mount -o loop '" + image + "' '" + btrfs +
                   "' 2>/dev/null && btrfs subvolume create '" + btrfs + "/VMs' >/dev/null")
                      .c_str()) == 0;
  std::optional<TmpfsMount> standIn;
  if (!real) standIn.emplace(tmp / "VMs");
  const fs::path vms = real ? fs::path(btrfs) / "VMs" : standIn->path();
  const std::vector<fs::path> tops = real ? std::vector<fs::path>{btrfs} : std::vector<fs::path>{};
  std::cout << (real ? "a real btrfs subvolume\n" : "no btrfs here: a stand-in volume\n");
  const std::string megabyte(1 << 20, 'v');
  WriteFile(vms / "disk.img", megabyte);
  FreedesktopTrash bin(TrashAt(tmp / "data", tops));
  ASSERT_TRUE(bin.moveToTrash({vms / "disk.img"}).ok);
  const fs::path own = vms / (".Trash-" + std::to_string(getuid()));
  EXPECT_EQ(ReadFile(own / "files" / "disk.img"), megabyte);
  EXPECT_EQ(Query(bin), Figures(1, 1 << 20));
  FreedesktopTrash later(TrashAt(tmp / "data", tops));
  EXPECT_EQ(Query(later), Figures(1, 1 << 20));
  EmptyResult r = later.empty(nullptr);
  EXPECT_EQ(r.removed, 1);
  EXPECT_TRUE(r.left.empty());
  EXPECT_FALSE(fs::exists(own / "files" / "disk.img"));
  EXPECT_EQ(Query(bin), Figures(0, 0));
  standIn.reset();
  if (real) umount2(btrfs.c_str(), MNT_DETACH);
}

// Info files that cannot go keep their items counted, so they are reported as left, every time.
TEST_F(TrashFaults, InfoFilesThatStayAreReportedLeft) {
  // An info entry that is a folder is the trash's own: it goes.
  WriteFile(PutTrashInfo(trash, "odd"), "x");
  fs::remove(trash / "info" / "odd.trashinfo");
  WriteFile(trash / "info" / "odd.trashinfo" / "inside", "x");
  EXPECT_EQ(FreedesktopTrash(TrashAt(tmp / "data")).empty(nullptr).removed, 1);
  EXPECT_TRUE(fs::is_empty(trash / "info"));

  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  WriteFile(PutTrashInfo(trash, "a"), "aa");
  PutTrashInfo(trash, "b");
  for (const char* info : {"a.trashinfo", "b.trashinfo"}) Age(trash / "info" / info);
  fs::permissions(tmp.path(), fs::perms(0755));
  std::string out = RunAsNobody(tmp / "data", [&] {
    fs::permissions(trash / "info", fs::perms(0555));
    FreedesktopTrash bin(TrashAt(tmp / "data", {}, kNobody));
    std::string text;
    for (int round = 0; round < 2; ++round) {
      EmptyResult r = bin.empty(nullptr);
      std::sort(r.left.begin(), r.left.end());
      text += "removed=" + std::to_string(r.removed);
      for (auto& p : r.left) text += "|" + p.filename().string();
      text += "|count=" + std::to_string(bin.query().count) + ";";
    }
    return text;
  });
  EXPECT_EQ(out,
            "removed=0|a.trashinfo|b.trashinfo|count=2;removed=0|a.trashinfo|b.trashinfo|count=2;");
  EXPECT_FALSE(fs::exists(trash / "files" / "a"));
}

// directorysizes is anybody's file: a FIFO there must not hang the emptying, a device must
// not feed it for ever.
TEST_F(TrashFaults, ADirectorySizesThatIsNoFileNeitherHangsNorCrashes) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to make a device node";
  const fs::path ds = trash / "directorysizes";
  alarm(60);  // a hang fails the test instead of the run
  for (int kind = 0; kind < 2; ++kind) {
    WriteFile(PutTrashInfo(trash, "f"), "1");
    fs::remove(ds);
    ASSERT_EQ(
        kind == 0 ? mkfifo(ds.c_str(), 0600) : mknod(ds.c_str(), S_IFCHR | 0600, makedev(1, 5)), 0);
    EXPECT_EQ(FreedesktopTrash(TrashAt(tmp / "data")).empty(nullptr).removed, 1) << kind;
  }
  alarm(0);
}

// Removal holds a few files open and memory for a name per level, whatever the depth: the
// count and the emptying of a 10,000-level tree work under a limit of 32 open files.
TEST_F(TrashFaults, DeepTreesAreCountedAndRemovedInBoundedResources) {
  for (auto [levels, name] :
       {std::pair{10000, std::string("d")}, std::pair{4000, std::string(255, 'n')}}) {
    ASSERT_TRUE(MakeDeepTree(PutTrashInfo(trash, "deep"), name, levels, "abcdef"));
    const pid_t pid = fork();
    if (pid == 0) {
      rlimit few{32, 32};
      setrlimit(RLIMIT_NOFILE, &few);
      FreedesktopTrash bin(TrashAt(tmp / "data"));
      const bool sized = Query(bin) == Figures(1, 6);
      EmptyResult r = bin.empty(nullptr);
      _exit(sized && r.removed == 1 && r.left.empty() ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << levels;
    EXPECT_LT(usage.ru_maxrss, 200 * 1024) << "KiB at peak, " << levels << " levels";
    EXPECT_TRUE(fs::is_empty(trash / "files"));
  }
}

// trash-put writes the info file first and moves the item in after it: an emptying in between
// leaves that info file, so the item arrives with it. An old orphan still goes.
TEST_F(TrashFaults, AnItemBeingTrashedKeepsItsInfoFile) {
  PutTrashInfo(trash, "old-orphan");
  Age(trash / "info" / "old-orphan.trashinfo");
  const fs::path arriving = PutTrashInfo(trash, "arriving");
  WriteFile(tmp / "arriving", "12345");
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  EmptyResult r = bin.empty(nullptr);
  EXPECT_EQ(r.removed, 1);
  EXPECT_TRUE(r.left.empty());
  fs::rename(tmp / "arriving", arriving);
  EXPECT_EQ(Query(bin), Figures(1, 5));
  EXPECT_TRUE(fs::exists(trash / "info" / "arriving.trashinfo"));
}

// A 255-byte name that is no UTF-8 is shortened to a name of its own bytes, not to nothing.
TEST_F(TrashFaults, ALongNameOfNonUtf8BytesIsTrashed) {
  const std::string name(255, '\xA9');
  WriteFile(tmp / "in" / name, "latin-1");
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  MoveResult r = bin.moveToTrash({tmp / "in" / name});
  ASSERT_TRUE(r.ok) << r.stayed.at(0).second;
  int found = 0;
  for (auto& e : fs::directory_iterator(trash / "files")) {
    EXPECT_EQ(e.path().filename().string().find_first_not_of('\xA9'), std::string::npos);
    EXPECT_EQ(ReadFile(e.path()), "latin-1");
    ++found;
  }
  EXPECT_EQ(found, 1);
  EXPECT_EQ(Query(bin), Figures(1, 7));
}
