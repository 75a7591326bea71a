// Emptying: everything of the trash goes, nothing outside it does, what cannot go stays counted.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;
using platform::EmptyResult;
using platform::FreedesktopTrash;

class TrashEmpty : public ::testing::Test {
 protected:
  TempDir tmp;
  const fs::path trash = tmp / "data" / "Trash", outside = tmp / "outside";
  void SetUp() override { WriteFile(outside / "sub" / "b", "keep"); }
  bool intact() const { return fs::exists(outside / "sub" / "b"); }
};

// Links count their target's length and go as links, also a folder swapped for one as it opens.
TEST_F(TrashEmpty, RemovesEverythingButNeverWhatLinksPointTo) {
  WriteFile(PutTrashInfo(trash, "file"), "1");
  WriteFile(PutTrashInfo(trash, "dir") / "deep" / "f", "2");
  fs::create_directory_symlink(outside, trash / "files" / "dir" / "inner-link");
  fs::create_directory_symlink(outside, PutTrashInfo(trash, "dirlink"));
  WriteFile(trash / "files" / "no-info", "3");
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  const auto link = static_cast<std::int64_t>(outside.string().size());
  ASSERT_EQ(Query(bin), Figures(3, 3 + 2 * link)) << "no-info counts in the size only";
  EXPECT_EQ(bin.empty([](std::int64_t, std::int64_t) { return false; }).removed, 0) << "stopped";

  WriteFile(PutTrashInfo(trash, "victim") / "v", "v");
  WriteFile(PutTrashInfo(trash, "nest") / "inner" / "w", "w");
  int swaps = 0;
  bin.setDescendHook([&](const fs::path& dir) {
    if (dir.filename() != "victim" && dir.filename() != "inner") return;
    fs::rename(dir, tmp / ("moved-" + std::to_string(swaps++)));
    fs::create_directory_symlink(outside, dir);
  });
  EmptyResult r = bin.empty(nullptr);
  EXPECT_EQ(r.removed, 6);
  EXPECT_EQ(swaps, 2);
  EXPECT_TRUE(r.left.empty());
  EXPECT_TRUE(fs::is_empty(trash / "files") && fs::is_empty(trash / "info"));
  EXPECT_TRUE(intact());

  // A trash whose files/ is a link is left whole.
  PutTrashInfo(trash, "a");
  fs::remove(trash / "files");
  fs::create_directory_symlink(outside, trash / "files");
  EXPECT_EQ(bin.empty(nullptr).left, std::vector<fs::path>{trash});
  EXPECT_TRUE(intact() && fs::exists(trash / "info" / "a.trashinfo"));
}

// A bind mount of this volume (the same device number) is a mount too; one on files/ or info/
// is not the trash's: the trash is left whole and reported.
TEST_F(TrashEmpty, NeverEntersAMountInTheTrash) {
  const fs::path bound = PutTrashInfo(trash, "project") / "data";
  TmpfsMount usb(PutTrashInfo(trash, "usb"));
  if (!usb.ok()) GTEST_SKIP() << usb.error();
  WriteFile(usb.path() / "other-volume", "kept");
  fs::create_directories(bound);
  ASSERT_EQ(mount(outside.c_str(), bound.c_str(), nullptr, MS_BIND, nullptr), 0);
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  EmptyResult r = bin.empty(nullptr);
  std::sort(r.left.begin(), r.left.end());
  EXPECT_EQ(r.left, (std::vector<fs::path>{trash / "files" / "project", usb.path()}));
  EXPECT_EQ(Query(bin), Figures(2, 0));
  EXPECT_EQ(ReadFile(usb.path() / "other-volume"), "kept");
  umount2(bound.c_str(), MNT_DETACH);
  WriteFile(outside / "notes.trashinfo", "[Trash Info]\n");
  for (const char* sub : {"files", "info"}) {
    ASSERT_EQ(mount(outside.c_str(), (trash / sub).c_str(), nullptr, MS_BIND, nullptr), 0);
    r = FreedesktopTrash(TrashAt(tmp / "data")).empty(nullptr);
    EXPECT_EQ(r.removed, 0) << sub;
    EXPECT_EQ(r.left, std::vector<fs::path>{trash}) << sub;
    umount2((trash / sub).c_str(), MNT_DETACH);
    EXPECT_TRUE(intact() && fs::exists(outside / "notes.trashinfo")) << sub;
  }
}

// Reached through a bind mount of its volume, the home or a folder above the trash stays.
TEST_F(TrashEmpty, HomeThroughABindMountStays) {
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
  platform::MoveResult r =
      bin.moveToTrash({aliasHome, aliasHome / ".local", aliasHome / "work/../.local/share/Trash",
                       aliasHome / ".local/share/Trash/files/old"});
  ASSERT_EQ(r.stayed.size(), 4u);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(r.stayed[i].second, i < 2 ? "contiene la papelera" : "está en la papelera") << i;

  // A home that does not hold the trash is still never trashed.
  settings.dataHome = tmp / "elsewhere";
  r = FreedesktopTrash(settings).moveToTrash({aliasHome});
  ASSERT_EQ(r.stayed.size(), 1u);
  EXPECT_EQ(r.stayed[0].second, "es la carpeta personal");

  EXPECT_EQ(bin.empty(nullptr).removed, 1);
  EXPECT_EQ(ReadFile(home / "work" / "thesis.txt"), "years of it");
  umount2(alias.c_str(), MNT_DETACH);
}

// A btrfs subvolume has its own device number but no mount entry (else a volume missing from the
// tops stands in): what the move puts in its trash is counted and emptied, also by a later run.
TEST_F(TrashEmpty, ATrashTheMoveFoundIsCountedAndEmptied) {
  const fs::path btrfs = tmp / "btrfs";
  const bool real = MountImage(btrfs, "btrfs", "VMs").empty();
  std::optional<TmpfsMount> standIn;
  if (!real) standIn.emplace(tmp / "VMs");
  if (standIn && !standIn->ok()) GTEST_SKIP() << standIn->error();
  const fs::path vms = real ? btrfs / "VMs" : standIn->path();
  const std::vector<fs::path> tops = real ? std::vector<fs::path>{btrfs} : std::vector<fs::path>{};
  WriteFile(vms / "disk.img", std::string(1 << 20, 'v'));
  FreedesktopTrash bin(TrashAt(tmp / "data", tops));
  ASSERT_TRUE(bin.moveToTrash({vms / "disk.img"}).ok);
  const fs::path own = vms / (".Trash-" + std::to_string(getuid()));
  EXPECT_EQ(fs::file_size(own / "files" / "disk.img"), 1u << 20);
  EXPECT_EQ(Query(bin), Figures(1, 1 << 20));
  FreedesktopTrash later(TrashAt(tmp / "data", tops));
  EXPECT_EQ(Query(later), Figures(1, 1 << 20));
  EmptyResult r = later.empty(nullptr);
  EXPECT_EQ(r.removed, 1);
  EXPECT_TRUE(r.left.empty());
  EXPECT_EQ(Query(bin), Figures(0, 0));
  standIn.reset();
  if (real) umount2(btrfs.c_str(), MNT_DETACH);
}

// Info files that cannot go keep their items counted and reported left, every time; a folder or
// an old one alone goes, a young one stays (trash-put writes it before moving the item in).
TEST_F(TrashEmpty, InfoFilesThatStayAreReportedLeft) {
  WriteFile(PutTrashInfo(trash, "odd"), "x");
  fs::remove(trash / "info" / "odd.trashinfo");
  WriteFile(trash / "info" / "odd.trashinfo" / "inside", "x");
  PutTrashInfo(trash, "old-orphan");
  Age(trash / "info" / "old-orphan.trashinfo");
  const fs::path arriving = PutTrashInfo(trash, "arriving");
  FreedesktopTrash ours(TrashAt(tmp / "data"));
  const EmptyResult first = ours.empty(nullptr);
  EXPECT_EQ(first.removed, 2);
  EXPECT_TRUE(first.left.empty());
  WriteFile(arriving, "12345");
  EXPECT_EQ(Query(ours), Figures(1, 5));
  fs::remove(arriving);
  fs::remove(trash / "info" / "arriving.trashinfo");
  EXPECT_TRUE(fs::is_empty(trash / "info"));

  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  WriteFile(PutTrashInfo(trash, "a"), "aa");
  PutTrashInfo(trash, "b");
  for (const char* info : {"a.trashinfo", "b.trashinfo"}) Age(trash / "info" / info);
  std::string out = RunAsNobody(tmp / "data", [&] {
    fs::permissions(trash / "info", fs::perms(0555));
    FreedesktopTrash bin(TrashAt(tmp / "data", {}, kNobody));
    std::string text;
    for (int round = 0; round < 2; ++round) {
      EmptyResult r = bin.empty(nullptr);
      std::sort(r.left.begin(), r.left.end());
      text += std::to_string(r.removed);
      for (auto& p : r.left) text += "|" + p.filename().string();
      text += "|" + std::to_string(bin.query().count) + ";";
    }
    return text;
  });
  EXPECT_EQ(out, "0|a.trashinfo|b.trashinfo|2;0|a.trashinfo|b.trashinfo|2;");
  EXPECT_FALSE(fs::exists(trash / "files" / "a"));
}

// directorysizes is anybody's: a FIFO must not hang the emptying, a device not feed it for ever.
TEST_F(TrashEmpty, ADirectorySizesThatIsNoFileNeitherHangsNorCrashes) {
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

// A few files open and a name per level in memory, whatever the depth.
TEST_F(TrashEmpty, DeepTreesAreCountedAndRemovedInBoundedResources) {
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
