// The engine's browser under the test X server, against a local server.
#include <gtest/gtest.h>

#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "platform/Shell.h"
#include "platform/WebBrowser.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"
#include "support/TempDir.h"

using testsupport::LocalHttpServer;
using testsupport::SpinUntil;

namespace {

struct Web : ::testing::Test {
  std::unique_ptr<QWidget> window;
  std::unique_ptr<platform::WebBrowser> browser;
  std::vector<std::pair<int, int>> progress;
  std::vector<QString> opened;

  void SetUp() override {
    // Under the test script there is always an X server; without one this fails.
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under scripts/test.sh (Xvfb)";
    testsupport::App();
    platform::SetShellOpenHook([this](const QString& t) {
      opened.push_back(t);
      return true;
    });
    window = std::make_unique<QWidget>();
    browser = platform::CreateWebBrowser(window.get());
    ASSERT_TRUE(platform::WebEngineLoaded());
    browser->Widget()->resize(400, 300);
    browser->ProgressChange = [this](int p, int m) { progress.emplace_back(p, m); };
    window->resize(400, 300);
    window->show();
  }
  void TearDown() override {
    browser.reset();
    window.reset();
    platform::SetShellOpenHook(nullptr);
    platform::SetStallTimeoutMs(30000);
  }
  QWebEnginePage* Page() { return static_cast<QWebEngineView*>(browser->Widget())->page(); }
  QString Text() {
    QString text;
    bool done = false;
    Page()->toPlainText([&](const QString& t) {
      text = t;
      done = true;
    });
    SpinUntil([&] { return done; }, 5000);
    return text.trimmed();
  }
};

}  // namespace

// Restriction is the window's own: the other windows share the profile and keep their scripts.
TEST_F(Web, AboutDocumentIsShownAsGivenAndRunsNoScriptWhenRestricted) {
  const QString page =
      "about:<html><head><title>Tiempo</title></head><body><p>Ñandú 21 °C</p>"
      "<script>document.title='cambiado'</script></body></html>";
  auto other = platform::CreateWebBrowser(window.get());
  other->Navigate(page);
  browser->SetRestricted(true);
  browser->Navigate(
      page, platform::navNoHistory | platform::navNoReadFromCache | platform::navNoWriteToCache);
  EXPECT_TRUE(browser->Busy());
  ASSERT_TRUE(browser->WaitWhileBusy());
  EXPECT_EQ(Text(), "Ñandú 21 °C");
  EXPECT_EQ(Page()->title(), "Tiempo");
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), std::make_pair(0, 0));  // the load is over
  ASSERT_TRUE(other->WaitWhileBusy());
  auto* otherPage = static_cast<QWebEngineView*>(other->Widget())->page();
  EXPECT_TRUE(SpinUntil([&] { return otherPage->title() == "cambiado"; }, 5000));
}

TEST_F(Web, BusyWhileLoadingAndReloadThatReachesTheServerAgain) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "p.htm", "<html><body>página local</body></html>");
  browser->Navigate(QString::fromStdString((dir / "p.htm").string()));
  ASSERT_TRUE(browser->WaitWhileBusy());
  EXPECT_EQ(Text(), "página local");

  LocalHttpServer server;
  server.Set("/",
             LocalHttpServer::Answer(200, "<html><body>a<img src=\"/slow.png\"></body></html>"));
  auto slow = LocalHttpServer::Answer(200, "x", "image/png");
  slow.delayMs = 1500;
  server.Set("/slow.png", slow);
  progress.clear();
  browser->Navigate(server.Url("/"));
  SpinUntil([&] { return server.Requests("/slow.png") > 0; }, 5000);
  EXPECT_TRUE(browser->Busy());
  ASSERT_TRUE(browser->WaitWhileBusy());
  EXPECT_FALSE(browser->Busy());
  EXPECT_EQ(server.Requests("/slow.png"), 1);
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress.front().second, 100) << ::testing::PrintToString(progress);
  EXPECT_EQ(progress.back(), std::make_pair(0, 0));

  auto cached = LocalHttpServer::Answer(200, "<html><body>servidor</body></html>");
  cached.extraHeaders = "Cache-Control: max-age=3600\r\n";
  server.Set("/p", cached);
  browser->Navigate(server.Url("/p"));
  ASSERT_TRUE(browser->WaitWhileBusy());
  EXPECT_EQ(server.Requests("/p"), 1);
  browser->Refresh2(2);
  ASSERT_TRUE(browser->WaitWhileBusy());
  EXPECT_EQ(server.Requests("/p"), 2);
  EXPECT_EQ(Text(), "servidor");
}

TEST_F(Web, NewWindowsRefusedOrHandedToTheDesktop) {
  LocalHttpServer server;
  server.Set("/",
             LocalHttpServer::Answer(
                 200, "<html><body><a id=l target=_blank href=\"/nueva\">x</a></body></html>"));
  server.Set("/nueva", LocalHttpServer::Answer(200, "<html><body>nueva</body></html>"));
  for (bool refuse : {true, false}) {
    opened.clear();
    bool asked = false;
    browser->NewWindow2 = [&](const QUrl&, bool& cancel) {
      asked = true;
      cancel = refuse;
    };
    browser->Navigate(server.Url("/"));
    ASSERT_TRUE(browser->WaitWhileBusy());
    Page()->runJavaScript("document.getElementById('l').click()");
    SpinUntil([&] { return asked && (refuse || !opened.empty()); }, 5000);
    SpinUntil([] { return false; }, 300);
    EXPECT_TRUE(asked);
    if (refuse) {
      EXPECT_TRUE(opened.empty());
    } else {
      ASSERT_EQ(opened.size(), 1u);
      EXPECT_EQ(opened[0], server.Url("/nueva"));
    }
  }
  EXPECT_EQ(server.Requests("/nueva"), 0);
}

TEST_F(Web, ClosingTheWindowEndsTheWaitAndAStallEndsItToo) {
  LocalHttpServer server;
  auto slow = LocalHttpServer::Answer(200, "<html><body>tarde</body></html>");
  slow.delayMs = 20000;
  server.Set("/slow", slow);
  browser->Navigate(server.Url("/slow"));
  // The window goes away while its handler waits.
  QTimer::singleShot(300, [this] {
    browser.reset();
    window.reset();
  });
  EXPECT_FALSE(browser->WaitWhileBusy());
  EXPECT_FALSE(window);

  platform::SetStallTimeoutMs(700);
  window = std::make_unique<QWidget>();
  browser = platform::CreateWebBrowser(window.get());
  browser->Navigate(server.Url("/slow"));
  EXPECT_FALSE(browser->WaitWhileBusy());
  EXPECT_FALSE(browser->Busy());
}
