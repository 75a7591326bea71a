// The HTTP transfer against a server on 127.0.0.1.
#include <gtest/gtest.h>

#include "platform/HttpTransfer.h"
#include "platform/WebBrowser.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"

using testsupport::LocalHttpServer;
using testsupport::SpinUntil;

namespace {

struct Outcome {
  std::vector<int> states;
  QByteArray body;
  std::vector<int> chunkSizes;
};

Outcome Get(const QString& url) {
  auto transfer = platform::CreateHttpTransfer();
  Outcome run;
  QObject::connect(transfer.get(), &platform::HttpTransfer::StateChanged, [&](int s) {
    run.states.push_back(s);
    if (s != platform::HttpTransfer::icResponseCompleted) return;
    for (QByteArray c; !(c = transfer->GetChunk(1024)).isEmpty();) {
      run.chunkSizes.push_back(c.size());
      run.body += c;
    }
  });
  transfer->Execute(url, "GET", "/tmp/unused");
  EXPECT_TRUE(run.states.empty()) << "a state change from inside Execute";
  SpinUntil([&] { return !run.states.empty(); }, 5000);
  return run;
}

}  // namespace

TEST(HttpTransfer, CompletedOnlyForAWholeBodyElseState11) {
  testsupport::App();
  LocalHttpServer server;
  QByteArray body;
  for (int i = 0; i < 3000; ++i) body += char(i * 7);
  server.Set("/f.bin", LocalHttpServer::Answer(200, body, "application/octet-stream"));
  const Outcome run = Get(server.Url("/f.bin"));
  ASSERT_EQ(run.states, std::vector<int>{12});
  EXPECT_EQ(run.body, body);
  EXPECT_EQ(run.chunkSizes, (std::vector<int>{1024, 1024, 952}));

  server.Set("/500", LocalHttpServer::Answer(500, "boom"));
  auto cut = LocalHttpServer::Answer(200, QByteArray(4000, 'x'));
  cut.length = 8000;  // the connection closes half-way
  server.Set("/cut", cut);
  auto stall = LocalHttpServer::Answer(200, QByteArray(4000, 'x'));
  stall.stallAfter = 100;
  server.Set("/stall", stall);
  platform::SetStallTimeoutMs(700);
  for (const QString& url :
       {server.Url("/500"), server.Url("/missing"), server.Url("/cut"), server.Url("/stall"),
        QString("WasteWell.txt") /* no server */, QString("http://127.0.0.1:1/x") /* refused */})
    EXPECT_EQ(Get(url).states, std::vector<int>{11}) << url.toStdString();
  platform::SetStallTimeoutMs(30000);
}

TEST(HttpTransfer, CancelEndsTheTransferWithoutAnEvent) {
  testsupport::App();
  LocalHttpServer server;
  auto slow = LocalHttpServer::Answer(200, "late");
  slow.delayMs = 800;
  server.Set("/slow", slow);
  auto transfer = platform::CreateHttpTransfer();
  std::vector<int> states;
  QObject::connect(transfer.get(), &platform::HttpTransfer::StateChanged,
                   [&](int s) { states.push_back(s); });
  transfer->Execute(server.Url("/slow"), "GET");
  SpinUntil([&] { return server.Requests("/slow") > 0; }, 3000);
  transfer->Cancel();
  EXPECT_FALSE(transfer->StillExecuting());
  SpinUntil([] { return false; }, 1200);
  EXPECT_TRUE(states.empty());
}
