// Putting trashed items back, listing them and deleting single ones, on a real trash; trash-cli
// is the independent peer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "support/E2eProgram.h"
#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;
using platform::FreedesktopTrash;
using platform::TrashedItem;

namespace {

const std::string kUid = std::to_string(getuid());

int Sh(const std::string& command, std::string* out = nullptr) {
  return Shell("(" + command + ") 2>&1 </dev/null", out);
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

const TrashedItem* Find(const std::vector<TrashedItem>& items, const fs::path& original) {
  for (const TrashedItem& i : items)
    if (i.original == original) return &i;
  return nullptr;
}

std::string Reason(const platform::ItemsResult& r, const fs::path& original) {
  for (const auto& [item, why] : r.stayed)
    if (item.original == original) return why;
  return "(restored)";
}

// What `fn` returns, run in a traced child; `atMove` runs here, with the child held, when the
// child starts a rename to the name `name`: another program acting at that very instant.
std::string AtMoveTo(const std::string& name, const std::function<void()>& atMove,
                     const std::function<std::string()>& fn) {
  bool seen = false;
  const std::string text = Traced(
      [&](const Call& c) {
        if (!seen && (c.nr == SYS_renameat2 || c.nr == SYS_renameat) && c.text(3) == name)
          seen = true, atMove();
      },
      fn);
  return seen ? text : "no move to " + name + ": " + text;
}

class TrashRestore : public ::testing::Test {
 protected:
  TempDir tmp_;
  fs::path w_ = fs::canonical(tmp_.path()) / "w";
  fs::path trash_ = tmp_ / "data" / "Trash";
  FreedesktopTrash bin_{TrashAt(tmp_ / "data")};
};

}  // namespace

// An undo of files and a folder: each is back under its name with its content, its info file
// and its directorysizes line are gone, and the bin is empty again.
TEST_F(TrashRestore, MovedItemsGoBackWithTheirContent) {
  WriteFile(w_ / "a.txt", "aaa");
  WriteFile(w_ / "b c.txt", "bb");
  WriteFile(w_ / "dir" / "sub" / "f", std::string(700, 'f'));
  symlink("a.txt", (w_ / "dir" / "link").c_str());
  const platform::MoveResult moved = bin_.moveToTrash({w_ / "a.txt", w_ / "b c.txt", w_ / "dir"});
  ASSERT_TRUE(moved.ok);
  ASSERT_EQ(moved.moved.size(), 3u);
  EXPECT_EQ(Query(bin_), Figures(3, 710));  // the link counts its own 5 bytes
  WriteFile(trash_ / "directorysizes", "700 1700000000 dir\n12 1700000000 other\n");

  const platform::ItemsResult r = bin_.restore(moved.moved);
  EXPECT_TRUE(r.stayed.empty());
  EXPECT_EQ(r.done.size(), 3u);
  EXPECT_EQ(ReadFile(w_ / "a.txt"), "aaa");
  EXPECT_EQ(ReadFile(w_ / "b c.txt"), "bb");
  EXPECT_EQ(ReadFile(w_ / "dir" / "sub" / "f"), std::string(700, 'f'));
  EXPECT_EQ(fs::read_symlink(w_ / "dir" / "link"), "a.txt");
  EXPECT_TRUE(Names(trash_ / "info").empty());
  EXPECT_TRUE(Names(trash_ / "files").empty());
  EXPECT_EQ(ReadFile(trash_ / "directorysizes"), "12 1700000000 other\n");
  EXPECT_EQ(Query(bin_), Figures(0, 0));
}

// Nothing is overwritten and nothing is lost: a name taken again, an item emptied meanwhile and
// a folder swapped for a link all stay where they are, each with its reason; the others go.
TEST_F(TrashRestore, WhatCannotGoBackStaysInTheTrashWithItsInfo) {
  WriteFile(w_ / "taken.txt", "old");
  WriteFile(w_ / "emptied.txt", "e");
  WriteFile(w_ / "folder" / "inside.txt", "secret");
  WriteFile(w_ / "fine.txt", "fine");
  const platform::MoveResult moved = bin_.moveToTrash(
      {w_ / "taken.txt", w_ / "emptied.txt", w_ / "folder" / "inside.txt", w_ / "fine.txt"});
  ASSERT_EQ(moved.moved.size(), 4u);
  WriteFile(w_ / "taken.txt", "new");
  fs::remove(trash_ / "files" / "emptied.txt");
  fs::remove(trash_ / "info" / "emptied.txt.trashinfo");
  // The folder becomes a link to somewhere the item must never land.
  WriteFile(tmp_ / "elsewhere" / "keep", "x");
  fs::remove_all(w_ / "folder");
  fs::create_directory_symlink(tmp_ / "elsewhere", w_ / "folder");

  const platform::ItemsResult r = bin_.restore(moved.moved);
  EXPECT_EQ(Reason(r, w_ / "taken.txt"), "ya existe un elemento con ese nombre");
  EXPECT_EQ(Reason(r, w_ / "emptied.txt"), "ya no está en la papelera");
  EXPECT_EQ(Reason(r, w_ / "folder" / "inside.txt"), "su carpeta es ahora un enlace");
  EXPECT_EQ(Reason(r, w_ / "fine.txt"), "(restored)");
  EXPECT_EQ(ReadFile(w_ / "taken.txt"), "new");
  EXPECT_EQ(ReadFile(w_ / "fine.txt"), "fine");
  EXPECT_EQ(Names(tmp_ / "elsewhere"), std::vector<std::string>{"keep"});
  EXPECT_EQ(Names(trash_ / "files"), (std::vector<std::string>{"inside.txt", "taken.txt"}));
  EXPECT_EQ(Names(trash_ / "info"),
            (std::vector<std::string>{"inside.txt.trashinfo", "taken.txt.trashinfo"}));
  EXPECT_EQ(ReadFile(trash_ / "files" / "taken.txt"), "old");
  // Once the way is clear, they go back.
  fs::remove(w_ / "folder");
  fs::remove(w_ / "taken.txt");
  EXPECT_TRUE(bin_.restore(moved.moved).done.size() == 2);
  EXPECT_EQ(ReadFile(w_ / "folder" / "inside.txt"), "secret");
  EXPECT_EQ(ReadFile(w_ / "taken.txt"), "old");
}

// A name taken by another program between the look and the move is not overwritten, whether the
// item moves on its own volume or is copied from another first: it stays, as if taken before;
// nor is an entry put in the trash at the instant an item is trashed under that name.
TEST_F(TrashRestore, ANameTakenJustBeforeTheMoveIsNotOverwritten) {
  TmpfsMount vol(tmp_ / "vol");
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  for (const fs::path& original : {w_ / "x.txt", fs::canonical(vol.path()) / "y.txt"}) {
    const std::string key = original.filename();
    WriteFile(trash_ / "files" / key, "trashed");
    WriteFile(trash_ / "info" / (key + ".trashinfo"),
              "[Trash Info]\nPath=" + original.string() + "\nDeletionDate=2024-05-01T10:00:00\n");
    const std::string said = AtMoveTo(
        key, [&] { WriteFile(original, "theirs"); },
        [&] {
          FreedesktopTrash bin(TrashAt(tmp_ / "data"));
          const std::vector<TrashedItem> all = bin.list();
          const TrashedItem* item = Find(all, original);
          if (!item) return std::string("not listed");
          const platform::ItemsResult r = bin.restore({*item});
          return r.stayed.size() == 1 ? r.stayed[0].second : std::string("restored");
        });
    EXPECT_EQ(said, "ya existe un elemento con ese nombre") << original;
    EXPECT_EQ(ReadFile(original), "theirs");
    EXPECT_EQ(ReadFile(trash_ / "files" / key), "trashed");
  }

  WriteFile(w_ / "z.txt", "mine");
  const std::string said = AtMoveTo(
      "z.txt", [&] { WriteFile(trash_ / "files" / "z.txt", "theirs"); },
      [&] { return std::string(bin_.moveToTrash({w_ / "z.txt"}).ok ? "moved" : "failed"); });
  EXPECT_EQ(said, "moved");
  EXPECT_EQ(ReadFile(trash_ / "files" / "z.txt"), "theirs");
  EXPECT_FALSE(fs::exists(w_ / "z.txt"));
}

// A folder whose parents are gone gets them made again; an item whose info file now names
// another place (trashed anew under the same name) is not taken for it.
TEST_F(TrashRestore, MissingParentsAreMadeAgainAndANewItemUnderTheSameNameIsNotTaken) {
  WriteFile(w_ / "a" / "b" / "tree" / "f", "deep");
  WriteFile(w_ / "x.txt", "first");
  const platform::MoveResult first = bin_.moveToTrash({w_ / "a" / "b" / "tree", w_ / "x.txt"});
  ASSERT_EQ(first.moved.size(), 2u);
  fs::remove_all(w_ / "a");
  // Another x.txt, from elsewhere, now holds the first one's name in the trash.
  bin_.restore({first.moved[1]});
  WriteFile(w_ / "other" / "x.txt", "second");
  ASSERT_TRUE(bin_.moveToTrash({w_ / "other" / "x.txt"}).ok);
  fs::remove(w_ / "x.txt");

  const platform::ItemsResult r = bin_.restore(first.moved);
  EXPECT_EQ(ReadFile(w_ / "a" / "b" / "tree" / "f"), "deep");
  EXPECT_EQ(Reason(r, w_ / "x.txt"), "ya no está en la papelera");
  EXPECT_FALSE(fs::exists(w_ / "x.txt"));
  EXPECT_EQ(ReadFile(trash_ / "files" / "x.txt"), "second");
}

// On a file system that hands a freed inode number to the next file (ext4), another item under
// the same key, from the same place and with that very number, is told apart by its info file.
TEST_F(TrashRestore, AnItemReplacedUnderTheSameKeyAndInodeNumberIsNotTaken) {
  const fs::path data = tmp_ / "ext4", files = data / "Trash" / "files";
  if (const std::string why = MountImage(data, "ext4"); !why.empty()) GTEST_SKIP() << why;
  const auto put = [&](const std::string& bytes, const std::string& date) {
    fs::remove(files / "x.txt");
    WriteFile(files / "x.txt", bytes);
    WriteFile(data / "Trash" / "info" / "x.txt.trashinfo",
              "[Trash Info]\nPath=" + (w_ / "x.txt").string() + "\nDeletionDate=" + date + "\n");
  };
  put("first", "2024-05-01T10:00:00");
  FreedesktopTrash bin(TrashAt(data));
  const std::vector<TrashedItem> chosen = bin.list();
  ASSERT_EQ(chosen.size(), 1u);
  put("second", "2024-06-01T10:00:00");
  struct stat st;
  ASSERT_EQ(lstat((files / "x.txt").c_str(), &st), 0);
  if (st.st_ino != chosen[0].ino) GTEST_SKIP() << "this ext4 gave another inode number";
  EXPECT_EQ(Reason(bin.restore(chosen), w_ / "x.txt"), "ya no está en la papelera");
  EXPECT_FALSE(fs::exists(w_ / "x.txt"));
}

// Items of two trashes, listed and chosen: each goes back on its own volume; one deleted for
// good leaves the others; one whose Path lies on another volume than its trash is copied back
// and leaves the trash only then.
TEST_F(TrashRestore, ItemsOfTwoTrashesAndAnotherVolume) {
  TmpfsMount vol(tmp_ / "vol");
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  FreedesktopTrash bin(TrashAt(tmp_ / "data", {vol.path()}));
  const fs::path volDir = fs::canonical(vol.path());
  WriteFile(w_ / "home.txt", "h");
  WriteFile(w_ / "gone.txt", "g");
  WriteFile(volDir / "docs" / "usb.txt", "u");
  WriteFile(volDir / "docs" / "tree" / "t", "t");
  ASSERT_TRUE(bin.moveToTrash({w_ / "home.txt", w_ / "gone.txt", volDir / "docs" / "usb.txt",
                               volDir / "docs" / "tree"})
                  .ok);
  const fs::path volTrash = volDir / (".Trash-" + kUid);
  EXPECT_EQ(Names(volTrash / "files"), (std::vector<std::string>{"tree", "usb.txt"}));
  // trash-cli's way for an item of another volume: into the home trash, with an absolute Path.
  WriteFile(trash_ / "files" / "far" / "f", std::string(3000, 'z'));
  WriteFile(trash_ / "info" / "far.trashinfo", "[Trash Info]\nPath=" + (volDir / "far").string() +
                                                   "\nDeletionDate=2024-05-01T10:00:00\n");

  // A stick's trash naming a place off the stick: never restored there.
  WriteFile(volTrash / "files" / "stray", "s");
  WriteFile(volTrash / "info" / "stray.trashinfo", "[Trash Info]\nPath=" + (w_ / "stray").string() +
                                                       "\nDeletionDate=2024-05-01T10:00:00\n");

  std::vector<TrashedItem> all = bin.list();
  ASSERT_EQ(all.size(), 6u);
  const TrashedItem* far = Find(all, volDir / "far");
  ASSERT_TRUE(far);
  EXPECT_EQ(far->size, 3000);
  EXPECT_TRUE(far->folder);
  ASSERT_TRUE(Find(all, volDir / "docs" / "usb.txt"));
  EXPECT_EQ(Find(all, volDir / "docs" / "usb.txt")->trash, volTrash);

  const platform::ItemsResult erased = bin.erase({*Find(all, w_ / "gone.txt")});
  EXPECT_EQ(erased.done.size(), 1u);
  EXPECT_FALSE(fs::exists(w_ / "gone.txt"));
  EXPECT_EQ(bin.list().size(), 5u);

  const platform::ItemsResult r =
      bin.restore({*Find(all, w_ / "home.txt"), *Find(all, volDir / "docs" / "usb.txt"),
                   *Find(all, volDir / "docs" / "tree"), *far, *Find(all, w_ / "stray")});
  ASSERT_EQ(r.stayed.size(), 1u);
  EXPECT_EQ(r.stayed[0].second, "su ubicación está fuera de su volumen");
  EXPECT_FALSE(fs::exists(w_ / "stray"));
  EXPECT_EQ(ReadFile(w_ / "home.txt"), "h");
  EXPECT_EQ(ReadFile(volDir / "docs" / "usb.txt"), "u");
  EXPECT_EQ(ReadFile(volDir / "docs" / "tree" / "t"), "t");
  EXPECT_EQ(ReadFile(volDir / "far" / "f"), std::string(3000, 'z'));
  EXPECT_EQ(bin.list().size(), 1u);
  EXPECT_TRUE(Names(trash_ / "files").empty());
  EXPECT_EQ(Names(volTrash / "info"), std::vector<std::string>{"stray.trashinfo"});
  EXPECT_EQ(Names(volDir), (std::vector<std::string>{".Trash-" + kUid, "docs", "far"}));
}

// A copy to another volume that cannot be completed leaves the item whole in the trash and
// nothing of the copy behind.
TEST_F(TrashRestore, AnIncompleteCopyLeavesTheItemInTheTrash) {
  TmpfsMount small(tmp_ / "small");
  if (!small.ok()) GTEST_SKIP() << small.error();
  ASSERT_EQ(Sh("mount -o remount,size=64k '" + small.path().string() + "'"), 0);
  const fs::path target = fs::canonical(small.path()) / "big";
  WriteFile(trash_ / "files" / "big" / "a", std::string(40000, 'a'));
  WriteFile(trash_ / "files" / "big" / "b", std::string(40000, 'b'));
  WriteFile(trash_ / "info" / "big.trashinfo",
            "[Trash Info]\nPath=" + target.string() + "\nDeletionDate=2024-05-01T10:00:00\n");
  const std::vector<TrashedItem> all = bin_.list();
  ASSERT_EQ(all.size(), 1u);
  const platform::ItemsResult r = bin_.restore(all);
  ASSERT_EQ(r.stayed.size(), 1u);
  EXPECT_EQ(r.stayed[0].second, "no queda espacio");
  EXPECT_TRUE(Names(small.path()).empty());
  EXPECT_EQ(ReadFile(trash_ / "files" / "big" / "b"), std::string(40000, 'b'));
  EXPECT_TRUE(fs::exists(trash_ / "info" / "big.trashinfo"));
}

// A copy to another volume stopped halfway (the program ends) leaves the item whole in the
// trash and nothing of the copy; what a copy of a process that died halfway left goes at the
// next start, and only that.
TEST_F(TrashRestore, AStoppedCopyLeavesNothingAndACrashedOnesLeftoverGoesLater) {
  TmpfsMount vol(tmp_ / "vol");
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  const fs::path volDir = fs::canonical(vol.path());
  for (int i = 0; i < 20; ++i)
    WriteFile(trash_ / "files" / "big" / std::to_string(i), std::string(100000, 'a'));
  WriteFile(trash_ / "info" / "big.trashinfo", "[Trash Info]\nPath=" + (volDir / "big").string() +
                                                   "\nDeletionDate=2024-05-01T10:00:00\n");
  int asked = 0;
  bin_.stopWhen([&] { return ++asked > 10; });
  const platform::ItemsResult r = bin_.restore(bin_.list());
  ASSERT_EQ(r.stayed.size(), 1u);
  EXPECT_EQ(r.stayed[0].second, "se detuvo antes de terminar");
  EXPECT_TRUE(Names(volDir).empty());
  EXPECT_EQ(Names(trash_ / "files" / "big").size(), 20u);
  EXPECT_TRUE(fs::exists(trash_ / "info" / "big.trashinfo"));
  const fs::path records = tmp_ / "data" / "WasteWell" / "copies";
  EXPECT_TRUE(Names(records).empty());

  // A process that has ended, and one that runs (init).
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  const std::string left = ".wastewell-" + std::to_string(dead) + "-1";
  const std::string running = ".wastewell-1-1";
  const std::string unrecorded = ".wastewell-" + std::to_string(dead) + "-2";
  for (const std::string& name : {left, running, unrecorded})
    WriteFile(volDir / name / "part", "p");
  WriteFile(records / left, volDir.string());
  WriteFile(records / running, volDir.string());
  bin_.removeLeftCopies();
  EXPECT_EQ(Names(volDir), (std::vector<std::string>{running, unrecorded}));
  EXPECT_EQ(Names(records), std::vector<std::string>{running});
}

// The listing follows the trash: what is trashed, restored or emptied by others shows at the
// next call, and only the changed info files are read again.
TEST_F(TrashRestore, TheListingFollowsTheTrash) {
  WriteFile(w_ / "one", "1");
  WriteFile(w_ / "two", "22");
  ASSERT_TRUE(bin_.moveToTrash({w_ / "one"}).ok);
  std::vector<TrashedItem> all = bin_.list();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].original, w_ / "one");
  EXPECT_EQ(all[0].size, 1);
  EXPECT_FALSE(all[0].folder);
  EXPECT_LE(std::abs(all[0].deleted - static_cast<std::int64_t>(time(nullptr))), 5);
  ASSERT_TRUE(bin_.moveToTrash({w_ / "two"}).ok);
  EXPECT_EQ(bin_.list().size(), 2u);
  // An info file changed in place (another program's doing) is read again.
  WriteFile(trash_ / "info" / "two.trashinfo",
            "[Trash Info]\nPath=/somewhere/else\nDeletionDate=2020-01-02T03:04:05\n");
  all = bin_.list();
  const TrashedItem* two = Find(all, "/somewhere/else");
  ASSERT_TRUE(two);
  EXPECT_EQ(two->key, "two");
  fs::remove(trash_ / "files" / "one");
  fs::remove(trash_ / "info" / "one.trashinfo");
  EXPECT_EQ(bin_.list().size(), 1u);
}

// trash-cli as the peer: what it trashes we list and restore, and it sees the result; what it
// restores leaves our listing.
TEST_F(TrashRestore, TrashCliSeesWhatWeRestoreAndWeSeeWhatItRestores) {
  if (Sh("command -v trash-put trash-list trash-restore") != 0)
    GTEST_SKIP() << "trash-cli is not installed";
  ScopedEnv xdg("XDG_DATA_HOME", (tmp_ / "data").string());
  WriteFile(w_ / "ours.txt", "o");
  WriteFile(w_ / "theirs.txt", "t");
  WriteFile(w_ / "kept.txt", "k");
  std::string out;
  ASSERT_EQ(Sh("cd '" + w_.string() + "' && trash-put ours.txt theirs.txt kept.txt", &out), 0)
      << out;
  std::vector<TrashedItem> all = bin_.list();
  ASSERT_EQ(all.size(), 3u);
  ASSERT_TRUE(Find(all, w_ / "ours.txt"));
  EXPECT_TRUE(bin_.restore({*Find(all, w_ / "ours.txt")}).stayed.empty());
  EXPECT_EQ(ReadFile(w_ / "ours.txt"), "o");
  ASSERT_EQ(Sh("trash-list", &out), 0);
  EXPECT_EQ(out.find("ours.txt"), std::string::npos) << out;
  EXPECT_NE(out.find("theirs.txt"), std::string::npos) << out;
  // trash-restore offers them in its own order: pick theirs.txt by its number.
  std::string menu;
  Sh("cd '" + w_.string() + "' && echo | trash-restore", &menu);
  const std::size_t at = menu.find("theirs.txt");
  ASSERT_NE(at, std::string::npos) << menu;
  const std::size_t line = menu.rfind('\n', at);
  const std::string number = menu.substr(line == std::string::npos ? 0 : line + 1);
  Sh("cd '" + w_.string() + "' && echo " + std::to_string(std::stoi(number)) + " | trash-restore");
  EXPECT_EQ(ReadFile(w_ / "theirs.txt"), "t");
  all = bin_.list();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].original, w_ / "kept.txt");
}

// As an unprivileged user whose original folder is no longer writable by them: the move fails,
// and the item and its info file stay.
TEST(TrashRestoreAsUser, AMoveThatFailsKeepsTheItemAndItsInfo) {
  TempDir tmp;
  const fs::path data = fs::canonical(tmp.path()) / "data";
  const fs::path locked = fs::canonical(tmp.path()) / "locked";
  WriteFile(data / "Trash" / "files" / "x.txt", "x");
  WriteFile(
      data / "Trash" / "info" / "x.txt.trashinfo",
      "[Trash Info]\nPath=" + (locked / "x.txt").string() + "\nDeletionDate=2024-05-01T10:00:00\n");
  fs::create_directories(locked);  // root's, 0755
  chmod(tmp.path().c_str(), 0755);
  const std::string said = RunAsNobody(data, [&] {
    FreedesktopTrash bin(TrashAt(data, {}, kNobody));
    const std::vector<TrashedItem> all = bin.list();
    if (all.size() != 1) return std::string("listed ") + std::to_string(all.size());
    const platform::ItemsResult r = bin.restore(all);
    return r.stayed.size() == 1 ? r.stayed[0].second : std::string("restored");
  });
  EXPECT_EQ(said, "permiso denegado");
  EXPECT_FALSE(fs::exists(locked / "x.txt"));
  EXPECT_EQ(ReadFile(data / "Trash" / "files" / "x.txt"), "x");
  EXPECT_TRUE(fs::exists(data / "Trash" / "info" / "x.txt.trashinfo"));
}
