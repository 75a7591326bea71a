// The Windows adapters against the system: walks and deletions, the Recycle Bin (under Wine, the
// Unix user's trash, private to the test script), TEMP, a check on 127.0.0.1, registry values.
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2 before windows.h, which would bring the old winsock; shellapi needs windows.h.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <windows.h>

#include <vector>

#include "platform/Connectivity.h"
#include "platform/DesktopSession.h"
#include "platform/FileSystem.h"
#include "platform/RecycleBin.h"
#include "platform/System.h"
#include "platform/win/WinSession.h"
#include "platform/win/WinTestKit.h"
#include "platform/win/WinText.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace platform::win;
using namespace testsupport;
using platform::DeleteContents;

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
  const std::string unixTemp = UnixPath(temp), unixOutside = UnixPath(outside.path());
  int code = -1;
  if (!unixTemp.empty())
    RunUnixShell("ln -s '" + unixOutside + "' '" + unixTemp + "/unixlink'", &code);
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
    RunUnixShell("rmdir '" + unixTemp + "/swapped' && ln -s '" + unixOutside + "' '" + unixTemp +
                 "/swapped'");
  };
  const platform::DeleteReport report = DeleteContents(temp, options);
  EXPECT_EQ(ReadFile(outside / "valioso.txt"), "keep");
  // Wine 8.0 opens a Unix link's target whatever the flags, so no call can remove the link itself
  // while the target holds anything: it stays.
  EXPECT_FALSE(report.stayed.empty());
  for (const fs::path& stayed : report.stayed)
    EXPECT_TRUE(stayed.filename() == "unixlink" || stayed.filename() == "swapped") << stayed;
}

// By the deletion itself; the profile's files stay.
TEST(WinFileSystem, TheProfileAndTheFoldersAboveItAreRefused) {
  TempDir dir;
  const fs::path users = dir / "Users", home = users / "me";
  WriteFile(home / "Documents" / "tesis.txt", "años");
  ScopedEnv profile("USERPROFILE", home.string());
  for (const fs::path& folder : {home, users, dir.path()}) {
    const platform::DeleteReport r = DeleteContents(folder);
    platform::Guarded why = platform::Guarded::kNo;
    EXPECT_EQ(platform::RemoveEmptyFolder(folder, &why), EPERM) << folder;
    EXPECT_EQ(r.refused, folder == home ? platform::Guarded::kHome : platform::Guarded::kHoldsHome);
    EXPECT_EQ(why, r.refused);
  }
  EXPECT_EQ(ReadFile(home / "Documents" / "tesis.txt"), "años");
}

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

TEST(WinSystem, TempPathIsUtf8WithItsSeparator) {
  // GetTempPath reads TMP first; a name outside ASCII must come back as UTF-8.
  ScopedEnv tmp("TMP", ToAnsi("C:\\Temp\\ñandú"));
  EXPECT_EQ(platform::TempPath(), "C:\\Temp\\ñandú\\");
}

// Bound to 127.0.0.1 on a port the system picks; listening when asked.
class LoopbackSocket {
 public:
  explicit LoopbackSocket(bool listening) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    s_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int length = sizeof addr;
    getsockname(s_, reinterpret_cast<sockaddr*>(&addr), &length);
    port_ = ntohs(addr.sin_port);
    if (listening) listen(s_, 16);
  }
  ~LoopbackSocket() {
    closesocket(s_);
    WSACleanup();
  }
  std::string At() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  SOCKET s_;
  int port_ = 0;
};

TEST(WinConnectivity, TheHostIsTheOneBeforeThePath) {
  LoopbackSocket up(true), down(false);
  // The address in the query refuses: taking it for the host fails the check.
  EXPECT_TRUE(platform::CheckConnection(up.At() + "/?next=https://" + down.At(), 5000));
  EXPECT_FALSE(platform::CheckConnection("https://" + down.At(), 2000));
}

LSTATUS ReadUserValue(const wchar_t* key, const wchar_t* name, DWORD type, void* data, DWORD size) {
  return RegGetValueW(HKEY_CURRENT_USER, key, name, type, nullptr, data, data ? &size : nullptr);
}

TEST(WinSession, RunAndHiddenIconValuesAreWrittenAndRemoved) {
  auto session = platform::MakeDesktopSession();
  const std::string line = platform::AutostartCommandLine(
      L"C:\\Archivos de programa\\Ww\\WasteWell.exe", L"C:\\Datos\\\"raro\"\\");
  ASSERT_TRUE(session->SetStartAtLogIn(true, line));
  wchar_t stored[2048] = {};
  ASSERT_EQ(ReadUserValue(kRunKey, kRunValue, RRF_RT_REG_SZ, stored, sizeof stored), ERROR_SUCCESS);
  // The system splits the stored line back into what the program was given.
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(stored, &argc);
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8(std::wstring(argv[i])));
  LocalFree(argv);
  EXPECT_EQ(args, (std::vector<std::string>{"C:\\Archivos de programa\\Ww\\WasteWell.exe",
                                            "--program-folder", "C:\\Datos\\\"raro\"\\"}));
  for (int round = 0; round < 2; ++round) {  // the second time it is already gone
    ASSERT_TRUE(session->SetStartAtLogIn(false, line));
    EXPECT_EQ(ReadUserValue(kRunKey, kRunValue, RRF_RT_ANY, nullptr, 0), ERROR_FILE_NOT_FOUND);
  }
  // A line break would end the command where the system reads it, and start another.
  EXPECT_FALSE(SetRunValue(true, "C:\\Ww\\WasteWell.exe\r\nC:\\otro.exe"));
  EXPECT_EQ(ReadUserValue(kRunKey, kRunValue, RRF_RT_ANY, nullptr, 0), ERROR_FILE_NOT_FOUND);

  // No desktop without a display: the refresh that follows does nothing.
  for (bool hidden : {true, false}) {
    ASSERT_TRUE(session->SetTrashIconHidden(hidden));
    for (const wchar_t* key : kHideIconsKeys) {
      DWORD value = 7;
      EXPECT_EQ(ReadUserValue(key, kRecycleBinClassId, RRF_RT_REG_DWORD, &value, sizeof value),
                ERROR_SUCCESS);
      EXPECT_EQ(value, hidden ? 1u : 0u) << Utf8(std::wstring(key));
    }
  }
}

}  // namespace
