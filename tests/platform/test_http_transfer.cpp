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

Outcome Get(const QString& url, int waitMs = 5000) {
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
  SpinUntil([&] { return !run.states.empty(); }, waitMs);
  return run;
}

}  // namespace

TEST(HttpTransfer, BodyComesInPiecesOfAtMost1024BytesAndEndsWithCompleted) {
  testsupport::App();
  LocalHttpServer server;
  QByteArray body;
  for (int i = 0; i < 3000; ++i) body += char(i * 7);
  server.Set("/f.bin", LocalHttpServer::Answer(200, body, "application/octet-stream"));
  const Outcome run = Get(server.Url("/f.bin"));
  ASSERT_EQ(run.states, std::vector<int>{12});
  EXPECT_EQ(run.body, body);
  EXPECT_EQ(run.chunkSizes, (std::vector<int>{1024, 1024, 952}));
}

TEST(HttpTransfer, ErrorsStatusesAndStallsAreState11) {
  testsupport::App();
  LocalHttpServer server;
  server.Set("/500", LocalHttpServer::Answer(500, "boom"));
  auto stall = LocalHttpServer::Answer(200, QByteArray(4000, 'x'));
  stall.stallAfter = 100;
  server.Set("/stall", stall);
  EXPECT_EQ(Get(server.Url("/500")).states, std::vector<int>{11});
  EXPECT_EQ(Get(server.Url("/missing")).states, std::vector<int>{11});  // 404
  EXPECT_EQ(Get("WasteWell.txt").states, std::vector<int>{11});         // no server configured
  EXPECT_EQ(Get("http://127.0.0.1:1/x").states, std::vector<int>{11});  // refused
  platform::SetStallTimeoutMs(700);
  EXPECT_EQ(Get(server.Url("/stall")).states, std::vector<int>{11});
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
