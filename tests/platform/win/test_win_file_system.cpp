// The utilities' walks and final deletions never reach outside the folder
// they are given.
#include <windows.h>
// windows.h first: winioctl needs its types.
#include <gtest/gtest.h>
#include <winioctl.h>

#include <filesystem>
#include <string>
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

// A junction (mount point) from `link` to the folder `target`; false when the
// system cannot make one.
bool MakeJunction(const fs::path& link, const fs::path& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // The mount-point layout: tag, data size, reserved, the substitute name's offset and size,
  // the print name's, then both names, each ended by a NUL.
  const std::wstring print = target.wstring(), substitute = L"\\??\\" + print;
  const auto bytes = [](const std::wstring& w) { return static_cast<USHORT>(w.size() * 2); };
  std::vector<USHORT> buffer = {LOWORD(IO_REPARSE_TAG_MOUNT_POINT),
                                HIWORD(IO_REPARSE_TAG_MOUNT_POINT),
                                0,
                                0,
                                0,
                                bytes(substitute),
                                static_cast<USHORT>(bytes(substitute) + 2),
                                bytes(print)};
  for (wchar_t c : substitute + L'\0' + print + L'\0') buffer.push_back(c);
  buffer[2] = static_cast<USHORT>((buffer.size() - 4) * 2);
  DWORD returned = 0;
  const BOOL ok =
      DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(),
                      static_cast<DWORD>(buffer.size() * 2), nullptr, 0, &returned, nullptr);
  CloseHandle(h);
  if (!ok) RemoveDirectoryW(link.c_str());
  return ok;
}

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

TEST(WinFileSystem, LinksAreRemovedAsThemselvesAndNeverEntered) {
  TempDir outside;  // with a file that must survive
  WriteFile(outside / "valioso.txt", "keep");
  TempDir dir;
  const fs::path temp = dir / "Temp";
  fs::create_directories(temp);
  int made = 0;
  // Wine 8.0 makes neither: the junction call fails, and CreateSymbolicLinkW
  // answers TRUE and makes nothing.
  if (MakeJunction(temp / "junction", outside.path())) ++made;
  if (CreateSymbolicLinkW((temp / "symlink").c_str(), outside.path().c_str(),
                          SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged */) &&
      fs::exists(fs::symlink_status(temp / "symlink")))
    ++made;
  // Under Wine a Unix symbolic link is what a Unix program leaves in the folder.
  const std::string unixTemp = testsupport::UnixPath(temp),
                    unixOutside = testsupport::UnixPath(outside.path());
  if (!unixTemp.empty()) {
    int code = -1;
    testsupport::RunUnixShell("ln -s '" + unixOutside + "' '" + unixTemp + "/unixlink'", &code);
    if (code == 0) ++made;
  }
  if (made == 0) GTEST_SKIP() << "this system makes no links here";

  std::vector<std::string> lines;
  platform::ListTree(temp, [&](std::string line) { lines.push_back(std::move(line)); });
  EXPECT_EQ(lines.size(), 1u + made) << "each link one line of its own, never its contents";
  EXPECT_EQ(platform::FolderSize(temp), 0);

  // A folder swapped for a link just before it is entered is not entered.
  fs::create_directory(temp / "swapped");
  platform::DeleteOptions options;
  options.beforeEnter = [&](const fs::path& folder) {
    if (folder.filename() != "swapped" || unixTemp.empty()) return;
    testsupport::RunUnixShell("rmdir '" + unixTemp + "/swapped' && ln -s '" + unixOutside + "' '" +
                              unixTemp + "/swapped'");
  };
  const platform::DeleteReport report = DeleteContents(temp, options);
  EXPECT_EQ(ReadFile(outside / "valioso.txt"), "keep");
  if (platform::win::RunningUnderWine()) {
    // Wine 8.0 opens a Unix link's target whatever the flags, so no call can
    // remove the link itself while the target holds anything: it stays.
    EXPECT_FALSE(report.stayed.empty());
    for (const fs::path& stayed : report.stayed)
      EXPECT_TRUE(stayed.filename() == "unixlink" || stayed.filename() == "swapped") << stayed;
  } else {
    EXPECT_TRUE(report.stayed.empty());
    EXPECT_TRUE(fs::is_empty(temp)) << "the links themselves are gone";
  }

  // A link given as the folder to empty is not entered either.
  if (MakeJunction(dir / "top", outside.path()) ||
      CreateSymbolicLinkW((dir / "top").c_str(), outside.path().c_str(),
                          SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2)) {
    DeleteContents(dir / "top");
    EXPECT_EQ(ReadFile(outside / "valioso.txt"), "keep");
  }
}

}  // namespace

// The profile folder and every folder above it are refused by the deletion itself, reached by
// name or through a junction; the profile's files stay.
TEST(WinFileSystem, TheProfileAndTheFoldersAboveItAreRefused) {
  TempDir dir;
  const fs::path users = dir / "Users", home = users / "me";
  WriteFile(home / "Documents" / "tesis.txt", "años");
  const std::wstring old = _wgetenv(L"USERPROFILE") ? _wgetenv(L"USERPROFILE") : L"";
  SetEnvironmentVariableW(L"USERPROFILE", home.c_str());
  _wputenv_s(L"USERPROFILE", home.c_str());
  const bool junction = MakeJunction(dir / "to-users", users);
  for (const fs::path& folder : {home, users, dir.path()}) {
    const platform::DeleteReport r = DeleteContents(folder);
    platform::Guarded why = platform::Guarded::kNo;
    EXPECT_EQ(platform::RemoveEmptyFolder(folder, &why), EPERM) << folder;
    EXPECT_EQ(r.refused, folder == home ? platform::Guarded::kHome : platform::Guarded::kHoldsHome);
    EXPECT_EQ(why, r.refused);
  }
  if (junction)
    EXPECT_EQ(platform::CheckFolder(dir / "to-users").guarded, platform::Guarded::kHoldsHome);
  _wputenv_s(L"USERPROFILE", old.c_str());
  EXPECT_EQ(ReadFile(home / "Documents" / "tesis.txt"), "años");
}
