// The connectivity check before the weather maps, against listeners of our own on 127.0.0.1;
// nothing listens on its port 9.
#include <gtest/gtest.h>

#include <QObject>
#include <memory>
#include <string>

#include "platform/Connectivity.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"
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

// Off the interface thread, with the answer on the interface thread: test_e2e_utilities (a
// host that never answers) and test_e2e_weather (one that does). None to a context that went.
TEST(ConnectivityTest, NoAnswerToAGoneContext) {
  testsupport::App();
  testsupport::LocalHttpServer up;
  int answers = 0;
  auto gone = std::make_unique<QObject>();
  tools::CheckInternet(Up(up), gone.get(), [&](bool) { ++answers; });
  gone.reset();
  testsupport::SpinUntil([] { return false; }, 1000);
  EXPECT_EQ(answers, 0);
}

}  // namespace
