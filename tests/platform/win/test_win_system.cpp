// System services of the Windows set: the temporary folder, the connectivity check against sockets
// of our own on 127.0.0.1, and the Run and hidden-icon values in the registry (Wine's real registry
// under the test script's private prefix), as the bin window sets them.
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2 before windows.h, which would bring the old winsock; shellapi needs windows.h.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <windows.h>

#include "platform/Connectivity.h"
#include "platform/DesktopSession.h"
#include "platform/System.h"
#include "platform/win/WinSession.h"
#include "platform/win/WinText.h"
#include "support/TempDir.h"

namespace {

TEST(WinSystem, TempPathIsUtf8WithItsSeparator) {
  // GetTempPath reads TMP first; a name outside ASCII must come back as UTF-8.
  testsupport::ScopedEnv tmp("TMP", platform::win::ToAnsi("C:\\Temp\\ñandú"));
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

using namespace platform::win;

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
