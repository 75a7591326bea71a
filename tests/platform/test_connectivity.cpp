// The connectivity check before the weather maps, against listeners of our own on 127.0.0.1;
// nothing listens on its port 9.
#include <gtest/gtest.h>

#include <QObject>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/Connectivity.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"
#include "support/SilentListener.h"
#include "tools/InternetCheck.h"

namespace {

// "127.0.0.1:<port>" of a listener that takes connections.
std::string Up(const testsupport::LocalHttpServer& server) {
  return server.Url("").mid(7).toStdString();
}

TEST(ConnectivityTest, TheHostIsTheOneBeforeThePath) {
  testsupport::App();
  testsupport::LocalHttpServer up;
  // The address in the query refuses: taking it for the host fails the check.
  std::string address = Up(up) + "/?next=https://127.0.0.1:9";
  EXPECT_TRUE(tools::IsInternetReachable(address)) << address;
  EXPECT_FALSE(platform::CheckConnection("https://127.0.0.1:9", 1000));
}

// Off the interface thread: the caller goes on at once; the answer arrives on the
// interface thread, and not at all once its context is gone. A listener that never answers
// ends in the time-out, not a hang.
TEST(ConnectivityTest, TheCheckAnswersLaterAndNeverToAGoneContext) {
  testsupport::App();
  testsupport::LocalHttpServer up;
  testsupport::SilentListener silent;
  const auto start = std::chrono::steady_clock::now();
  auto context = std::make_unique<QObject>();
  int answers = 0;
  bool reachable = false;
  std::thread::id answeredOn;
  tools::CheckInternet(Up(up), context.get(), [&](bool r) {
    ++answers;
    reachable = r;
    answeredOn = std::this_thread::get_id();
  });
  auto gone = std::make_unique<QObject>();
  tools::CheckInternet(silent.At(), gone.get(), [&](bool) { ++answers; });
  std::optional<bool> unanswered;
  tools::CheckInternet(silent.At(), context.get(), [&](bool r) { unanswered = r; });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_EQ(answers, 0);
  ASSERT_TRUE(testsupport::SpinUntil([&] { return answers > 0; }, 5000));
  EXPECT_TRUE(reachable);
  EXPECT_EQ(answeredOn, std::this_thread::get_id());
  gone.reset();
  testsupport::SpinUntil([] { return false; }, tools::kInternetCheckTimeoutMs + 500);
  EXPECT_EQ(answers, 1);
  EXPECT_EQ(unanswered, std::optional<bool>(false));
}

}  // namespace
