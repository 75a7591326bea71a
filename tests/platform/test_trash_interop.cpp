// The same trash seen by trash-cli, a tool nobody here wrote.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/linux/FreedesktopTrash.h"
#include "support/TempDir.h"
#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using platform::FreedesktopTrash;
using platform::TrashSettings;
using testsupport::ReadFile;
using testsupport::RunShell;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::string Quote(const fs::path& p) {
  std::string out = "'";
  for (char c : p.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class TrashInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunShell("command -v trash-put trash-list trash-restore trash-empty") != 0)
      GTEST_SKIP() << "trash-cli is not installed";
  }
  TempDir tmp_;
  testsupport::ScopedEnv xdg_{"XDG_DATA_HOME", (tmp_ / "data").string()};
  TrashSettings settings(std::vector<fs::path> tops = {}) {
    TrashSettings s;
    s.dataHome = tmp_ / "data";
    s.uid = getuid();
    s.topDirs = std::move(tops);
    return s;
  }
};

}  // namespace

TEST_F(TrashInterop, WhatTrashPutTrashesWeCountAndAfterTrashEmptyTheBinIsEmpty) {
  WriteFile(tmp_ / "w" / "file.txt", std::string(1000, 'f'));
  WriteFile(tmp_ / "w" / "dir" / "a", std::string(20, 'a'));
  WriteFile(tmp_ / "w" / "dir" / "b" / "c", std::string(300, 'c'));
  FreedesktopTrash bin(settings());
  ASSERT_EQ(bin.query().count, 0);
  std::string out;
  ASSERT_EQ(
      RunShell("trash-put " + Quote(tmp_ / "w" / "file.txt") + " " + Quote(tmp_ / "w" / "dir"), "",
               &out),
      0)
      << out;
  auto q = bin.query();
  EXPECT_EQ(q.count, 2);
  EXPECT_EQ(q.size, 1320);

  ASSERT_EQ(RunShell("trash-empty", "", &out), 0) << out;
  q = bin.query();
  EXPECT_EQ(q.count, 0);
  EXPECT_EQ(q.size, 0);
}

TEST_F(TrashInterop, WhatWeTrashTrashCliListsAndRestoresByteForByte) {
  const std::vector<std::string> names = {"con blancos.txt", "acentuación ñandú.txt",
                                          "100% real.txt"};
  std::vector<fs::path> items;
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string bytes(5000 + i, '\0');
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>((k * 7 + i) % 256);
    WriteFile(tmp_ / "w" / names[i], bytes);
    items.push_back(tmp_ / "w" / names[i]);
  }
  const fs::path dir = fs::canonical(tmp_ / "w");
  FreedesktopTrash bin(settings());
  ASSERT_TRUE(bin.moveToTrash(items).ok);

  std::string list;
  ASSERT_EQ(RunShell("trash-list", "", &list), 0) << list;
  for (const std::string& n : names)
    EXPECT_NE(list.find((dir / n).string()), std::string::npos) << list;

  // trash-restore asks which one; the first each time, until all are back.
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string out;
    RunShell("cd " + Quote(dir) + " && trash-restore", "0\n", &out);
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string bytes(5000 + i, '\0');
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>((k * 7 + i) % 256);
    EXPECT_EQ(ReadFile(dir / names[i]), bytes) << names[i];
  }
  EXPECT_EQ(bin.query().count, 0);
}

TEST_F(TrashInterop, VolumeTrashesAgreeBothWays) {
  testsupport::TmpfsMount vol(tmp_ / "vol");
  if (!vol.ok()) GTEST_SKIP() << "cannot mount a tmpfs here: " << vol.error();
  WriteFile(vol.path() / "theirs.txt", std::string(42, 't'));
  WriteFile(vol.path() / "sub" / "ours.txt", std::string(58, 'o'));
  FreedesktopTrash bin(settings({vol.path()}));
  std::string out;
  ASSERT_EQ(RunShell("trash-put " + Quote(vol.path() / "theirs.txt"), "", &out), 0) << out;
  ASSERT_TRUE(bin.moveToTrash({vol.path() / "sub" / "ours.txt"}).ok);
  auto q = bin.query();
  EXPECT_EQ(q.count, 2);
  EXPECT_EQ(q.size, 100);
  ASSERT_EQ(RunShell("trash-list", "", &out), 0) << out;
  EXPECT_NE(out.find((vol.path() / "sub" / "ours.txt").string()), std::string::npos) << out;
  EXPECT_NE(out.find((vol.path() / "theirs.txt").string()), std::string::npos) << out;
}
