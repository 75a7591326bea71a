// Moving items into the trash of their own volume, and the items that must stay where they are.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>

#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;
using platform::FreedesktopTrash;
using platform::MoveResult;

static const std::string kUid = std::to_string(getuid());

static std::string InfoPath(const fs::path& info) {
  std::smatch m;
  const std::string text = ReadFile(info);
  return std::regex_search(text, m, std::regex("\nPath=([^\n]*)\n")) ? m[1].str() : "";
}

TEST(TrashMove, HomeTrashGetsItemsWithTheirInfoAndNeverClobbers) {
  TempDir tmp;
  const fs::path trash = tmp / "data" / "Trash";
  WriteFile(tmp / "in" / "con blancos ñ%.txt", "uno");
  WriteFile(tmp / "in" / "carpeta" / "dentro", "dos");
  WriteFile(tmp / "target", "tres");
  fs::create_symlink(tmp / "target", tmp / "in" / "enlace");
  // "link/.." is the link target's parent, as the kernel reads it.
  WriteFile(tmp / "via" / "x", "not asked for");
  WriteFile(tmp / "other" / "x", "A");
  fs::create_directories(tmp / "other" / "deep");
  fs::create_directory_symlink(tmp / "other" / "deep", tmp / "via" / "link");
  // Names taken in the trash, by an entry without info and by an info without entry.
  WriteFile(trash / "files" / "x", "huérfano");
  WriteFile(trash / "info" / "x.2.trashinfo", "[Trash Info]\nPath=/old\n");
  WriteFile(tmp / "b" / "x", "B");
  const std::string longName(250, 'n');
  WriteFile(tmp / "c" / longName, "C");
  FreedesktopTrash bin(TrashAt(tmp / "data"));
  const fs::path cwd = fs::current_path();
  fs::current_path(tmp / "in");  // relative items are taken from the current folder
  MoveResult r = bin.moveToTrash({"con blancos ñ%.txt", tmp / "in" / "carpeta/", "./enlace",
                                  tmp / "via/link/../x", tmp / "b" / "x", tmp / "c" / longName});
  fs::current_path(cwd);
  ASSERT_TRUE(r.ok) << (r.stayed.empty() ? "" : r.stayed[0].second);
  EXPECT_TRUE(fs::is_empty(tmp / "in"));
  EXPECT_EQ(ReadFile(trash / "files" / "carpeta" / "dentro"), "dos");
  EXPECT_TRUE(fs::is_symlink(trash / "files" / "enlace")) << "a link is trashed as the link";
  EXPECT_EQ(ReadFile(tmp / "target"), "tres");
  EXPECT_EQ(ReadFile(tmp / "via" / "x"), "not asked for");
  const std::string dir = fs::canonical(tmp.path()).string();
  EXPECT_EQ(InfoPath(trash / "info" / "con blancos ñ%.txt.trashinfo"),
            dir + "/in/con%20blancos%20%C3%B1%25.txt");
  EXPECT_EQ(InfoPath(trash / "info" / "carpeta.trashinfo"), dir + "/in/carpeta");
  EXPECT_EQ(ReadFile(trash / "files" / "x"), "huérfano");
  EXPECT_EQ(ReadFile(trash / "info" / "x.2.trashinfo"), "[Trash Info]\nPath=/old\n");
  EXPECT_EQ(ReadFile(trash / "files" / "x.3"), "A");
  EXPECT_EQ(ReadFile(trash / "files" / "x.4"), "B");
  EXPECT_EQ(InfoPath(trash / "info" / "x.4.trashinfo"), dir + "/b/x");
  // A name too long for "<name>.trashinfo" is shortened; Path keeps it whole.
  int found = 0;
  for (auto& e : fs::directory_iterator(trash / "info"))
    found += InfoPath(e.path()).find(longName) != std::string::npos;
  EXPECT_EQ(found, 1);
}

// Items go to their volume's own trash, counted there too; a shared .Trash only while sticky
// and no link. The mount table is followed live.
TEST(TrashMove, ItemOnAnotherVolumeGoesToThatVolumesTrash) {
  TempDir tmp;
  auto vol = std::make_unique<TmpfsMount>(tmp / "mi volumen");  // the table escapes the blank
  if (!vol->ok()) GTEST_SKIP() << vol->error();
  platform::TrashSettings table = TrashAt(tmp / "data");
  table.topDirs.reset();
  FreedesktopTrash mounted(table);
  const Figures before = Query(mounted);
  const fs::path top = vol->path(), own = top / (".Trash-" + kUid), shared = top / ".Trash";
  WriteFile(top / "docs" / "a b.txt", "v1");
  FreedesktopTrash bin(TrashAt(tmp / "data", {top}));
  ASSERT_TRUE(bin.moveToTrash({top / "docs/a b.txt"}).ok);
  EXPECT_EQ(ReadFile(own / "files" / "a b.txt"), "v1");
  EXPECT_EQ(InfoPath(own / "info" / "a b.txt.trashinfo"), "docs/a%20b.txt") << "relative to top";
  EXPECT_EQ(Query(mounted), Figures(before.first + 1, before.second + 2)) << "appeared later";

  ASSERT_TRUE(mkdir(shared.c_str(), 0777) == 0 && chmod(shared.c_str(), 0777) == 0);
  WriteFile(PutTrashInfo(shared / kUid, "old"), std::string(20, 's'));
  EXPECT_EQ(Query(bin), Figures(1, 2)) << "a .Trash without the sticky bit is not used";
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  WriteFile(top / "shared.txt", "v2");
  ASSERT_TRUE(FreedesktopTrash(TrashAt(tmp / "data", {top})).moveToTrash({top / "shared.txt"}).ok);
  EXPECT_EQ(ReadFile(shared / kUid / "files" / "shared.txt"), "v2");
  EXPECT_EQ(Query(bin), Figures(3, 24));
  fs::rename(shared, top / "real-shared");
  fs::create_directory_symlink("real-shared", shared);
  EXPECT_EQ(Query(bin), Figures(1, 2)) << "a .Trash swapped for a link to a sticky folder";
  vol.reset();
  EXPECT_EQ(Query(mounted), before);
}

// Each item that cannot go stays exactly where it was, with its reason, and no info file stays
// behind; the others go.
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
  fs::permissions(tmp.path(), fs::perms(0755));
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
