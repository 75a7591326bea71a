// The weather, dictionary and comments windows with the engine under the test X server, every
// service on 127.0.0.1. A listener there that never answers, or a slow server, keeps a download
// or a page waiting: a window closed then is gone at once, and nothing of it runs afterwards, not
// even when its time-outs have passed (a continuation that ran would show a message, show a window,
// or touch freed memory under the sanitizer build).
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QUrlQuery>

#include "platform/WebBrowser.h"
#include "support/LocalHttpServer.h"
#include "support/SilentListener.h"
#include "support/WeatherAnswers.h"
#include "support/WebTestKit.h"
#include "tools/comments/FrmComment.h"
#include "tools/rae/FrmRae.h"
#include "weather/FrmDataWeather.h"
#include "weather/FrmMaps.h"
#include "weather/FrmWeather.h"
#include "weather/SatelliteWms.h"
#include "weather/WeatherDownload.h"

using testsupport::LocalHttpServer;
using testsupport::SpinUntil;
using namespace weather;
using tools::FrmComment;
using tools::FrmRae;

namespace {

constexpr int kTimeoutMs = 700;

struct WebWindows : ::testing::Test {
  testsupport::WebTestKit kit{false};
  testsupport::SilentListener silent;
  LocalHttpServer server;

  void SetUp() override {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under scripts/test.sh (Xvfb)";
    SetWaitTimeoutMs(kTimeoutMs);
    platform::SetStallTimeoutMs(kTimeoutMs);
    server.Set("/WxImages/Satellite/europ.jpg", LocalHttpServer::Answer(200, "x", "image/jpeg"));
    server.Set("/forecastrss", LocalHttpServer::Answer(200, weathertest::YahooFeed(), "text/xml"));
  }
  void TearDown() override {
    for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    DeleteClosed();
    SetWaitTimeoutMs(15000);
    platform::SetStallTimeoutMs(30000);
  }
  void Options(const std::string& servers, const std::string& settings) {
    kit.Options("[Servidores]\r\nYahooTiempo=" + Url() + "\r\n" + servers + "\r\n[Settings]\r\n" +
                settings);
  }
  std::string Url() const { return server.Url("").toStdString(); }
  std::string Silent() const { return "http://" + silent.At(); }
  static void DeleteClosed() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // The weather windows still there, shown or not.
  static int WeatherWindows() {
    int n = 0;
    for (QWidget* w : QApplication::allWidgets())
      n += w->objectName() == "FrmWeather" || w->objectName() == "FrmMaps" ||
           w->objectName() == "FrmDataWeather";
    return n;
  }
  bool PageWritten() const { return std::filesystem::exists(kit.folder / "weather.htm"); }
  // Long past every time-out of the windows that went.
  static void Outlast() {
    SpinUntil([] { return false; }, 3 * kTimeoutMs);
  }
};

// A picture from the map service that never comes leaves the viewer as a missing picture
// always did: open, quiet, without the picture, well before it would come. (A JPEG, and the
// rest of the GetMap: test_e2e_weather.)
TEST_F(WebWindows, APictureThatNeverComesLeavesTheViewerWithoutIt) {
  Options("SateliteWMS=" + server.Url("/wms").toStdString(), "Maps=Jap\xF3n\r\n");
  auto late = LocalHttpServer::Answer(200, "x", "image/jpeg");
  late.delayMs = 20000;
  server.Set("/wms", late);
  QPointer<FrmWeather> viewer = FrmWeather::Open();
  ASSERT_TRUE(SpinUntil([&] { return viewer->isVisible() && !viewer->WebBrowser1->Busy(); }, 8000));
  EXPECT_TRUE(kit.messages.empty());
  // Japan's box, at the large picture's size.
  ASSERT_EQ(server.Requests("/wms"), 1);
  const QUrlQuery asked(QUrl(server.targets.last()).query());
  const QUrlQuery expected(
      QUrl(WmsGetMapAddress("/wms", "chjap", 855, 520, QDate(2026, 1, 1))).query());
  for (const char* key : {"BBOX", "WIDTH", "HEIGHT"})
    EXPECT_EQ(asked.queryItemValue(key), expected.queryItemValue(key)) << key;
}

TEST_F(WebWindows, WindowsClosedWhileTheirDownloadsOrPagesWaitLeaveNothingRunning) {
  const std::string servers = "Satelite=" + Url() + "\r\nOpenWeatherMap=" + Silent() +
                              "\r\nYahooIconos=" + Silent() + "/52/";
  Options(servers, "MetodoDatos=OpenWeatherMap\r\ncodecity=1\r\n");
  QPointer<FrmWeather> viewer = FrmWeather::Open();
  ASSERT_TRUE(
      SpinUntil([&] { return viewer->isVisible() && !viewer->WebBrowser1->Busy(); }, 10000));

  // The panel and the settings during their downloads.
  viewer->MoreInfo->click();
  QPointer<FrmDataWeather> panel = FrmDataWeather::Current();
  SpinUntil([] { return false; }, 200);  // the download is on its way
  ASSERT_TRUE(panel && !panel->isVisible());
  panel->CmdUnload->click();
  DeleteClosed();
  EXPECT_FALSE(panel);
  viewer->CmdMaps->click();
  QPointer<FrmMaps> maps = FrmMaps::Current();
  ASSERT_TRUE(maps);
  maps->OptOpenWeatherMap->setChecked(true);
  maps->TextPais->setText("ES");
  maps->TextCity->setText("Madrid");
  maps->CmdOK->click();
  EXPECT_FALSE(maps->CmdOK->isEnabled()) << "the look-up is on its way";
  maps->CmdExit->click();
  DeleteClosed();
  EXPECT_FALSE(maps);

  // The panel's page waits on its icon, whose host never answers; it shows only once loaded.
  Options(servers, "MetodoDatos=Yahoo\r\nSistema=M\xE9trico\r\n");
  panel = FrmDataWeather::Open(nullptr);
  ASSERT_TRUE(SpinUntil([&] { return PageWritten() && panel->WebBrowser1->Busy(); }, 5000));
  ASSERT_FALSE(panel->isVisible());
  panel->close();
  DeleteClosed();
  EXPECT_FALSE(panel);

  // The viewer's picture's host never answers.
  Options("Satelite=" + Silent(), "");
  viewer->CmdRefresh->click();
  ASSERT_TRUE(viewer->WebBrowser1->Busy());
  viewer->CmdExit->click();
  DeleteClosed();
  EXPECT_FALSE(viewer);

  Outlast();
  EXPECT_TRUE(kit.messages.empty()) << "a closed window's download reported its failure";
  EXPECT_EQ(WeatherWindows(), 0);
}

// The download fails while the panel loads: its message comes over the viewer. Answered after
// the panel went, it finds nothing of the panel to go on with.
TEST_F(WebWindows, AMessageAnsweredAfterThePanelWent) {
  Options("Satelite=" + Url() + "\r\nOpenWeatherMap=" + Silent(),
          "MetodoDatos=OpenWeatherMap\r\ncodecity=1\r\n");
  platform::SetMsgBoxHook(nullptr);  // the real box, which waits for its answer
  QPointer<FrmWeather> viewer = FrmWeather::Open();
  ASSERT_TRUE(
      SpinUntil([&] { return viewer->isVisible() && !viewer->WebBrowser1->Busy(); }, 10000));
  viewer->MoreInfo->click();
  QPointer<FrmDataWeather> panel = FrmDataWeather::Current();
  QPointer<QMessageBox> box;
  ASSERT_TRUE(SpinUntil(
      [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
        return box;
      },
      5000));
  EXPECT_EQ(box->parentWidget(), viewer.data());
  panel->close();
  DeleteClosed();
  ASSERT_FALSE(panel);
  box->buttons().first()->click();
  Outlast();
  EXPECT_EQ(WeatherWindows(), 1) << "only the viewer";
  EXPECT_FALSE(PageWritten());
}

// The comments window is one, its page asked once, and it opens no windows of its own.
TEST_F(WebWindows, TheToolWindowsClosedWhileTheirPageIsOnItsWay) {
  auto slow = LocalHttpServer::Answer(200, "<html><body>tarde</body></html>");
  slow.delayMs = 20000;
  server.Set("/updates/envia_form_php.php", slow);
  server.Set("/dle/", slow);
  Options("Actualizaciones=" + Url() + "/updates/\r\nDiccionario=" + Url() + "/dle", "");
  QPointer<FrmComment> comment = FrmComment::Open();
  ASSERT_TRUE(SpinUntil([&] { return server.Requests("/updates/envia_form_php.php"); }, 30000));
  EXPECT_EQ(FrmComment::Open(), comment.data());
  bool cancel = false;
  comment->WebBrowserComment->NewWindow2(QUrl(server.Url("/x")), cancel);
  EXPECT_TRUE(cancel);
  QPointer<FrmRae> rae = FrmRae::Open();
  // Searched once the window has shown its start page, as a user would.
  SpinUntil([&] { return rae->isVisible(); }, 5000);
  SpinUntil([] { return false; }, 200);
  rae->TextSearch->setText("tarde");
  rae->CmdOK_Click();
  ASSERT_TRUE(SpinUntil([&] { return server.Requests("/dle/"); }, 30000));
  comment->close();
  rae->close();
  DeleteClosed();
  EXPECT_FALSE(comment || rae);
  SpinUntil([] { return false; }, 1000);  // the engine's late events find no window
  EXPECT_EQ(server.Requests("/updates/envia_form_php.php"), 1);
}

}  // namespace
