// The connectivity check before the weather maps, against sockets of our own
// on 127.0.0.1.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QObject>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Connectivity.h"
#include "support/QtApp.h"
#include "support/SilentListener.h"
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

// The listener never answers: the check must end with its time-out, not hang.
TEST(ConnectivityTest, ListenerThatNeverAcceptsRunsIntoTheTimeOut) {
  testsupport::SilentListener listener;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform::CheckConnection("https://" + listener.At(), 300));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(250)) << "refused rather than unanswered";
  EXPECT_LT(took, std::chrono::seconds(20));
}

// Off the interface thread: the caller goes on at once; the answer arrives on the
// interface thread, and not at all once its context is gone.
TEST(ConnectivityTest, TheCheckAnswersLaterAndNeverToAGoneContext) {
  testsupport::App();
  LoopbackSocket up(16);
  testsupport::SilentListener silent;
  const auto start = std::chrono::steady_clock::now();
  auto context = std::make_unique<QObject>();
  int answers = 0;
  bool reachable = false;
  std::thread::id answeredOn;
  tools::CheckInternet(up.At(), context.get(), [&](bool r) {
    ++answers;
    reachable = r;
    answeredOn = std::this_thread::get_id();
  });
  auto gone = std::make_unique<QObject>();
  tools::CheckInternet(silent.At(), gone.get(), [&](bool) { ++answers; });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_EQ(answers, 0);
  ASSERT_TRUE(testsupport::SpinUntil([&] { return answers > 0; }, 5000));
  EXPECT_TRUE(reachable);
  EXPECT_EQ(answeredOn, std::this_thread::get_id());
  gone.reset();
  testsupport::SpinUntil([] { return false; }, tools::kInternetCheckTimeoutMs + 500);
  EXPECT_EQ(answers, 1);
}

}  // namespace
