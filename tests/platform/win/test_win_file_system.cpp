// The utilities' walks and final deletions never reach outside the folder they are given.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/FileSystem.h"
#include "platform/win/WinTestKit.h"
#include "platform/win/WinText.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::DeleteContents;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// A read-only entry goes; a file a running program holds stays and is named.
TEST(WinFileSystem, ReadOnlyDoesNotStopTheDeletionButAnOpenFileStays) {
  TempDir dir;
  const fs::path temp = dir / "Temp", readOnly = temp / "sub" / fs::u8path("sólo lectura.txt");
  WriteFile(readOnly, "r");
  WriteFile(temp / "busy.txt", "b");
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  // Opened without delete sharing, as a running program holds its files.
  HANDLE busy = CreateFileW((temp / "busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  const platform::DeleteReport report = DeleteContents(temp);
  CloseHandle(busy);
  EXPECT_EQ(report.removed, 2);
  EXPECT_EQ(report.stayed, (std::vector<fs::path>{temp / "busy.txt"}));
  EXPECT_EQ(ReadFile(temp / "busy.txt"), "b");
  EXPECT_FALSE(fs::exists(temp / "sub"));
}

// Wine 8.0 makes neither junctions nor Windows symbolic links: the links are a Unix program's.
TEST(WinFileSystem, LinksAreRemovedAsThemselvesAndNeverEntered) {
  TempDir outside;  // with a file that must survive
  WriteFile(outside / "valioso.txt", "keep");
  TempDir dir;
  const fs::path temp = dir / "Temp";
  fs::create_directories(temp);
  const std::string unixTemp = testsupport::UnixPath(temp),
                    unixOutside = testsupport::UnixPath(outside.path());
  int code = -1;
  if (!unixTemp.empty())
    testsupport::RunUnixShell("ln -s '" + unixOutside + "' '" + unixTemp + "/unixlink'", &code);
  if (code != 0) GTEST_SKIP() << "not under Wine";

  std::vector<std::string> lines;
  platform::ListTree(temp, [&](std::string line) { lines.push_back(std::move(line)); });
  EXPECT_EQ(lines.size(), 2u) << "the link one line of its own, never its contents";
  EXPECT_EQ(platform::FolderSize(temp), 0);

  // A folder swapped for a link just before it is entered is not entered.
  fs::create_directory(temp / "swapped");
  platform::DeleteOptions options;
  options.beforeEnter = [&](const fs::path& folder) {
    if (folder.filename() != "swapped") return;
    testsupport::RunUnixShell("rmdir '" + unixTemp + "/swapped' && ln -s '" + unixOutside + "' '" +
                              unixTemp + "/swapped'");
  };
  const platform::DeleteReport report = DeleteContents(temp, options);
  EXPECT_EQ(ReadFile(outside / "valioso.txt"), "keep");
  // Wine 8.0 opens a Unix link's target whatever the flags, so no call can remove the link itself
  // while the target holds anything: it stays.
  EXPECT_FALSE(report.stayed.empty());
  for (const fs::path& stayed : report.stayed)
    EXPECT_TRUE(stayed.filename() == "unixlink" || stayed.filename() == "swapped") << stayed;
}

}  // namespace

// By the deletion itself; the profile's files stay.
TEST(WinFileSystem, TheProfileAndTheFoldersAboveItAreRefused) {
  TempDir dir;
  const fs::path users = dir / "Users", home = users / "me";
  WriteFile(home / "Documents" / "tesis.txt", "años");
  const std::wstring old = _wgetenv(L"USERPROFILE") ? _wgetenv(L"USERPROFILE") : L"";
  SetEnvironmentVariableW(L"USERPROFILE", home.c_str());
  _wputenv_s(L"USERPROFILE", home.c_str());
  for (const fs::path& folder : {home, users, dir.path()}) {
    const platform::DeleteReport r = DeleteContents(folder);
    platform::Guarded why = platform::Guarded::kNo;
    EXPECT_EQ(platform::RemoveEmptyFolder(folder, &why), EPERM) << folder;
    EXPECT_EQ(r.refused, folder == home ? platform::Guarded::kHome : platform::Guarded::kHoldsHome);
    EXPECT_EQ(why, r.refused);
  }
  _wputenv_s(L"USERPROFILE", old.c_str());
  EXPECT_EQ(ReadFile(home / "Documents" / "tesis.txt"), "años");
}
