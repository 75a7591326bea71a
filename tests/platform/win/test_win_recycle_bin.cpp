// The Recycle Bin adapter against the system's own bin. Under Wine the bin is the freedesktop.org
// trash of the Unix user (the test script makes it a private one).
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/RecycleBin.h"
#include "platform/win/WinText.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace platform::win;
using namespace testsupport;

class RecycleBinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunningUnderWine()) fs::remove_all(WineTrashFolder(), ec);
    bin_ = platform::MakeRecycleBin();
  }
  void TearDown() override { bin_->empty(nullptr); }
  std::unique_ptr<platform::RecycleBin> bin_;
  TempDir dir;
  std::error_code ec;
};

// An item that cannot go is named with its reason; the others still go.
TEST_F(RecycleBinTest, MovesQueriesAndEmpties) {
  WriteFile(dir / "nota.txt", std::string(1000, 'n'));
  WriteFile(dir / "carpeta" / "dentro.txt", std::string(3000, 'd'));
  const fs::path missing = dir.path() / fs::u8path("no-está.txt");
  const platform::BinQuery before = bin_->query();

  const platform::MoveResult moved =
      bin_->moveToTrash({dir / "nota.txt", missing, dir / "carpeta"});
  EXPECT_FALSE(moved.ok);
  ASSERT_EQ(moved.stayed.size(), 1u);
  EXPECT_EQ(moved.stayed[0].first, missing);
  EXPECT_EQ(moved.stayed[0].second, "no existe");
  EXPECT_FALSE(fs::exists(dir / "nota.txt"));
  EXPECT_FALSE(fs::exists(dir / "carpeta"));

  const platform::BinQuery full = bin_->query();
  EXPECT_EQ(full.count, before.count + 2);
  if (RunningUnderWine())
    EXPECT_TRUE(fs::exists(WineTrashFolder() / "files" / "carpeta" / "dentro.txt"));

  // Stopped at the first question, the emptying removes nothing.
  EXPECT_EQ(bin_->empty([](std::int64_t, std::int64_t) { return false; }).removed, 0);
  EXPECT_EQ(bin_->query().count, full.count);

  const platform::EmptyResult emptied = bin_->empty(nullptr);
  const platform::BinQuery after = bin_->query();
  // Whatever the system left is counted as left, never as removed.
  EXPECT_EQ(emptied.removed, full.count - after.count);
  EXPECT_EQ(static_cast<std::int64_t>(emptied.left.size()), after.count);
  // Wine 8.0 removes the files but leaves every trashed folder, and still answers S_OK.
  EXPECT_EQ(after.count, RunningUnderWine() ? 1 : 0);
  if (RunningUnderWine()) {
    EXPECT_EQ(emptied.left, std::vector<fs::path>{L"carpeta"});
    EXPECT_FALSE(fs::exists(WineTrashFolder() / "files" / "nota.txt"));
  }
}

// The move never destroys a file: where the bin cannot take it, it stays.
TEST_F(RecycleBinTest, AFileTheBinCannotTakeStaysWhereItWas) {
  if (!RunningUnderWine()) GTEST_SKIP() << "needs a bin that can be broken: Wine's trash folder";
  // Wine 8.0 has been seen to destroy the file and answer success when the trash folder was
  // missing; the adapter makes the folder first.
  WriteFile(dir / "uno.txt", "1");
  EXPECT_TRUE(bin_->moveToTrash({dir / "uno.txt"}).ok);
  EXPECT_TRUE(fs::exists(WineTrashFolder() / "files" / "uno.txt"));

  // A file where the trash's files folder should be: no move can succeed, and Wine answers by
  // destroying the file unless asked to warn first.
  fs::remove_all(WineTrashFolder(), ec);
  WriteFile(WineTrashFolder() / "files", "not a folder");
  WriteFile(dir / "dos.txt", "2");
  fs::create_directory(dir / "tres");
  const platform::MoveResult r = bin_->moveToTrash({dir / "dos.txt", dir / "tres"});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(ReadFile(dir / "dos.txt"), "2");
  EXPECT_TRUE(fs::is_directory(dir / "tres"));
  ASSERT_EQ(r.stayed.size(), 2u);
  for (const auto& [item, reason] : r.stayed) EXPECT_FALSE(reason.empty()) << item;
  fs::remove_all(WineTrashFolder(), ec);
}

}  // namespace
