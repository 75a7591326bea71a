// The same trash seen by trash-cli, a tool nobody here wrote.
#include <gtest/gtest.h>

#include "support/E2eProgram.h"
#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;

// Its exit status, and in `out` all it wrote; never waiting for input.
static int Sh(const std::string& command, std::string* out = nullptr) {
  return Shell("(" + command + ") 2>&1 </dev/null", out);
}

class TrashInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Sh("command -v trash-put trash-list trash-restore trash-empty") != 0)
      GTEST_SKIP() << "trash-cli is not installed";
  }
  TempDir tmp_;
  ScopedEnv xdg_{"XDG_DATA_HOME", (tmp_ / "data").string()};
  platform::FreedesktopTrash bin_{TrashAt(tmp_ / "data")};
};

TEST_F(TrashInterop, WhatTrashPutTrashesWeCountAndAfterTrashEmptyTheBinIsEmpty) {
  WriteFile(tmp_ / "w" / "file.txt", std::string(1000, 'f'));
  WriteFile(tmp_ / "w" / "dir" / "b" / "c", std::string(300, 'c'));
  ASSERT_EQ(Query(bin_), Figures(0, 0));
  std::string out;
  ASSERT_EQ(Sh("cd '" + (tmp_ / "w").string() + "' && trash-put file.txt dir", &out), 0) << out;
  EXPECT_EQ(Query(bin_), Figures(2, 1300));
  ASSERT_EQ(Sh("trash-empty", &out), 0) << out;
  EXPECT_EQ(Query(bin_), Figures(0, 0));
}

TEST_F(TrashInterop, WhatWeTrashTrashCliListsAndRestoresByteForByte) {
  const fs::path dir = fs::canonical(tmp_.path()) / "w";
  const std::vector<fs::path> items = {dir / "con blancos.txt", dir / "acentuación ñandú.txt",
                                       dir / "100% real.txt"};
  std::string all(5000, '\0');  // every byte value, and files that differ
  for (std::size_t k = 0; k < all.size(); ++k) all[k] = static_cast<char>(k * 7 % 256);
  for (std::size_t i = 0; i < items.size(); ++i) WriteFile(items[i], all.substr(i));
  ASSERT_TRUE(bin_.moveToTrash(items).ok);
  std::string list;
  ASSERT_EQ(Sh("trash-list", &list), 0) << list;
  for (const fs::path& item : items) EXPECT_NE(list.find(item.string()), std::string::npos) << list;
  // trash-restore asks which one; the first each time, until all are back.
  for (std::size_t i = 0; i < items.size(); ++i)
    Sh("cd '" + dir.string() + "' && echo 0 | trash-restore");
  for (std::size_t i = 0; i < items.size(); ++i) EXPECT_EQ(ReadFile(items[i]), all.substr(i)) << i;
  EXPECT_EQ(Query(bin_), Figures(0, 0));
}
