// The HTTP transfer against a server on 127.0.0.1.
#include <gtest/gtest.h>

#include "platform/HttpTransfer.h"
#include "platform/WebBrowser.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"

using testsupport::LocalHttpServer;

namespace {

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

}  // namespace

TEST(HttpTransfer, CompletedOnlyForAWholeBodyElseState11) {
  testsupport::App();
  LocalHttpServer server;
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
  platform::SetStallTimeoutMs(30000);
}
