// Emptying: everything of the trash goes, nothing outside it does, and what cannot go stays
// counted. (Volume trashes are in test_trash_move.)
#include <gtest/gtest.h>
#include <sys/mount.h>

#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;
using platform::EmptyResult;
using platform::FreedesktopTrash;

// An outside folder that every emptying must leave alone.
struct Outside {
  explicit Outside(const fs::path& d) : dir(d) { WriteFile(dir / "sub" / "b", "keep"); }
  bool intact() const { return fs::exists(dir / "sub" / "b"); }
  fs::path dir;
};

// Links are counted as themselves (the length of their target) and removed as links; a folder
// swapped for a link just before it is opened does not lead outside either.
TEST(TrashEmpty, RemovesEverythingButNeverWhatLinksPointTo) {
  TempDir tmp;
  const fs::path trash = tmp / "data" / "Trash";
  Outside out(tmp / "outside");
  WriteFile(PutTrashInfo(trash, "file"), "1");
  WriteFile(PutTrashInfo(trash, "dir") / "deep" / "f", "2");
  fs::create_directory_symlink(out.dir, trash / "files" / "dir" / "inner-link");
  fs::create_directory_symlink(out.dir, PutTrashInfo(trash, "dirlink"));
  WriteFile(trash / "files" / "no-info", "3");
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  const auto link = static_cast<std::int64_t>(out.dir.string().size());
  ASSERT_EQ(Query(bin), Figures(3, 3 + 2 * link)) << "no-info counts in the size only";
  EXPECT_EQ(bin.empty([](std::int64_t, std::int64_t) { return false; }).removed, 0);
  ASSERT_EQ(Query(bin).first, 3) << "stopped when asked";

  WriteFile(PutTrashInfo(trash, "victim") / "v", "v");
  WriteFile(PutTrashInfo(trash, "nest") / "inner" / "w", "w");
  int swaps = 0;
  bin.setDescendHook([&](const fs::path& dir) {
    if (dir.filename() != "victim" && dir.filename() != "inner") return;
    fs::rename(dir, tmp / ("moved-" + std::to_string(swaps++)));
    fs::create_directory_symlink(out.dir, dir);
  });
  EmptyResult r = bin.empty(nullptr);
  EXPECT_EQ(r.removed, 6);
  EXPECT_EQ(swaps, 2);
  EXPECT_TRUE(r.left.empty());
  EXPECT_TRUE(fs::is_empty(trash / "files") && fs::is_empty(trash / "info"));
  EXPECT_TRUE(out.intact());
  EXPECT_EQ(Query(bin), Figures(0, 0));

  // A trash whose files/ is a link is left whole.
  PutTrashInfo(trash, "a");
  fs::remove(trash / "files");
  fs::create_directory_symlink(out.dir, trash / "files");
  EXPECT_EQ(bin.empty(nullptr).left, std::vector<fs::path>{trash});
  EXPECT_TRUE(out.intact() && fs::exists(trash / "info" / "a.trashinfo"));
}

// Another volume, or a bind mount of this one (the same device number), inside a trashed
// folder is a mount all the same: neither the count nor the emptying goes through it, and
// both items stay listed and counted.
TEST(TrashEmpty, NeverEntersAMountInsideTheTrash) {
  TempDir tmp;
  const fs::path trash = tmp / "data" / "Trash", bound = PutTrashInfo(trash, "project") / "data";
  TmpfsMount usb(PutTrashInfo(trash, "usb"));
  if (!usb.ok()) GTEST_SKIP() << usb.error();
  WriteFile(usb.path() / "other-volume", "kept");
  Outside out(tmp / "outside");
  fs::create_directories(bound);
  ASSERT_EQ(mount(out.dir.c_str(), bound.c_str(), nullptr, MS_BIND, nullptr), 0);
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  EXPECT_EQ(Query(bin), Figures(2, 0));
  EmptyResult r = bin.empty(nullptr);
  std::sort(r.left.begin(), r.left.end());
  EXPECT_EQ(r.left, (std::vector<fs::path>{trash / "files" / "project", usb.path()}));
  EXPECT_EQ(Query(bin), Figures(2, 0));
  EXPECT_EQ(ReadFile(usb.path() / "other-volume"), "kept");
  EXPECT_TRUE(out.intact());
  umount2(bound.c_str(), MNT_DETACH);
}
