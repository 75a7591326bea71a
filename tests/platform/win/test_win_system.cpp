// System services of the Windows set: the temporary folder, the connectivity check against sockets
// of our own on 127.0.0.1.
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2 before windows.h, which would bring the old winsock.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Connectivity.h"
#include "platform/System.h"
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

}  // namespace
