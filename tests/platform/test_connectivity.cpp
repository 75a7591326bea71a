// The connectivity check against listeners of our own on 127.0.0.1.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/Connectivity.h"

namespace {

using Clock = std::chrono::steady_clock;

// A socket bound to 127.0.0.1 on a port the system picks.
class LoopbackSocket {
 public:
  explicit LoopbackSocket(int backlog = -1) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t length = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length);
    port_ = ntohs(addr.sin_port);
    if (backlog >= 0) listen(fd_, backlog);
  }
  ~LoopbackSocket() { close(fd_); }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

std::string At(int port) { return "127.0.0.1:" + std::to_string(port); }

TEST(ConnectivityTest, ListenerAnswersWhateverTheAddressAround) {
  LoopbackSocket listener(16);
  const std::string port = std::to_string(listener.port());
  for (const std::string& address :
       {"https://127.0.0.1:" + port, "HTTPS://127.0.0.1:" + port + "/", At(listener.port()),
        "https://user:pw@127.0.0.1:" + port + "/path?q=1#frag", "http://127.0.0.1:" + port + "?q",
        At(listener.port()) + "/?next=https://10.0.0.1:1"}) {
    EXPECT_TRUE(platform::CheckConnection(address, 5000)) << address;
  }
}

TEST(ConnectivityTest, BracketedIpv6Literal) {
  const int probe = socket(AF_INET6, SOCK_STREAM, 0);
  if (probe < 0) GTEST_SKIP() << "no IPv6 here";
  close(probe);
  LoopbackSocket listener(16);
  // The IPv4 loopback address written as IPv6: still nothing but 127.0.0.1.
  EXPECT_TRUE(platform::CheckConnection(
      "https://[::ffff:127.0.0.1]:" + std::to_string(listener.port()) + "/x", 5000));
}

TEST(ConnectivityTest, ClosedPortAnswersFalseWithoutWaitingForTheTimeOut) {
  int port;
  {
    LoopbackSocket bound;  // bound, never listening: the port refuses
    port = bound.port();
    const auto start = Clock::now();
    EXPECT_FALSE(platform::CheckConnection("https://" + At(port), 60000));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  }
}

TEST(ConnectivityTest, ListenerThatNeverAcceptsRunsIntoTheTimeOut) {
  // A full accept queue makes the system drop further connection requests
  // unanswered, as a filtered host would.
  LoopbackSocket listener(0);
  std::vector<int> fillers;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(listener.port()));
  for (int i = 0; i < 3; ++i) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    fillers.push_back(fd);
  }
  usleep(100000);
  const auto start = Clock::now();
  EXPECT_FALSE(platform::CheckConnection("https://" + At(listener.port()), 300));
  const auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(250)) << "refused rather than unanswered";
  EXPECT_LT(took, std::chrono::seconds(20));
  for (int fd : fillers) close(fd);
}

TEST(ConnectivityTest, AddressesThatNameNoPlaceAreFalse) {
  for (const char* address :
       {"", "https://", "https://:443", "https://127.0.0.1:0", "https://127.0.0.1:65536",
        "https://127.0.0.1:12ab", "https://127.0.0.1:-1", "https://[::1", "https://[::1]x",
        "gopher://127.0.0.1"}) {
    EXPECT_FALSE(platform::CheckConnection(address, 1000)) << address;
  }
}

}  // namespace
