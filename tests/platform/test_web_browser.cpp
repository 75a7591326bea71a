// The engine's browser under the test X server, against a local server.
#include <gtest/gtest.h>

#include <QWebEnginePage>
#include <QWebEngineView>
#include <optional>

#include "support/WebTestKit.h"

using testsupport::LocalHttpServer;
using testsupport::SpinUntil;

namespace {

struct Web : testsupport::WebWindowTest {
  std::unique_ptr<QWidget> window;
  std::unique_ptr<platform::WebBrowser> browser;
  std::vector<std::pair<int, int>> progress;

  Web() : WebWindowTest(false) {}
  void SetUp() override {
    window = std::make_unique<QWidget>();
    browser = platform::CreateWebBrowser(window.get());
    ASSERT_TRUE(platform::WebEngineLoaded());
    browser->ProgressChange = [this](int p, int m) { progress.emplace_back(p, m); };
    window->show();
  }
  // How the load ended, as WhenIdle tells it; false too for none within 20 s.
  static bool Loaded(platform::WebBrowser& b) {
    QObject context;
    std::optional<bool> loaded;
    b.WhenIdle(&context, [&](bool ok) { loaded = ok; });
    SpinUntil([&] { return loaded.has_value(); }, 20000);
    return loaded.value_or(false);
  }
  static QWebEnginePage* Page(platform::WebBrowser& b) {
    return static_cast<QWebEngineView*>(b.Widget())->page();
  }
};

}  // namespace

// The reload behind the maps' refresh must reach the server even for a page it may cache.
TEST_F(Web, NewWindowsRefusedOrHandedToTheDesktopAndRefreshReachesTheServer) {
  auto page = LocalHttpServer::Answer(
      200, "<html><body><a id=l target=_blank href=\"/nueva\">x</a></body></html>");
  page.extraHeaders = "Cache-Control: max-age=3600\r\n";
  server.Set("/", page);
  for (bool refuse : {true, false}) {
    bool asked = false;
    browser->NewWindow2 = [&](const QUrl&, bool& cancel) {
      asked = true;
      cancel = refuse;
    };
    browser->Navigate(server.Url("/"));
    ASSERT_TRUE(Loaded(*browser));
    Page(*browser)->runJavaScript("document.getElementById('l').click()");
    SpinUntil([&] { return asked && (refuse || !opened.empty()); }, 5000);
    Wait(300);
    EXPECT_TRUE(asked);
    EXPECT_EQ(opened, refuse ? std::vector<QString>{} : std::vector<QString>{server.Url("/nueva")});
  }
  EXPECT_EQ(server.Requests("/nueva"), 0);
  const int requests = server.Requests("/");
  browser->Refresh2(2);
  ASSERT_TRUE(Loaded(*browser));
  EXPECT_EQ(server.Requests("/"), requests + 1);
}

// What runs after a load waits until the page is whole, pictures included, then runs on a later
// turn of the event loop, never for a context or a browser that went first; a stall fails it.
TEST_F(Web, WhenIdleRunsAfterTheWholeLoadAndNeverForWhatWentFirst) {
  const QByteArray page = "<html><body>tarde<img src=\"/slow.png\"></body></html>";
  Serve("/", page, 1000);
  server.Set("/slow.png", LocalHttpServer::Answer(200, "x", "image/png", 1500));
  std::vector<std::string> ran;
  auto context = std::make_unique<QObject>();
  auto gone = std::make_unique<QObject>();
  browser->Navigate(server.Url("/"));
  browser->WhenIdle(context.get(), [&](bool loaded) {
    ran.push_back(loaded ? "loaded" : "cut");
    EXPECT_EQ(progress.back(), std::make_pair(0, 0)) << "the bar is already put away";
  });
  browser->WhenIdle(gone.get(), [&](bool) { ran.push_back("gone"); });
  gone.reset();
  SpinUntil([&] { return server.Requests("/slow.png") > 0; }, 5000);
  EXPECT_TRUE(ran.empty());
  ASSERT_TRUE(SpinUntil([&] { return !ran.empty(); }, 10000));
  EXPECT_EQ(progress.front().second, 100) << ::testing::PrintToString(progress);
  browser->WhenIdle(context.get(), [&](bool loaded) { ran.push_back(loaded ? "idle" : "cut"); });
  EXPECT_EQ(ran.size(), 1u) << "not inside the call";
  Wait(300);
  EXPECT_EQ(ran, (std::vector<std::string>{"loaded", "idle"}));

  Serve("/slow", page, 20000);
  ran.clear();
  browser->Navigate(server.Url("/slow"));
  browser->WhenIdle(context.get(), [&](bool) { ran.push_back("for a gone browser"); });
  SpinUntil([&] { return server.Requests("/slow") > 0; }, 5000);
  browser.reset();
  window.reset();
  Wait(300);
  EXPECT_TRUE(ran.empty());

  platform::SetStallTimeoutMs(700);
  window = std::make_unique<QWidget>();
  browser = platform::CreateWebBrowser(window.get());
  browser->Navigate(server.Url("/slow"));
  browser->WhenIdle(context.get(), [&](bool loaded) { ran.push_back(loaded ? "loaded" : "cut"); });
  ASSERT_TRUE(SpinUntil([&] { return !ran.empty(); }, 10000));
  EXPECT_EQ(ran, std::vector<std::string>{"cut"});
}

// A restricted page runs no script and fetches only pictures from the allowed hosts; its size is
// reported. The other windows share the profile and keep their scripts.
TEST_F(Web, RestrictedPageRunsNoScriptAndFetchesOnlyPicturesFromTheAllowedHosts) {
  LocalHttpServer& allowed = server;
  LocalHttpServer other;  // what it is asked for is counted, answered or not
  const QByteArray picture = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'/>";
  allowed.Set("/i.png", LocalHttpServer::Answer(200, picture, "image/svg+xml"));
  testsupport::WriteFile(
      folder / "p.htm",
      ("<html><head><title>Tiempo</title><link rel=stylesheet href=" + allowed.Url("/s.css") +
       "></head><body style='margin:0'><img src=" + allowed.Url("/i.png") +
       "><img src=" + other.Url("/i.png") + "><iframe src=" + allowed.Url("/f.htm") + "></iframe>" +
       "<div style='width:700px;height:20px'></div><script>document.title='cambiado'"
       "</script></body></html>")
          .toStdString());
  QSize size;
  browser->PageSize = [&](const QSize& s) { size = s; };
  browser->SetRestricted(true);
  browser->AllowImagesFrom({allowed.Url("/")});
  const QString page = QString::fromStdString((folder / "p.htm").string());
  browser->Navigate(page);
  ASSERT_TRUE(Loaded(*browser));
  EXPECT_EQ(Page(*browser)->title(), "Tiempo");
  SpinUntil([&] { return !size.isEmpty(); }, 5000);
  Wait(300);
  EXPECT_EQ(allowed.targets, QStringList("/i.png"));
  EXPECT_TRUE(other.targets.isEmpty());
  EXPECT_TRUE(size.width() >= 700 && size.height() >= 50) << size.width() << "x" << size.height();
  auto unrestricted = platform::CreateWebBrowser(window.get());
  unrestricted->Navigate(page);
  ASSERT_TRUE(Loaded(*unrestricted));
  EXPECT_TRUE(SpinUntil([&] { return Page(*unrestricted)->title() == "cambiado"; }, 5000));
}
