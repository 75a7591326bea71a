// Putting trashed items back, listing and deleting them, on a real trash; trash-cli is the peer.
#include <gtest/gtest.h>
#include <sys/mount.h>
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

// What `fn` returns in a traced child; `atMove` runs, the child held, as it renames to `name`.
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

TEST_F(TrashRestore, MovedItemsGoBackWithTheirContent) {
  const fs::path dir = w_ / "p" / "q" / "dir";
  WriteFile(w_ / "a.txt", "aaa");
  WriteFile(w_ / "b c.txt", "bb");
  WriteFile(dir / "sub" / "f", std::string(700, 'f'));
  symlink("a.txt", (dir / "link").c_str());
  const platform::MoveResult moved = bin_.moveToTrash({w_ / "a.txt", w_ / "b c.txt", dir});
  fs::remove_all(w_ / "p");
  WriteFile(trash_ / "directorysizes", "700 1700000000 dir\n12 1700000000 other\n");

  bin_.restore(moved.moved);
  EXPECT_EQ(ReadFile(w_ / "a.txt"), "aaa");
  EXPECT_EQ(ReadFile(w_ / "b c.txt"), "bb");
  EXPECT_EQ(ReadFile(dir / "sub" / "f"), std::string(700, 'f'));
  EXPECT_EQ(fs::read_symlink(dir / "link"), "a.txt");
  EXPECT_TRUE(Names(trash_ / "info").empty() && Names(trash_ / "files").empty());
  EXPECT_EQ(ReadFile(trash_ / "directorysizes"), "12 1700000000 other\n");
  EXPECT_EQ(Query(bin_), Figures(0, 0));
}

// A name taken again, an item emptied meanwhile, a folder now a link: each stays, with its reason;
// an item trashed anew under a restored one's name, from elsewhere, is not taken for it.
TEST_F(TrashRestore, WhatCannotGoBackStaysInTheTrashWithItsInfo) {
  WriteFile(w_ / "taken.txt", "old");
  WriteFile(w_ / "emptied.txt", "e");
  WriteFile(w_ / "folder" / "inside.txt", "secret");
  WriteFile(w_ / "fine.txt", "fine");
  const platform::MoveResult moved = bin_.moveToTrash(
      {w_ / "taken.txt", w_ / "emptied.txt", w_ / "folder" / "inside.txt", w_ / "fine.txt"});
  WriteFile(w_ / "taken.txt", "new");
  fs::remove(trash_ / "files" / "emptied.txt");
  fs::remove(trash_ / "info" / "emptied.txt.trashinfo");
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
  // Once the way is clear, they go back: their info files stayed.
  fs::remove(w_ / "folder");
  fs::remove(w_ / "taken.txt");
  WriteFile(w_ / "other" / "fine.txt", "second");
  ASSERT_TRUE(bin_.moveToTrash({w_ / "other" / "fine.txt"}).ok);
  fs::remove(w_ / "fine.txt");
  const platform::ItemsResult again = bin_.restore(moved.moved);
  EXPECT_EQ(again.done.size(), 2u);
  EXPECT_EQ(Reason(again, w_ / "fine.txt"), "ya no está en la papelera");
  EXPECT_EQ(ReadFile(w_ / "folder" / "inside.txt"), "secret");
  EXPECT_EQ(ReadFile(w_ / "taken.txt"), "old");
  EXPECT_EQ(ReadFile(trash_ / "files" / "fine.txt"), "second");
}

// Taken between the look and the move (moved on its volume, or copied from another), or in the
// trash as an item is trashed under it: a name is never overwritten.
TEST_F(TrashRestore, ANameTakenJustBeforeTheMoveIsNotOverwritten) {
  TmpfsMount vol(tmp_ / "vol");
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  for (const fs::path& original : {w_ / "x.txt", fs::canonical(vol.path()) / "y.txt"}) {
    const std::string key = original.filename();
    WriteFile(PutTrashInfo(trash_, key, original), "trashed");
    const std::string said = AtMoveTo(
        key, [&] { WriteFile(original, "theirs"); },
        [&] {
          FreedesktopTrash bin(TrashAt(tmp_ / "data"));
          const platform::ItemsResult r = bin.restore(bin.list());
          return r.stayed.size() == 1 ? r.stayed[0].second : std::string("restored");
        });
    EXPECT_EQ(said, "ya existe un elemento con ese nombre") << original;
    EXPECT_EQ(ReadFile(original), "theirs");
    EXPECT_EQ(ReadFile(trash_ / "files" / key), "trashed");
    fs::remove(trash_ / "info" / (key + ".trashinfo"));
  }

  WriteFile(w_ / "z.txt", "mine");
  const std::string said = AtMoveTo(
      "z.txt", [&] { WriteFile(trash_ / "files" / "z.txt", "theirs"); },
      [&] { return std::string(bin_.moveToTrash({w_ / "z.txt"}).ok ? "moved" : "failed"); });
  EXPECT_EQ(said, "moved");
  EXPECT_EQ(ReadFile(trash_ / "files" / "z.txt"), "theirs");
  EXPECT_FALSE(fs::exists(w_ / "z.txt"));
}

// ext4 hands a freed inode number to the next file: the info file tells the items apart.
TEST_F(TrashRestore, AnItemReplacedUnderTheSameKeyAndInodeNumberIsNotTaken) {
  const fs::path data = tmp_ / "ext4", files = data / "Trash" / "files";
  if (const std::string why = MountImage(data, "ext4"); !why.empty()) GTEST_SKIP() << why;
  WriteFile(PutTrashInfo(data / "Trash", "x.txt", w_ / "x.txt"), "first");
  FreedesktopTrash bin(TrashAt(data));
  const std::vector<TrashedItem> chosen = bin.list();
  ASSERT_EQ(chosen.size(), 1u);
  fs::remove(files / "x.txt");
  WriteFile(PutTrashInfo(data / "Trash", "x.txt", w_ / "x.txt", "2024-06-01T10:00:00"), "second");
  struct stat st;
  ASSERT_EQ(lstat((files / "x.txt").c_str(), &st), 0);
  if (st.st_ino != chosen[0].ino) GTEST_SKIP() << "this ext4 gave another inode number";
  EXPECT_EQ(Reason(bin.restore(chosen), w_ / "x.txt"), "ya no está en la papelera");
  EXPECT_FALSE(fs::exists(w_ / "x.txt"));
}

// One whose Path is on another volume than its trash is copied back, then leaves the trash; one
// of a stick's trash naming a place off the stick stays.
TEST_F(TrashRestore, ItemsOfTwoTrashesAndAnotherVolume) {
  TmpfsMount vol(tmp_ / "vol");
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  FreedesktopTrash bin(TrashAt(tmp_ / "data", {vol.path()}));
  const fs::path volDir = fs::canonical(vol.path()), volTrash = volDir / (".Trash-" + kUid);
  const fs::path usb = volDir / "docs" / "usb.txt", tree = volDir / "docs" / "tree";
  const fs::path back[] = {w_ / "home.txt", usb, tree / "t"};
  for (const fs::path& f : back) WriteFile(f, f.filename().string());
  WriteFile(w_ / "gone.txt", "g");
  ASSERT_TRUE(bin.moveToTrash({w_ / "home.txt", w_ / "gone.txt", usb, tree}).ok);
  // trash-cli's way for an item of another volume: into the home trash, with an absolute Path.
  WriteFile(PutTrashInfo(trash_, "far", volDir / "far") / "f", std::string(3000, 'z'));
  WriteFile(PutTrashInfo(volTrash, "stray", w_ / "stray"), "s");

  std::vector<TrashedItem> all = bin.list();
  ASSERT_EQ(all.size(), 6u);
  const TrashedItem* far = Find(all, volDir / "far");
  ASSERT_TRUE(far && Find(all, usb) && Find(all, w_ / "stray"));
  EXPECT_EQ(bin.erase({*Find(all, w_ / "gone.txt")}).done.size(), 1u);

  const platform::ItemsResult r = bin.restore({*Find(all, w_ / "home.txt"), *Find(all, usb),
                                               *Find(all, tree), *far, *Find(all, w_ / "stray")});
  ASSERT_EQ(r.stayed.size(), 1u);
  EXPECT_EQ(r.stayed[0].second, "su ubicación está fuera de su volumen");
  EXPECT_FALSE(fs::exists(w_ / "stray"));
  for (const fs::path& f : back) EXPECT_EQ(ReadFile(f), f.filename().string()) << f;
  EXPECT_EQ(ReadFile(volDir / "far" / "f"), std::string(3000, 'z'));
  EXPECT_TRUE(Names(trash_ / "files").empty());
  EXPECT_EQ(Names(volTrash / "info"), std::vector<std::string>{"stray.trashinfo"});
  EXPECT_EQ(Names(volDir), (std::vector<std::string>{".Trash-" + kUid, "docs", "far"}));
}

// A copy cut short (volume full, program ending) leaves nothing behind; a dead process's leftover
// copy goes at the next start, and only that.
TEST_F(TrashRestore, AnUnfinishedCopyLeavesTheItemInTheTrash) {
  TmpfsMount vol(tmp_ / "vol");
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  const fs::path volDir = fs::canonical(vol.path());
  for (int i = 0; i < 20; ++i)
    WriteFile(PutTrashInfo(trash_, "big", volDir / "big") / std::to_string(i),
              std::string(100000, 'a'));
  int asked = 0;
  for (const std::string said : {"no queda espacio", "se detuvo antes de terminar"}) {
    const bool full = said[0] == 'n';
    ASSERT_EQ(mount(nullptr, volDir.c_str(), nullptr, MS_REMOUNT, full ? "size=1m" : "size=64m"),
              0);
    bin_.stopWhen([&] { return !full && ++asked > 10; });
    const platform::ItemsResult r = bin_.restore(bin_.list());
    ASSERT_EQ(r.stayed.size(), 1u);
    EXPECT_EQ(r.stayed[0].second, said);
    EXPECT_EQ(Names(trash_ / "files" / "big").size(), 20u) << said;
    EXPECT_TRUE(fs::exists(trash_ / "info" / "big.trashinfo")) << said;
  }
  const fs::path records = tmp_ / "data" / "WasteWell" / "copies";

  // A process that has ended, and one that runs (init).
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  const std::string left = ".wastewell-" + std::to_string(dead) + "-1", running = ".wastewell-1-1",
                    unrecorded = ".wastewell-" + std::to_string(dead) + "-2";
  for (const std::string& name : {left, running, unrecorded})
    WriteFile(volDir / name / "part", "p");
  for (const std::string& name : {left, running}) WriteFile(records / name, volDir.string());
  bin_.removeLeftCopies();
  EXPECT_EQ(Names(volDir), (std::vector<std::string>{running, unrecorded}));
  EXPECT_EQ(Names(records), std::vector<std::string>{running});
}

// Others' changes show at the next call; changed info files are read again.
TEST_F(TrashRestore, TheListingFollowsTheTrash) {
  WriteFile(w_ / "one", "1");
  WriteFile(w_ / "two", "22");
  ASSERT_TRUE(bin_.moveToTrash({w_ / "one"}).ok);
  std::vector<TrashedItem> all = bin_.list();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].size, 1);
  EXPECT_LE(std::abs(all[0].deleted - static_cast<std::int64_t>(time(nullptr))), 5);
  ASSERT_TRUE(bin_.moveToTrash({w_ / "two"}).ok);
  PutTrashInfo(trash_, "two", "/somewhere/else");
  EXPECT_TRUE(Find(bin_.list(), "/somewhere/else"));
  fs::remove(trash_ / "files" / "one");
  fs::remove(trash_ / "info" / "one.trashinfo");
  EXPECT_EQ(bin_.list().size(), 1u);
}

// Names with blanks, accents and a percent sign, bytes of every value, both ways.
TEST_F(TrashRestore, TrashCliAndWeReadEachOthersTrash) {
  if (Sh("command -v trash-put trash-list trash-restore trash-empty") != 0)
    GTEST_SKIP() << "trash-cli is not installed";
  ScopedEnv xdg("XDG_DATA_HOME", (tmp_ / "data").string());
  const std::vector<fs::path> ours = {w_ / "con blancos.txt", w_ / "acentuación ñandú.txt",
                                      w_ / "100% real.txt"};
  std::string all(5000, '\0');  // every byte value, and files that differ
  for (std::size_t k = 0; k < all.size(); ++k) all[k] = static_cast<char>(k * 7 % 256);
  for (std::size_t i = 0; i < ours.size(); ++i) WriteFile(ours[i], all.substr(i));
  ASSERT_TRUE(bin_.moveToTrash(ours).ok);
  std::string out;
  ASSERT_EQ(Sh("trash-list", &out), 0) << out;
  for (const fs::path& item : ours) EXPECT_NE(out.find(item.string()), std::string::npos) << out;
  // trash-restore asks which one; the first each time, until all are back.
  for (std::size_t i = 0; i < ours.size(); ++i)
    Sh("cd '" + w_.string() + "' && echo 0 | trash-restore");
  for (std::size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(ReadFile(ours[i]), all.substr(i)) << i;
  EXPECT_EQ(Query(bin_), Figures(0, 0));

  WriteFile(w_ / "theirs.txt", "t");
  WriteFile(w_ / "dir" / "b" / "c", std::string(300, 'c'));
  ASSERT_EQ(Sh("cd '" + w_.string() + "' && trash-put theirs.txt dir", &out), 0) << out;
  EXPECT_EQ(Query(bin_), Figures(2, 301));
  const std::vector<TrashedItem> listed = bin_.list();
  ASSERT_TRUE(Find(listed, w_ / "theirs.txt"));
  EXPECT_TRUE(bin_.restore({*Find(listed, w_ / "theirs.txt")}).stayed.empty());
  EXPECT_EQ(ReadFile(w_ / "theirs.txt"), "t");
  ASSERT_EQ(Sh("trash-empty", &out), 0) << out;
  EXPECT_EQ(Query(bin_), Figures(0, 0));
}

TEST_F(TrashRestore, AMoveThatFailsKeepsTheItemAndItsInfo) {
  WriteFile(PutTrashInfo(trash_, "x.txt", w_ / "x.txt"), "x");
  fs::create_directories(w_);  // root's, 0755
  const std::string said = RunAsNobody(tmp_ / "data", [&] {
    FreedesktopTrash bin(TrashAt(tmp_ / "data", {}, kNobody));
    const std::vector<TrashedItem> all = bin.list();
    if (all.size() != 1) return std::string("listed ") + std::to_string(all.size());
    const platform::ItemsResult r = bin.restore(all);
    return r.stayed.size() == 1 ? r.stayed[0].second : std::string("restored");
  });
  EXPECT_EQ(said, "permiso denegado");
  EXPECT_FALSE(fs::exists(w_ / "x.txt"));
  EXPECT_EQ(ReadFile(trash_ / "files" / "x.txt"), "x");
  EXPECT_TRUE(fs::exists(trash_ / "info" / "x.txt.trashinfo"));
}
