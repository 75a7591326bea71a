// Moving items into the trash of their own volume, and the items that must
// stay exactly where they are.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>

#include "platform/linux/FreedesktopTrash.h"
#include "support/TempDir.h"
#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using platform::FreedesktopTrash;
using platform::MoveResult;
using platform::TrashSettings;
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

std::string InfoPath(const fs::path& info) {
  std::smatch m;
  std::string text = ReadFile(info);
  return std::regex_search(text, m, std::regex("\nPath=([^\n]*)\n")) ? m[1].str() : "";
}

class CurrentDir {
 public:
  explicit CurrentDir(const fs::path& p) : old_(fs::current_path()) { fs::current_path(p); }
  ~CurrentDir() { fs::current_path(old_); }

 private:
  fs::path old_;
};

}  // namespace

TEST(TrashMove, HomeTrashGetsItemsWithInfoFilesWrittenFirst) {
  TempDir tmp;
  fs::path trash = tmp / "data" / "Trash";
  WriteFile(tmp / "in" / "con blancos ñ%.txt", "uno");
  WriteFile(tmp / "in" / "carpeta" / "dentro", "dos");
  WriteFile(tmp / "target", "tres");
  fs::create_symlink(tmp / "target", tmp / "in" / "enlace");
  FreedesktopTrash bin(Settings(tmp / "data"));

  MoveResult r;
  {
    CurrentDir cd(tmp / "in");  // relative items are taken from the current folder
    r = bin.moveToTrash({"con blancos ñ%.txt", tmp / "in" / "carpeta/", "./enlace"});
  }
  ASSERT_TRUE(r.ok) << (r.stayed.empty() ? "" : r.stayed[0].second);
  EXPECT_TRUE(fs::is_empty(tmp / "in"));
  EXPECT_EQ(ReadFile(trash / "files" / "con blancos ñ%.txt"), "uno");
  EXPECT_EQ(ReadFile(trash / "files" / "carpeta" / "dentro"), "dos");
  EXPECT_TRUE(fs::is_symlink(trash / "files" / "enlace")) << "a link is trashed as the link";
  EXPECT_EQ(ReadFile(tmp / "target"), "tres");

  std::string info = ReadFile(trash / "info" / "con blancos ñ%.txt.trashinfo");
  std::string dir = fs::canonical(tmp.path()).string();
  EXPECT_EQ(InfoPath(trash / "info" / "con blancos ñ%.txt.trashinfo"),
            dir + "/in/con%20blancos%20%C3%B1%25.txt");
  EXPECT_TRUE(std::regex_search(
      info,
      std::regex(
          "^\\[Trash Info\\]\n.*\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$")))
      << info;
  EXPECT_EQ(InfoPath(trash / "info" / "carpeta.trashinfo"), dir + "/in/carpeta");
  auto q = bin.query();
  EXPECT_EQ(q.count, 3);
  EXPECT_EQ(q.size, 3 + 3 + static_cast<std::int64_t>((tmp / "target").string().size()));
}

TEST(TrashMove, NameClashesNeverClobberWhatIsInTheTrash) {
  TempDir tmp;
  fs::path trash = tmp / "data" / "Trash";
  // An entry without info file, and an info file without entry.
  WriteFile(trash / "files" / "x", "huérfano");
  WriteFile(trash / "info" / "x.2.trashinfo", "[Trash Info]\nPath=/old\n");
  WriteFile(tmp / "a" / "x", "A");
  WriteFile(tmp / "b" / "x", "B");
  std::string longName(250, 'n');
  WriteFile(tmp / "c" / longName, "C");
  FreedesktopTrash bin(Settings(tmp / "data"));

  MoveResult r = bin.moveToTrash({tmp / "a" / "x", tmp / "b" / "x", tmp / "c" / longName});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(ReadFile(trash / "files" / "x"), "huérfano");
  EXPECT_EQ(ReadFile(trash / "info" / "x.2.trashinfo"), "[Trash Info]\nPath=/old\n");
  EXPECT_EQ(ReadFile(trash / "files" / "x.3"), "A");
  EXPECT_EQ(ReadFile(trash / "files" / "x.4"), "B");
  EXPECT_EQ(InfoPath(trash / "info" / "x.4.trashinfo"), fs::canonical(tmp / "b").string() + "/x");
  // A name too long for "<name>.trashinfo" is shortened; Path keeps it whole.
  int found = 0;
  for (auto& e : fs::directory_iterator(trash / "info")) {
    if (InfoPath(e.path()).find(longName) != std::string::npos) {
      ++found;
      EXPECT_LE(e.path().filename().string().size(), 255u);
    }
  }
  EXPECT_EQ(found, 1);
}

TEST(TrashMove, ItemOnAnotherVolumeGoesToThatVolumesTrash) {
  TempDir tmp;
  testsupport::TmpfsMount vol(tmp / "vol");
  if (!vol.ok()) GTEST_SKIP() << "cannot mount a tmpfs here: " << vol.error();
  std::string uid = std::to_string(getuid());
  WriteFile(vol.path() / "docs" / "a b.txt", "v1");
  WriteFile(vol.path() / "shared.txt", "v2");
  FreedesktopTrash bin(Settings(tmp / "data", {vol.path()}));

  ASSERT_TRUE(bin.moveToTrash({vol.path() / "docs" / "a b.txt"}).ok);
  fs::path own = vol.path() / (".Trash-" + uid);
  EXPECT_EQ(ReadFile(own / "files" / "a b.txt"), "v1");
  EXPECT_EQ(InfoPath(own / "info" / "a b.txt.trashinfo"), "docs/a%20b.txt")
      << "relative to the volume's top directory";
  EXPECT_FALSE(fs::exists(tmp / "data" / "Trash" / "files" / "a b.txt"));

  // With a sticky shared .Trash, the user's folder inside it is used.
  ASSERT_EQ(mkdir((vol.path() / ".Trash").c_str(), 0777), 0);
  ASSERT_EQ(chmod((vol.path() / ".Trash").c_str(), 01777), 0);
  FreedesktopTrash bin2(Settings(tmp / "data", {vol.path()}));
  ASSERT_TRUE(bin2.moveToTrash({vol.path() / "shared.txt"}).ok);
  EXPECT_EQ(ReadFile(vol.path() / ".Trash" / uid / "files" / "shared.txt"), "v2");
  EXPECT_EQ(bin2.query().count, 2);
}

TEST(TrashMove, ItemsThatCannotBeTrashedStayExactlyWhereTheyWere) {
  TempDir tmp;
  testsupport::TmpfsMount ro(tmp / "ro");
  if (!ro.ok()) GTEST_SKIP() << "cannot mount a tmpfs here: " << ro.error();
  WriteFile(ro.path() / "keep.txt", "read-only volume");
  ASSERT_TRUE(ro.remountReadOnly());
  testsupport::TmpfsMount unlisted(tmp / "unlisted");
  ASSERT_TRUE(unlisted.ok());
  WriteFile(unlisted.path() / "elsewhere.txt", "no trash known");
  WriteFile(tmp / "fine.txt", "ok");
  fs::path trash = tmp / "data" / "Trash";
  WriteFile(trash / "files" / "old", "already trashed");
  FreedesktopTrash bin(Settings(tmp / "data", {ro.path()}));

  MoveResult r = bin.moveToTrash({tmp / "missing", ro.path() / "keep.txt",
                                  unlisted.path() / "elsewhere.txt", tmp / "fine.txt", trash,
                                  trash / "files" / "old", tmp / "data", unlisted.path()});
  EXPECT_FALSE(r.ok);
  std::map<std::string, std::string> why;
  for (auto& [item, reason] : r.stayed) why[item.string()] = reason;
  EXPECT_EQ(why.size(), 7u);
  EXPECT_EQ(why[(tmp / "missing").string()], "no existe");
  EXPECT_EQ(why[(ro.path() / "keep.txt").string()], "no hay papelera en su volumen");
  EXPECT_EQ(why[(unlisted.path() / "elsewhere.txt").string()], "no hay papelera en su volumen");
  EXPECT_EQ(why[trash.string()], "está en la papelera");
  EXPECT_EQ(why[(trash / "files" / "old").string()], "está en la papelera");
  EXPECT_EQ(why[(tmp / "data").string()], "contiene la papelera");
  EXPECT_EQ(why[unlisted.path().string()], "es un punto de montaje");
  EXPECT_FALSE(fs::exists(tmp / "fine.txt"));
  EXPECT_EQ(ReadFile(ro.path() / "keep.txt"), "read-only volume");
  EXPECT_EQ(ReadFile(unlisted.path() / "elsewhere.txt"), "no trash known");
  EXPECT_EQ(ReadFile(trash / "files" / "old"), "already trashed");
  EXPECT_EQ(bin.query().count, 1) << "no info file is left behind by a failed move";
}

TEST(TrashMove, WithoutPermissionTheItemStaysAndNoInfoIsLeft) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  WriteFile(tmp / "root-owned" / "precious", "mine");
  fs::permissions(tmp / "root-owned", fs::perms(0755));
  fs::create_directories(tmp / "data");
  testsupport::ChownTree(tmp / "data", 65534);
  std::string out = testsupport::RunAsUser(65534, [&] {
    TrashSettings s = Settings(tmp / "data");
    s.uid = 65534;
    FreedesktopTrash bin(s);
    MoveResult r = bin.moveToTrash({tmp / "root-owned" / "precious"});
    std::string text = r.ok ? "ok" : "stayed";
    for (auto& [p, why] : r.stayed) text += "|" + p.string() + "|" + why;
    return text + "|count=" + std::to_string(bin.query().count);
  });
  EXPECT_EQ(out,
            "stayed|" + (tmp / "root-owned" / "precious").string() + "|permiso denegado|count=0");
  EXPECT_EQ(ReadFile(tmp / "root-owned" / "precious"), "mine");
}
