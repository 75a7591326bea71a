// System services of the Windows set: the temporary folder, one copy per
// executable, the connectivity check against sockets of our own on 127.0.0.1.
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2 before windows.h, which would bring the old winsock.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/Connectivity.h"
#include "platform/KeyState.h"
#include "platform/System.h"
#include "platform/win/WinText.h"
#include "support/TempDir.h"

namespace {

TEST(WinSystem, TempPathIsUtf8WithItsSeparator) {
  // GetTempPath reads TMP first; a name outside ASCII must come back as UTF-8.
  testsupport::ScopedEnv tmp("TMP", platform::win::ToAnsi("C:\\Temp\\ñandú"));
  EXPECT_EQ(platform::TempPath(), "C:\\Temp\\ñandú\\");
}

TEST(WinSystem, OneCopyPerExecutableWhateverTheCase) {
  EXPECT_TRUE(platform::AcquireSingleInstance(L"C:\\Programas\\A\\WasteWell.exe"));
  EXPECT_FALSE(platform::AcquireSingleInstance(L"C:\\Programas\\A\\WasteWell.exe"));
  EXPECT_FALSE(platform::AcquireSingleInstance(L"c:\\PROGRAMAS\\a\\wastewell.EXE"));
  EXPECT_TRUE(platform::AcquireSingleInstance(L"C:\\Programas\\B\\WasteWell.exe"));
}

TEST(WinSystem, KeyStateReadsTheSystemsKeys) {
  auto keys = platform::MakeKeyState();
  ASSERT_NE(keys, nullptr);
  // Nobody presses Alt during the test.
  EXPECT_GE(keys->AsyncKeyState(VK_MENU), 0);
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

TEST(WinConnectivity, AnswersWhetherTheHostTakesConnections) {
  LoopbackSocket up(true), down(false);
  for (const std::string& address :
       {"https://" + up.At(), "HTTPS://" + up.At() + "/", up.At(),
        "https://user:pw@" + up.At() + "/path?q=1#frag", up.At() + "/?next=https://127.0.0.1:1"})
    EXPECT_TRUE(platform::CheckConnection(address, 5000)) << address;
  EXPECT_FALSE(platform::CheckConnection("https://" + down.At(), 2000));
  for (const char* nowhere : {"", "https://:443", "https://127.0.0.1:0", "https://127.0.0.1:65536",
                              "https://127.0.0.1:12ab", "https://[::1", "gopher://127.0.0.1"})
    EXPECT_FALSE(platform::CheckConnection(nowhere, 1000)) << nowhere;
}

}  // namespace
