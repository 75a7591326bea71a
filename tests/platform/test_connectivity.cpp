// The connectivity check before the weather maps, against sockets of our own
// on 127.0.0.1.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/Connectivity.h"
#include "tools/InternetCheck.h"

namespace {

// Bound to 127.0.0.1 on a port the system picks; listening when backlog >= 0.
class LoopbackSocket {
 public:
  explicit LoopbackSocket(int backlog = -1) {
    addr_.sin_family = AF_INET;
    addr_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr_), sizeof addr_);
    socklen_t length = sizeof addr_;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr_), &length);
    if (backlog >= 0) listen(fd_, backlog);
  }
  ~LoopbackSocket() { close(fd_); }
  std::string At() const { return "127.0.0.1:" + std::to_string(ntohs(addr_.sin_port)); }
  const sockaddr_in& addr() const { return addr_; }

 private:
  int fd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr_{};
};

TEST(ConnectivityTest, AnswersWhetherTheHostTakesConnections) {
  LoopbackSocket up(16), down;
  std::string address = up.At();
  EXPECT_TRUE(tools::IsInternetReachable(address));
  EXPECT_EQ(address, "https://" + up.At()) << "the caller's text gets the scheme";
  address = down.At();
  EXPECT_FALSE(tools::IsInternetReachable(address));
  // Only https counts as already there, in any case of letters.
  std::string upper = "HTTPS://X", http = "http://x";
  tools::AddHttpsScheme(upper);
  tools::AddHttpsScheme(http);
  EXPECT_EQ(upper, "HTTPS://X");
  EXPECT_EQ(http, "https://http://x");

  for (const std::string& other :
       {"HTTPS://" + up.At() + "/", "https://user:pw@" + up.At() + "/path?q=1#frag",
        // The host is the one before the path, not the refusing one in the query.
        up.At() + "/?next=https://127.0.0.1:1"}) {
    EXPECT_TRUE(platform::CheckConnection(other, 5000)) << other;
  }
  for (const char* nowhere : {"", "https://:443", "https://127.0.0.1:0", "https://127.0.0.1:65536",
                              "https://127.0.0.1:12ab", "https://[::1", "gopher://127.0.0.1"}) {
    EXPECT_FALSE(platform::CheckConnection(nowhere, 1000)) << nowhere;
  }
}

// A full accept queue makes the system drop further connection requests unanswered, as a
// filtered host would: the check must end with its time-out, not hang.
TEST(ConnectivityTest, ListenerThatNeverAcceptsRunsIntoTheTimeOut) {
  LoopbackSocket listener(0);
  std::vector<int> fillers;
  for (int i = 0; i < 3; ++i) {
    fillers.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
    connect(fillers.back(), reinterpret_cast<const sockaddr*>(&listener.addr()),
            sizeof listener.addr());
  }
  usleep(100000);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform::CheckConnection("https://" + listener.At(), 300));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(250)) << "refused rather than unanswered";
  EXPECT_LT(took, std::chrono::seconds(20));
  for (int fd : fillers) close(fd);
}

}  // namespace
