// Count and size of the trashes: exact figures, both volume trash forms, the kept sizes and the
// mount table followed live.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;
using platform::FreedesktopTrash;

static std::string Uid() { return std::to_string(getuid()); }

// Files, folders, links and sparse files, in the home trash and in a volume's own trash.
TEST(TrashQuery, CountAndSizeAreExact) {
  for (bool onVolume : {false, true}) {
    SCOPED_TRACE(onVolume ? "volume trash" : "home trash");
    TempDir tmp;
    fs::path trash = tmp / "data" / "Trash";
    std::unique_ptr<TmpfsMount> vol;
    if (onVolume && !(vol = std::make_unique<TmpfsMount>(tmp / "vol"))->ok())
      GTEST_SKIP() << vol->error();
    if (vol) trash = vol->path() / (".Trash-" + Uid());
    FreedesktopTrash bin(TrashAt(tmp / "data", {tmp / "vol"}));
    EXPECT_EQ(Query(bin), Figures(0, 0)) << "no trash at all yet";

    WriteFile(PutTrashInfo(trash, "a.txt"), std::string(10, 'x'));
    const fs::path dir = PutTrashInfo(trash, "dir");
    WriteFile(dir / "sub" / "two", "abcd");
    // Links count as themselves (the length of their target), never followed.
    WriteFile(tmp / "big", std::string(5000, 'z'));
    fs::create_symlink(tmp / "big", dir / "sub" / "link");
    fs::create_directory_symlink(tmp.path(), dir / "loop");
    fs::create_symlink("abcdef", PutTrashInfo(trash, "link"));
    constexpr std::int64_t kGiB = 1024LL * 1024 * 1024;
    for (auto [file, size] : {std::pair{PutTrashInfo(trash, "sparse3"), 3 * kGiB},
                              std::pair{PutTrashInfo(trash, "deep") / "in" / "five", 5 * kGiB}}) {
      WriteFile(file, "");
      fs::resize_file(file, static_cast<std::uintmax_t>(size));
    }
    const auto links = (tmp / "big").string().size() + tmp.path().string().size() + 6;
    EXPECT_EQ(Query(bin), Figures(5, 10 + 4 + static_cast<std::int64_t>(links) + 8 * kGiB));
  }
}

TEST(TrashQuery, KeptSizesFollowAddedRemovedAndChangedEntries) {
  TempDir tmp;
  const fs::path trash = tmp / "data" / "Trash", dir = PutTrashInfo(trash, "dir");
  WriteFile(dir / "f", std::string(100, 'f'));
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  EXPECT_EQ(Query(bin), Figures(1, 100));
  // A trashed folder is measured once: a change inside counts once its .trashinfo changes time.
  WriteFile(dir / "g", std::string(50, 'g'));
  EXPECT_EQ(Query(bin), Figures(1, 100));
  struct timespec times[2] = {{1000000, 0}, {1000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (trash / "info" / "dir.trashinfo").c_str(), times, 0), 0);
  EXPECT_EQ(Query(bin), Figures(1, 150));

  WriteFile(PutTrashInfo(trash, "new"), "1234567");
  EXPECT_EQ(Query(bin), Figures(2, 157));
  fs::remove_all(dir);
  fs::remove(trash / "info" / "dir.trashinfo");
  EXPECT_EQ(Query(bin), Figures(1, 7));
}

TEST(TrashQuery, VolumeTrashesInBothFormsAndOnlyWhenSafe) {
  TempDir tmp;
  TmpfsMount vol(tmp / "vol");
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  const fs::path top = vol.path(), shared = top / ".Trash";
  FreedesktopTrash bin(TrashAt(tmp / "data", {top}));
  WriteFile(PutTrashInfo(top / (".Trash-" + Uid()), "private"), std::string(11, 'p'));
  ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
  ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
  WriteFile(PutTrashInfo(shared / Uid(), "shared"), std::string(22, 's'));
  EXPECT_EQ(Query(bin), Figures(1, 11)) << "a .Trash without the sticky bit is not used";
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  EXPECT_EQ(Query(bin), Figures(2, 33));
  // Nor a .Trash swapped for a link to a sticky folder elsewhere.
  fs::rename(shared, top / "real-shared");
  fs::create_directory_symlink("real-shared", shared);
  EXPECT_EQ(Query(bin), Figures(1, 11));
}

TEST(TrashQuery, FollowsTheMountTable) {
  TempDir tmp;
  auto vol = std::make_unique<TmpfsMount>(tmp / "mi volumen");  // the table escapes the blank
  if (!vol->ok()) GTEST_SKIP() << vol->error();
  platform::TrashSettings s = TrashAt(tmp / "data");
  s.topDirs.reset();
  FreedesktopTrash bin(s);
  const Figures before = Query(bin);
  // As another program does: the volume trash appears after we started.
  WriteFile(PutTrashInfo(vol->path() / (".Trash-" + Uid()), "late"), std::string(100, 'l'));
  EXPECT_EQ(Query(bin), Figures(before.first + 1, before.second + 100));
  vol.reset();
  EXPECT_EQ(Query(bin), before);
}
