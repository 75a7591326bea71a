// Count and size of the trashes: exact figures, both volume trash forms, the
// kept sizes and the mount table followed live.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/FreedesktopTrash.h"
#include "support/TempDir.h"
#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using platform::BinQuery;
using platform::FreedesktopTrash;
using platform::TrashSettings;
using testsupport::PutTrashInfo;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr std::int64_t kGiB = 1024LL * 1024 * 1024;

TrashSettings Settings(const fs::path& data, std::vector<fs::path> tops = {}) {
  TrashSettings s;
  s.dataHome = data;
  s.uid = getuid();
  s.topDirs = std::move(tops);
  return s;
}

std::string Uid() { return std::to_string(getuid()); }

// A file of n bytes in the trash, with its info.
void TrashFile(const fs::path& trash, const std::string& name, std::size_t n) {
  PutTrashInfo(trash, name, "/x/" + name);
  WriteFile(trash / "files" / name, std::string(n, 'x'));
}

}  // namespace

TEST(TrashQuery, HomeTrashCountsFilesFoldersLinksAndSparseFilesExactly) {
  TempDir tmp;
  FreedesktopTrash bin(Settings(tmp / "data"));
  BinQuery q = bin.query();  // no trash at all yet
  EXPECT_EQ(q.count, 0);
  EXPECT_EQ(q.size, 0);

  fs::path trash = tmp / "data" / "Trash";
  TrashFile(trash, "a.txt", 10);
  PutTrashInfo(trash, "dir", "/x/dir");
  WriteFile(trash / "files" / "dir" / "one", std::string(3, 'a'));
  WriteFile(trash / "files" / "dir" / "sub" / "two", std::string(4, 'b'));
  // Links count as themselves (the length of their target), never followed.
  WriteFile(tmp / "big", std::string(5000, 'z'));
  fs::create_symlink(tmp / "big", trash / "files" / "dir" / "sub" / "link");
  fs::create_directory_symlink(tmp.path(), trash / "files" / "dir" / "loop");
  PutTrashInfo(trash, "link", "/x/link");
  fs::create_symlink("abcdef", trash / "files" / "link");
  PutTrashInfo(trash, "sparse3", "/x/sparse3");
  ASSERT_TRUE(testsupport::MakeSparseFile(trash / "files" / "sparse3", 3 * kGiB));
  PutTrashInfo(trash, "deep", "/x/deep");
  fs::create_directories(trash / "files" / "deep" / "in");
  ASSERT_TRUE(testsupport::MakeSparseFile(trash / "files" / "deep" / "in" / "five", 5 * kGiB));

  const std::int64_t links = static_cast<std::int64_t>((tmp / "big").string().size()) +
                             static_cast<std::int64_t>(tmp.path().string().size());
  q = bin.query();
  EXPECT_EQ(q.count, 5);
  EXPECT_EQ(q.size, 10 + 3 + 4 + links + 6 + 3 * kGiB + 5 * kGiB);

  // A fresh adapter agrees, and the figure of the sparse files is exact.
  FreedesktopTrash fresh(Settings(tmp / "data"));
  EXPECT_EQ(fresh.query().size, q.size);
  EXPECT_EQ(q.size - (10 + 3 + 4 + links + 6), 8589934592LL);
}

TEST(TrashQuery, KeptSizesFollowAddedRemovedAndReplacedEntries) {
  TempDir tmp;
  fs::path trash = tmp / "data" / "Trash";
  PutTrashInfo(trash, "dir", "/x/dir");
  WriteFile(trash / "files" / "dir" / "f", std::string(100, 'f'));
  FreedesktopTrash bin(Settings(tmp / "data"));
  EXPECT_EQ(bin.query().size, 100);

  // A trashed folder is measured once: a change deep inside it is not seen
  // until its .trashinfo changes time.
  WriteFile(trash / "files" / "dir" / "g", std::string(50, 'g'));
  EXPECT_EQ(bin.query().size, 100);
  struct timespec times[2] = {{1000000, 0}, {1000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (trash / "info" / "dir.trashinfo").c_str(), times, 0), 0);
  EXPECT_EQ(bin.query().size, 150);

  TrashFile(trash, "new", 7);
  BinQuery q = bin.query();
  EXPECT_EQ(q.count, 2);
  EXPECT_EQ(q.size, 157);

  fs::remove_all(trash / "files" / "dir");
  fs::remove(trash / "info" / "dir.trashinfo");
  q = bin.query();
  EXPECT_EQ(q.count, 1);
  EXPECT_EQ(q.size, 7);

  // A file in the trash that grows is measured again.
  WriteFile(trash / "files" / "new", std::string(9, 'n'));
  EXPECT_EQ(bin.query().size, 9);

  // The whole trash deleted, then made again by another program.
  fs::remove_all(trash);
  q = bin.query();
  EXPECT_EQ(q.count, 0);
  EXPECT_EQ(q.size, 0);
  TrashFile(trash, "again", 3);
  q = bin.query();
  EXPECT_EQ(q.count, 1);
  EXPECT_EQ(q.size, 3);

  // Moved aside whole: no longer the trash.
  fs::rename(tmp / "data", tmp / "data-old");
  EXPECT_EQ(bin.query().count, 0);
}

TEST(TrashQuery, VolumeTrashesInBothFormsAndOnlyWhenSafe) {
  TempDir tmp;
  testsupport::TmpfsMount vol(tmp / "vol");
  if (!vol.ok()) GTEST_SKIP() << "cannot mount a tmpfs here: " << vol.error();
  FreedesktopTrash bin(Settings(tmp / "data", {vol.path()}));

  TrashFile(vol.path() / (".Trash-" + Uid()), "private", 11);
  ASSERT_EQ(mkdir((vol.path() / ".Trash").c_str(), 0777), 0);
  ASSERT_EQ(chmod((vol.path() / ".Trash").c_str(), 0777), 0);  // not sticky yet
  TrashFile(vol.path() / ".Trash" / Uid(), "shared", 22);
  BinQuery q = bin.query();
  EXPECT_EQ(q.count, 1) << "a .Trash without the sticky bit is not used";
  EXPECT_EQ(q.size, 11);

  ASSERT_EQ(chmod((vol.path() / ".Trash").c_str(), 01777), 0);
  q = bin.query();
  EXPECT_EQ(q.count, 2);
  EXPECT_EQ(q.size, 33);

  // .Trash swapped for a link to a sticky folder elsewhere: not used.
  fs::rename(vol.path() / ".Trash", vol.path() / "real-shared");
  fs::create_directory_symlink("real-shared", vol.path() / ".Trash");
  q = bin.query();
  EXPECT_EQ(q.count, 1);
  EXPECT_EQ(q.size, 11);

  // A .Trash-$uid that is not ours is not used either.
  testsupport::ChownTree(vol.path() / (".Trash-" + Uid()), getuid() == 0 ? 65534 : 0);
  FreedesktopTrash other(Settings(tmp / "data", {vol.path()}));
  EXPECT_EQ(other.query().count, 0);
}

TEST(TrashQuery, FollowsMountsAndTrashesThatAppearLater) {
  TempDir tmp;
  std::string why;
  if (!testsupport::PrivateMounts(&why)) GTEST_SKIP() << "no private mounts: " << why;
  TrashSettings s = Settings(tmp / "data");
  s.topDirs.reset();  // the live mount table
  FreedesktopTrash bin(s);
  const BinQuery before = bin.query();

  {
    // A blank in the mount point: the mount table escapes it.
    testsupport::TmpfsMount vol(tmp / "mi volumen");
    if (!vol.ok()) GTEST_SKIP() << "cannot mount a tmpfs here: " << vol.error();
    EXPECT_EQ(bin.query().count, before.count);
    // As another program does: the volume trash appears after we started.
    TrashFile(vol.path() / (".Trash-" + Uid()), "late", 100);
    BinQuery q = bin.query();
    EXPECT_EQ(q.count, before.count + 1);
    EXPECT_EQ(q.size, before.size + 100);
  }
  BinQuery after = bin.query();
  EXPECT_EQ(after.count, before.count);
  EXPECT_EQ(after.size, before.size);
}
