// Moving items into the trash of their own volume, and the items that must stay where they are.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;
using platform::FreedesktopTrash;
using platform::MoveResult;

static const std::string kUid = std::to_string(getuid());

// A 255-byte name that is no UTF-8 is shortened to its own bytes, not to nothing.
TEST(TrashMove, LinksGoAsLinksAndTakenNamesAreNeverOverwritten) {
  TempDir tmp;
  const fs::path trash = tmp / "data" / "Trash";
  WriteFile(tmp / "target", "tres");
  fs::create_symlink(tmp / "target", tmp / "enlace");
  // "link/.." is the link target's parent, as the kernel reads it.
  WriteFile(tmp / "via" / "x", "not asked for");
  WriteFile(tmp / "other" / "x", "A");
  fs::create_directories(tmp / "other" / "deep");
  fs::create_directory_symlink(tmp / "other" / "deep", tmp / "via" / "link");
  // Taken by an entry without info and by an info without entry.
  WriteFile(trash / "files" / "x", "huérfano");
  WriteFile(trash / "info" / "x.2.trashinfo", "[Trash Info]\nPath=/old\n");
  WriteFile(tmp / "b" / "x", "B");
  const std::string latin(255, '\xA9');
  WriteFile(tmp / "in" / latin, "latin-1");
  MoveResult r = FreedesktopTrash(TrashAt(tmp / "data"))
                     .moveToTrash({tmp / "enlace", tmp / "via/link/../x", tmp / "b" / "x",
                                   tmp / "in" / latin});
  ASSERT_TRUE(r.ok) << (r.stayed.empty() ? "" : r.stayed[0].second);
  EXPECT_TRUE(fs::is_symlink(trash / "files" / "enlace"));
  EXPECT_EQ(ReadFile(tmp / "target"), "tres");
  EXPECT_EQ(ReadFile(tmp / "via" / "x"), "not asked for");
  EXPECT_EQ(ReadFile(trash / "files" / "x"), "huérfano");
  EXPECT_EQ(ReadFile(trash / "info" / "x.2.trashinfo"), "[Trash Info]\nPath=/old\n");
  EXPECT_EQ(ReadFile(trash / "files" / "x.3"), "A");
  EXPECT_EQ(ReadFile(trash / "files" / "x.4"), "B");
  int shortened = 0;
  for (auto& e : fs::directory_iterator(trash / "files"))
    shortened += e.path().filename().string().find_first_not_of('\xA9') == std::string::npos &&
                 ReadFile(e.path()) == "latin-1";
  EXPECT_EQ(shortened, 1);
}

// A volume found in the live mount table; a move to a volume's own trash is in test_trash_empty.
TEST(TrashMove, ASharedVolumeTrashCountsOnlyWhileStickyAndNoLink) {
  TempDir tmp;
  TmpfsMount vol(tmp / "mi volumen");  // the table escapes the blank
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  platform::TrashSettings table = TrashAt(tmp / "data");
  table.topDirs.reset();
  FreedesktopTrash bin(table);
  const std::int64_t before = Query(bin).first;
  const fs::path shared = vol.path() / ".Trash";
  ASSERT_TRUE(mkdir(shared.c_str(), 0777) == 0 && chmod(shared.c_str(), 0777) == 0);
  PutTrashInfo(shared / kUid, "old");
  EXPECT_EQ(Query(bin).first, before) << "not sticky";
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  EXPECT_EQ(Query(bin).first, before + 1);
  fs::rename(shared, vol.path() / "real-shared");
  fs::create_directory_symlink("real-shared", shared);
  EXPECT_EQ(Query(bin).first, before) << "a link to a sticky one";
  fs::remove(shared);
  fs::rename(vol.path() / "real-shared", shared);
  EXPECT_EQ(Query(bin).first, before + 1);
  // Trashes that appear on a volume looked at before count at the next query.
  fs::rename(shared / kUid, shared / "aside");
  EXPECT_EQ(Query(bin).first, before);
  fs::rename(shared / "aside", shared / kUid);
  EXPECT_EQ(Query(bin).first, before + 1) << "inside the shared .Trash";
  PutTrashInfo(vol.path() / (".Trash-" + kUid), "own");
  EXPECT_EQ(Query(bin).first, before + 2) << "beside it";
}

TEST(TrashMove, ItemsThatCannotBeTrashedStayWhereTheyWere) {
  TempDir tmp;
  TmpfsMount unlisted(tmp / "unlisted");
  if (!unlisted.ok()) GTEST_SKIP() << unlisted.error();
  WriteFile(unlisted.path() / "elsewhere.txt", "kept");
  // A volume where no trash can be made.
  ASSERT_EQ(mount(nullptr, unlisted.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  WriteFile(tmp / "fine.txt", "ok");
  const fs::path trash = tmp / "data" / "Trash";
  WriteFile(trash / "files" / "old", "kept");
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  const std::vector<std::pair<fs::path, std::string>> stays = {
      {tmp / "missing", "no existe"},
      {unlisted.path() / "elsewhere.txt", "no hay papelera en su volumen"},
      {trash, "está en la papelera"},
      {trash / "files" / "old", "está en la papelera"},
      {tmp / "data", "contiene la papelera"},
      {unlisted.path(), "es un punto de montaje"}};
  std::vector<fs::path> items = {tmp / "fine.txt"};
  for (auto& s : stays) items.push_back(s.first);
  MoveResult r = bin.moveToTrash(items);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.stayed, stays);
  EXPECT_FALSE(fs::exists(tmp / "fine.txt"));
  for (int i : {1, 3}) EXPECT_EQ(ReadFile(stays[i].first), "kept") << stays[i].first;
  EXPECT_EQ(Query(bin).first, 1);

  // Without permission (dropped privileges) the info file is written, then must go again.
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  const fs::path precious = tmp / "root-owned" / "precious";
  WriteFile(precious, "mine");
  fs::permissions(precious.parent_path(), fs::perms(0755));
  std::string out = RunAsNobody(tmp / "data", [&] {
    FreedesktopTrash nobody(TrashAt(tmp / "data", {}, kNobody));
    MoveResult denied = nobody.moveToTrash({precious});
    return (denied.ok ? "moved" : denied.stayed.at(0).second) + "|" +
           std::to_string(nobody.query().count);
  });
  EXPECT_EQ(out, "permiso denegado|1");
  EXPECT_EQ(ReadFile(precious), "mine");
}
