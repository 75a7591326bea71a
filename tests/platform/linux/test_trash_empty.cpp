// Counting and emptying: exact figures kept until an entry changes; everything of the trash
// goes, nothing outside it does, and what cannot go stays listed with its info file. (The
// volume trashes are counted in test_trash_move.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Apparent sizes of sparse files; links count as themselves (their target's length), never
// followed. A folder is measured once: a change inside counts once its .trashinfo changes time.
TEST(TrashQuery, CountAndSizeAreExactAndKeptUntilAnEntryChanges) {
  TempDir tmp;
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  EXPECT_EQ(Query(bin), Figures(0, 0)) << "no trash at all yet";
  const fs::path trash = tmp / "data" / "Trash", dir = PutTrashInfo(trash, "dir");
  WriteFile(dir / "f", std::string(100, 'f'));
  fs::create_directory_symlink(tmp.path(), dir / "loop");
  fs::create_symlink("abcdef", PutTrashInfo(trash, "link"));
  const fs::path sparse = PutTrashInfo(trash, "sparse");
  WriteFile(sparse, "");
  fs::resize_file(sparse, 3ULL << 30);
  const std::int64_t base = 100 + static_cast<std::int64_t>(tmp.path().string().size()) + 6;
  EXPECT_EQ(Query(bin), Figures(3, base + (3LL << 30)));

  WriteFile(dir / "g", std::string(50, 'g'));
  EXPECT_EQ(Query(bin).second, base + (3LL << 30));
  struct timespec times[2] = {{1000000, 0}, {1000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (trash / "info" / "dir.trashinfo").c_str(), times, 0), 0);
  EXPECT_EQ(Query(bin).second, base + 50 + (3LL << 30));
  fs::remove(sparse);
  fs::remove(trash / "info" / "sparse.trashinfo");
  EXPECT_EQ(Query(bin), Figures(2, base + 50));
}

TEST(TrashEmpty, RemovesEverythingButNeverWhatLinksPointTo) {
  TempDir tmp;
  const fs::path trash = tmp / "data" / "Trash";
  Outside out(tmp / "outside");
  WriteFile(PutTrashInfo(trash, "file"), "1");
  WriteFile(PutTrashInfo(trash, "dir") / "deep" / "f", "2");
  fs::create_directory_symlink(out.dir, trash / "files" / "dir" / "inner-link");
  fs::create_directory_symlink(out.dir, PutTrashInfo(trash, "dirlink"));
  PutTrashInfo(trash, "orphan");
  Age(trash / "info" / "orphan.trashinfo");
  WriteFile(trash / "files" / "no-info", "3");
  WriteFile(trash / "directorysizes", "4096 1714550400 dir\n4096 1714550400 other%20one\n");
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  ASSERT_EQ(Query(bin).first, 4);
  EXPECT_EQ(bin.empty([](std::int64_t, std::int64_t) { return false; }).removed, 0);
  ASSERT_EQ(Query(bin).first, 4) << "stopped when asked";

  EmptyResult r = bin.empty(nullptr);
  EXPECT_EQ(r.removed, 5);
  EXPECT_TRUE(r.left.empty());
  EXPECT_TRUE(fs::is_empty(trash / "files") && fs::is_empty(trash / "info"));
  EXPECT_EQ(ReadFile(trash / "directorysizes"), "4096 1714550400 other%20one\n");
  EXPECT_TRUE(out.intact());
  EXPECT_EQ(Query(bin), Figures(0, 0));

  // A trash whose files/ is a link is left whole.
  PutTrashInfo(trash, "a");
  fs::remove(trash / "files");
  fs::create_directory_symlink(out.dir, trash / "files");
  EXPECT_EQ(bin.empty(nullptr).left, std::vector<fs::path>{trash});
  EXPECT_TRUE(out.intact() && fs::exists(trash / "info" / "a.trashinfo"));
}

TEST(TrashEmpty, FolderSwappedForALinkWhileEmptyingDoesNotLeadOutside) {
  TempDir tmp;
  const fs::path trash = tmp / "data" / "Trash";
  Outside out(tmp / "outside");
  WriteFile(PutTrashInfo(trash, "victim") / "v", "v");
  WriteFile(PutTrashInfo(trash, "nest") / "inner" / "w", "w");
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  int swaps = 0;  // just before a folder is opened, someone puts a link in its place
  bin.setDescendHook([&](const fs::path& dir) {
    if (dir.filename() != "victim" && dir.filename() != "inner") return;
    fs::rename(dir, tmp / ("moved-" + std::to_string(swaps++)));
    fs::create_directory_symlink(out.dir, dir);
  });
  EXPECT_EQ(bin.empty(nullptr).removed, 2);
  EXPECT_EQ(swaps, 2);
  EXPECT_TRUE(out.intact());
  EXPECT_TRUE(fs::is_empty(trash / "files"));
}

TEST(TrashEmpty, WhatCannotBeRemovedStaysListedWithItsInfo) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  const fs::path trash = tmp / "data" / "Trash", stuck = PutTrashInfo(trash, "stuck");
  WriteFile(stuck / "ro" / "f", "cannot go");
  WriteFile(stuck / "loose", "can go");
  WriteFile(PutTrashInfo(trash, "gone") / "g", "g");
  fs::permissions(stuck / "ro", fs::perms(0555));
  std::string out = RunAsNobody(tmp / "data", [&] {
    FreedesktopTrash bin(TrashAt(tmp / "data", {}, kNobody));
    EmptyResult r = bin.empty(nullptr);
    std::string text = "removed=" + std::to_string(r.removed);
    for (auto& p : r.left) text += "|" + p.string();
    const Figures f = Query(bin);
    return text + "|" + std::to_string(f.first) + "," + std::to_string(f.second);
  });
  EXPECT_EQ(out, "removed=1|" + stuck.string() + "|1,9");
  EXPECT_EQ(ReadFile(stuck / "ro" / "f"), "cannot go");
  EXPECT_TRUE(fs::exists(trash / "info" / "stuck.trashinfo"));
  EXPECT_FALSE(fs::exists(trash / "info" / "gone.trashinfo"));
}

// Another volume, or a bind mount of this one (the same device number), inside a trashed
// folder is a mount all the same: neither the count nor the emptying goes through it.
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
  EXPECT_EQ(ReadFile(usb.path() / "other-volume"), "kept");
  EXPECT_TRUE(out.intact());
  umount2(bound.c_str(), MNT_DETACH);
}
