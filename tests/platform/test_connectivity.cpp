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

TEST(ConnectivityTest, TheHostIsTheOneBeforeThePath) {
  LoopbackSocket up(16), down;
  // The address in the query refuses: taking it for the host fails the check.
  std::string address = up.At() + "/?next=https://" + down.At();
  EXPECT_TRUE(tools::IsInternetReachable(address)) << address;
  EXPECT_FALSE(platform::CheckConnection("https://" + down.At(), 1000));
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
