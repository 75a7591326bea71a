// The connectivity check and the HTTP transfer against our own 127.0.0.1; port 9 has no listener.
#include <gtest/gtest.h>

#include "platform/Connectivity.h"
#include "platform/HttpTransfer.h"
#include "support/WebTestKit.h"
#include "tools/InternetCheck.h"

using testsupport::LocalHttpServer;

namespace {

using Net = testsupport::WebWindowTest;

// The address in the query refuses: taken for the host, the check fails. Off the UI thread, the
// answer on it: the bin window's silent-host test, test_e2e_weather. None to a context that went.
TEST_F(Net, TheHostIsTheOneBeforeThePathAndAGoneContextGetsNoAnswer) {
  const std::string up = server.Url("").mid(7).toStdString();  // "127.0.0.1:<port>"
  std::string address = up + "/?next=https://127.0.0.1:9";
  EXPECT_TRUE(tools::IsInternetReachable(address)) << address;
  EXPECT_FALSE(platform::CheckConnection("https://127.0.0.1:9", 1000));
  int answers = 0;
  auto gone = std::make_unique<QObject>();
  tools::CheckInternet(up, gone.get(), [&](bool) { ++answers; });
  gone.reset();
  Wait(1000);
  EXPECT_EQ(answers, 0);
}

std::pair<std::vector<int>, QByteArray> Get(const QString& url) {
  auto transfer = platform::CreateHttpTransfer();
  std::vector<int> states;
  QByteArray body;
  QObject::connect(transfer.get(), &platform::HttpTransfer::StateChanged, [&](int s) {
    states.push_back(s);
    for (QByteArray c; s == platform::HttpTransfer::icResponseCompleted &&
                       !(c = transfer->GetChunk(1024)).isEmpty();)
      body += c;
  });
  transfer->Execute(url, "GET", "/tmp/unused");
  EXPECT_TRUE(states.empty()) << "a state change from inside Execute";
  testsupport::SpinUntil([&] { return !states.empty(); }, 5000);
  return {states, body};
}

TEST_F(Net, HttpTransferCompletedOnlyForAWholeBodyElseState11) {
  const QByteArray body = QByteArray(1500, '\0') + QByteArray(1500, '\xff');
  server.Set("/f.bin", LocalHttpServer::Answer(200, body, "application/octet-stream"));
  EXPECT_EQ(Get(server.Url("/f.bin")), std::make_pair(std::vector<int>{12}, body));

  auto cut = LocalHttpServer::Answer(200, QByteArray(4000, 'x'));
  cut.length = 8000;  // the connection closes half-way
  server.Set("/cut", cut);
  auto stall = LocalHttpServer::Answer(200, QByteArray(4000, 'x'));
  stall.stallAfter = 100;
  server.Set("/stall", stall);
  platform::SetStallTimeoutMs(700);
  for (const QString& url : {server.Url("/cut"), server.Url("/stall"), server.Url("/missing")})
    EXPECT_EQ(Get(url).first, std::vector<int>{11}) << url.toStdString();
}

}  // namespace
