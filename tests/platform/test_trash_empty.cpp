// Emptying: everything of the trash goes, nothing outside it does, and what
// cannot go stays listed with its info file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/FreedesktopTrash.h"
#include "support/TempDir.h"
#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using platform::EmptyResult;
using platform::FreedesktopTrash;
using platform::TrashSettings;
using testsupport::PutTrashInfo;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

TrashSettings Settings(const fs::path& data, std::vector<fs::path> tops = {}) {
  TrashSettings s;
  s.dataHome = data;
  s.uid = getuid();
  s.topDirs = std::move(tops);
  return s;
}

// An outside folder that must survive every emptying.
void MakeOutside(const fs::path& dir) {
  WriteFile(dir / "a", "keep a");
  WriteFile(dir / "sub" / "b", "keep b");
}

void ExpectOutsideIntact(const fs::path& dir) {
  EXPECT_EQ(ReadFile(dir / "a"), "keep a");
  EXPECT_EQ(ReadFile(dir / "sub" / "b"), "keep b");
}

}  // namespace

TEST(TrashEmpty, RemovesEverythingButNeverWhatLinksPointTo) {
  TempDir tmp;
  fs::path trash = tmp / "data" / "Trash";
  MakeOutside(tmp / "outside");
  PutTrashInfo(trash, "file", "/x/file");
  WriteFile(trash / "files" / "file", "1");
  PutTrashInfo(trash, "dir", "/x/dir");
  WriteFile(trash / "files" / "dir" / "deep" / "f", "2");
  fs::create_directory_symlink(tmp / "outside", trash / "files" / "dir" / "inner-link");
  PutTrashInfo(trash, "dirlink", "/x/dirlink");
  fs::create_directory_symlink(tmp / "outside", trash / "files" / "dirlink");
  PutTrashInfo(trash, "orphan", "/x/orphan");   // info without entry
  WriteFile(trash / "files" / "no-info", "3");  // entry without info
  WriteFile(trash / "directorysizes", "4096 1714550400 dir\n4096 1714550400 other%20one\n");
  FreedesktopTrash bin(Settings(tmp / "data"));
  ASSERT_EQ(bin.query().count, 4);

  std::vector<std::pair<std::int64_t, std::int64_t>> calls;
  EmptyResult r = bin.empty([&](std::int64_t done, std::int64_t total) {
    calls.emplace_back(done, total);
    return true;
  });
  EXPECT_EQ(r.removed, 5);
  EXPECT_TRUE(r.left.empty());
  EXPECT_TRUE(fs::is_empty(trash / "files"));
  EXPECT_TRUE(fs::is_empty(trash / "info"));
  EXPECT_EQ(ReadFile(trash / "directorysizes"), "4096 1714550400 other%20one\n");
  ExpectOutsideIntact(tmp / "outside");
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), std::make_pair(std::int64_t{0}, std::int64_t{5}));
  EXPECT_EQ(calls.back(), std::make_pair(std::int64_t{5}, std::int64_t{5}));
  auto q = bin.query();
  EXPECT_EQ(q.count, 0);
  EXPECT_EQ(q.size, 0);
}

TEST(TrashEmpty, FolderSwappedForALinkWhileEmptyingDoesNotLeadOutside) {
  TempDir tmp;
  fs::path trash = tmp / "data" / "Trash";
  MakeOutside(tmp / "outside");
  PutTrashInfo(trash, "victim", "/x/victim");
  WriteFile(trash / "files" / "victim" / "v", "v");
  PutTrashInfo(trash, "nest", "/x/nest");
  WriteFile(trash / "files" / "nest" / "inner" / "w", "w");
  FreedesktopTrash bin(Settings(tmp / "data"));

  // Just before a folder is opened, someone puts a link in its place.
  int swaps = 0;
  bin.setDescendHook([&](const fs::path& dir) {
    if (dir.filename() != "victim" && dir.filename() != "inner") return;
    fs::rename(dir, tmp / ("moved-" + std::to_string(swaps++)));
    fs::create_directory_symlink(tmp / "outside", dir);
  });
  EmptyResult r = bin.empty(nullptr);
  EXPECT_EQ(swaps, 2);
  ExpectOutsideIntact(tmp / "outside");
  EXPECT_TRUE(fs::is_empty(trash / "files"));
  EXPECT_EQ(r.removed, 2);
}

TEST(TrashEmpty, WhatCannotBeRemovedStaysListedWithItsInfo) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  fs::path trash = tmp / "data" / "Trash";
  PutTrashInfo(trash, "stuck", "/x/stuck");
  WriteFile(trash / "files" / "stuck" / "ro" / "f", "cannot go");
  WriteFile(trash / "files" / "stuck" / "loose", "can go");
  PutTrashInfo(trash, "gone", "/x/gone");
  WriteFile(trash / "files" / "gone" / "g", "g");
  PutTrashInfo(trash, "plain", "/x/plain");
  WriteFile(trash / "files" / "plain", "p");
  testsupport::ChownTree(tmp / "data", 65534);
  fs::permissions(trash / "files" / "stuck" / "ro", fs::perms(0555));

  std::string out = testsupport::RunAsUser(65534, [&] {
    TrashSettings s = Settings(tmp / "data");
    s.uid = 65534;
    FreedesktopTrash bin(s);
    bin.query();
    EmptyResult r = bin.empty(nullptr);
    std::string text = "removed=" + std::to_string(r.removed);
    for (auto& p : r.left) text += "|" + p.string();
    auto q = bin.query();
    return text + "|count=" + std::to_string(q.count) + "|size=" + std::to_string(q.size);
  });
  EXPECT_EQ(out, "removed=2|" + (trash / "files" / "stuck").string() + "|count=1|size=9");
  EXPECT_EQ(ReadFile(trash / "files" / "stuck" / "ro" / "f"), "cannot go");
  EXPECT_FALSE(fs::exists(trash / "files" / "stuck" / "loose"));
  EXPECT_TRUE(fs::exists(trash / "info" / "stuck.trashinfo"));
  EXPECT_FALSE(fs::exists(trash / "info" / "gone.trashinfo"));
  EXPECT_FALSE(fs::exists(trash / "files" / "plain"));
}

TEST(TrashEmpty, StopsWhenAskedAndNeverEntersAMountInsideTheTrash) {
  TempDir tmp;
  fs::path trash = tmp / "data" / "Trash";
  PutTrashInfo(trash, "a", "/x/a");
  WriteFile(trash / "files" / "a", "a");
  FreedesktopTrash bin(Settings(tmp / "data"));
  EmptyResult r = bin.empty([](std::int64_t, std::int64_t) { return false; });
  EXPECT_EQ(r.removed, 0);
  EXPECT_EQ(ReadFile(trash / "files" / "a"), "a");

  PutTrashInfo(trash, "mounted", "/x/mounted");
  testsupport::TmpfsMount inside(trash / "files" / "mounted");
  if (!inside.ok()) GTEST_SKIP() << "cannot mount a tmpfs here: " << inside.error();
  WriteFile(inside.path() / "other-volume", "not the trash's");
  r = bin.empty(nullptr);
  EXPECT_EQ(r.removed, 1);
  ASSERT_EQ(r.left.size(), 1u);
  EXPECT_EQ(r.left[0], trash / "files" / "mounted");
  EXPECT_EQ(ReadFile(inside.path() / "other-volume"), "not the trash's");
}

TEST(TrashEmpty, TrashWhoseFilesFolderIsALinkIsLeftWhole) {
  TempDir tmp;
  fs::path trash = tmp / "data" / "Trash";
  MakeOutside(tmp / "outside");
  PutTrashInfo(trash, "a", "/x/a");
  fs::remove(trash / "files");
  fs::create_directory_symlink(tmp / "outside", trash / "files");
  FreedesktopTrash bin(Settings(tmp / "data"));
  EmptyResult r = bin.empty(nullptr);
  EXPECT_EQ(r.removed, 0);
  ASSERT_EQ(r.left.size(), 1u);
  EXPECT_EQ(r.left[0], trash);
  ExpectOutsideIntact(tmp / "outside");
  EXPECT_TRUE(fs::exists(trash / "info" / "a.trashinfo"));
}
