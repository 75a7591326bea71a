// What others can write or size: the remembered volume tops, files of almost any size.
#include <gtest/gtest.h>
#include <unistd.h>

#include <limits>
#include <map>

#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;
using platform::FreedesktopTrash;

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

void Sparse(const fs::path& file, std::int64_t size) {
  WriteFile(file, "");
  ASSERT_EQ(truncate(file.c_str(), static_cast<off_t>(size)), 0) << file;
}

}  // namespace

// A NUL (raw or percent-written), a relative path, a "..": no trash is counted nor emptied there.
TEST(TrashHostileData, RememberedTopsThatAreNoCleanPathNameNoTrash) {
  TempDir tmp;
  const fs::path data = tmp / "data", dir = tmp / "vol", victim = dir / "victim";
  const fs::path ours = dir / (".Trash-" + std::to_string(getuid())), kept = ours / "files/kept";
  const std::string lines[] = {
      victim.string() + "%00",
      victim.string() + std::string(1, '\0'),
      (victim / "..").string(),
      "vol",  // from the folder the bin was started in
      "",
  };
  const fs::path cwd = fs::current_path();
  fs::current_path(tmp.path());
  for (const std::string& line : lines) {
    WriteFile(PutTrashInfo(victim, "thesis.txt"), "years of it");
    WriteFile(kept, "mine");  // what ".." would reach
    WriteFile(data / "WasteWell" / "trash-volumes", line + "\n");
    FreedesktopTrash bin(TrashAt(data));
    EXPECT_EQ(Query(bin), Figures(0, 0)) << line;
    bin.empty(nullptr);
    EXPECT_EQ(ReadFile(victim / "files" / "thesis.txt"), "years of it") << line;
    EXPECT_EQ(ReadFile(kept), "mine") << line;
  }
  fs::current_path(cwd);
  // A clean line still counts and empties its volume's trash.
  WriteFile(data / "WasteWell" / "trash-volumes", "bad%00line\n" + dir.string() + "\n");
  PutTrashInfo(ours, "kept");
  FreedesktopTrash bin(TrashAt(data));
  EXPECT_EQ(Query(bin), Figures(1, 4));
  EXPECT_EQ(bin.empty(nullptr).removed, 1);
  EXPECT_FALSE(fs::exists(kept));
  EXPECT_EQ(ReadFile(victim / "files" / "thesis.txt"), "years of it");
}

// Sparse files of 2^63 - 1 bytes, or two of 2^62 in a folder, show the largest size, not a wrapped
// one; the exact size comes back when they go.
TEST(TrashHostileData, HugeSparseSizesStopAtTheLargest) {
  TempDir tmp;
  TmpfsMount vol(tmp / "vol");  // tmpfs takes files of any 64-bit size
  if (!vol.ok()) GTEST_SKIP() << vol.error();
  const fs::path data = vol.path() / "data", trash = data / "Trash";
  Sparse(PutTrashInfo(trash, "pair") / "a", std::int64_t{1} << 62);
  Sparse(trash / "files" / "pair" / "b", std::int64_t{1} << 62);
  FreedesktopTrash bin(TrashAt(data));
  EXPECT_EQ(Query(bin), Figures(1, kMax));

  Sparse(PutTrashInfo(trash, "huge"), kMax);
  WriteFile(PutTrashInfo(trash, "small"), "12345");
  EXPECT_EQ(Query(bin), Figures(3, kMax));
  fs::remove_all(trash / "files" / "pair");
  fs::remove(trash / "info" / "pair.trashinfo");
  fs::remove(trash / "files" / "huge");
  fs::remove(trash / "info" / "huge.trashinfo");
  EXPECT_EQ(Query(bin), Figures(1, 5));
  EXPECT_EQ(Query(*std::make_unique<FreedesktopTrash>(TrashAt(data))), Figures(1, 5));
}

TEST(TrashHostileData, AnInfoFilePastItsBoundIsNotRead) {
  TempDir tmp;
  const fs::path trash = tmp / "data" / "Trash";
  for (const std::size_t size : {std::size_t{64} << 10, (std::size_t{64} << 10) + 1}) {
    const std::string head = "[Trash Info]\nPath=/x/" + std::to_string(size) + "\n";
    WriteFile(trash / "info" / (std::to_string(size) + ".trashinfo"),
              head + std::string(size - head.size(), '#'));
  }
  std::map<std::string, std::string> places;
  for (const platform::TrashedItem& item : FreedesktopTrash(TrashAt(tmp / "data")).list())
    places[item.key] = item.original;
  EXPECT_EQ(places, (std::map<std::string, std::string>{{"65536", "/x/65536"}, {"65537", ""}}));
}
