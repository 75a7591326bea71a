// Web windows under the test X server: closed while a download or page waits, nothing runs on.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QUrlQuery>

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

namespace {

constexpr int kTimeoutMs = 700;

struct WebWindows : testsupport::WebWindowTest {
  testsupport::SilentListener silent;

  WebWindows() : WebWindowTest(false) {
    SetWaitTimeoutMs(kTimeoutMs);
    platform::SetStallTimeoutMs(kTimeoutMs);
    Serve("/forecastrss", weathertest::YahooFeed());
  }
  void Options(const std::string& servers, const std::string& settings) {
    WebTestKit::Options("[Servidores]\r\nYahooTiempo=" + Url() + "\r\n" + servers +
                        "\r\n[Settings]\r\n" + settings);
  }
  std::string Url() const { return server.Url("").toStdString(); }
  std::string Silent() const { return "http://" + silent.At(); }
  static QPointer<FrmWeather> OpenViewer() {
    QPointer<FrmWeather> viewer = FrmWeather::Open();
    EXPECT_TRUE(
        SpinUntil([&] { return viewer->isVisible() && !viewer->WebBrowser1->Busy(); }, 10000));
    return viewer;
  }
  static int WeatherWindows() {
    int n = 0;
    for (QWidget* w : QApplication::allWidgets())
      n += QStringList{"FrmWeather", "FrmMaps", "FrmDataWeather"}.contains(w->objectName());
    return n;
  }
  bool PageWritten() const { return std::filesystem::exists(folder / "weather.htm"); }
};

// A picture from the map service that never comes leaves the viewer as a missing picture
// always did: open, quiet, without it. (A JPEG, and the rest of the GetMap: test_e2e_weather.)
TEST_F(WebWindows, WindowsClosedWhileTheirDownloadsOrPagesWaitLeaveNothingRunning) {
  const std::string servers = "SateliteWMS=" + Url() + "/wms\r\nOpenWeatherMap=" + Silent() +
                              "\r\nYahooIconos=" + Silent() + "/52/";
  Options(servers, "MetodoDatos=OpenWeatherMap\r\ncodecity=1\r\nMaps=Jap\xF3n\r\n");
  server.Set("/wms", LocalHttpServer::Answer(200, "x", "image/jpeg", 20000));
  QPointer<FrmWeather> viewer = OpenViewer();
  // Japan's box, at the large picture's size.
  ASSERT_EQ(server.Requests("/wms"), 1);
  const QUrlQuery asked(QUrl(server.targets.last()).query());
  const QUrlQuery expected(
      QUrl(WmsGetMapAddress("/wms", "chjap", 855, 520, QDate(2026, 1, 1))).query());
  for (const char* key : {"BBOX", "WIDTH", "HEIGHT"})
    EXPECT_EQ(asked.queryItemValue(key), expected.queryItemValue(key)) << key;

  // The panel and the settings during their downloads.
  viewer->MoreInfo->click();
  QPointer<FrmDataWeather> panel = FrmDataWeather::Current();
  Wait(200);  // the download is on its way
  ASSERT_TRUE(panel && !panel->isVisible());
  panel->CmdUnload->click();
  EXPECT_TRUE(Gone(panel));
  viewer->CmdMaps->click();
  QPointer<FrmMaps> maps = FrmMaps::Current();
  ASSERT_TRUE(maps);
  maps->OptOpenWeatherMap->setChecked(true);
  maps->TextPais->setText("ES");
  maps->TextCity->setText("Madrid");
  maps->CmdOK->click();
  EXPECT_FALSE(maps->CmdOK->isEnabled()) << "the look-up is on its way";
  maps->CmdExit->click();
  EXPECT_TRUE(Gone(maps));

  // The panel's page waits on its icon, whose host never answers; it shows only once loaded.
  Options(servers, "MetodoDatos=Yahoo\r\nSistema=M\xE9trico\r\n");
  panel = FrmDataWeather::Open(nullptr);
  ASSERT_TRUE(SpinUntil([&] { return PageWritten() && panel->WebBrowser1->Busy(); }, 5000));
  ASSERT_FALSE(panel->isVisible());
  panel->close();
  EXPECT_TRUE(Gone(panel));

  // The viewer's picture's host never answers.
  Options("Satelite=" + Silent(), "");
  viewer->CmdRefresh->click();
  ASSERT_TRUE(viewer->WebBrowser1->Busy());
  viewer->CmdExit->click();
  EXPECT_TRUE(Gone(viewer));

  Wait(3 * kTimeoutMs);
  EXPECT_TRUE(messages.empty()) << "a closed window's download reported its failure";
  EXPECT_EQ(WeatherWindows(), 0);

  // The download fails while the panel loads: its message, a real box, comes over the viewer.
  // Answered after the panel went, it finds nothing of the panel to go on with.
  Options(servers, "MetodoDatos=OpenWeatherMap\r\ncodecity=1\r\n");
  std::filesystem::remove(folder / "weather.htm");
  platform::SetMsgBoxHook(nullptr);
  viewer = OpenViewer();
  viewer->MoreInfo->click();
  panel = FrmDataWeather::Current();
  const auto boxes = [] { return testsupport::OpenDialogs<QMessageBox>(); };
  ASSERT_TRUE(SpinUntil([&] { return !boxes().empty(); }, 5000));
  QPointer<QMessageBox> box = boxes().front();
  EXPECT_EQ(box->parentWidget(), viewer.data());
  panel->close();
  ASSERT_TRUE(Gone(panel));
  box->buttons().first()->click();
  Wait(3 * kTimeoutMs);
  EXPECT_EQ(WeatherWindows(), 1) << "only the viewer";
  EXPECT_FALSE(PageWritten());
}

// The comments window is one, its page asked once, and it opens no windows of its own.
TEST_F(WebWindows, TheToolWindowsClosedWhileTheirPageIsOnItsWay) {
  Serve("/updates/envia_form_php.php", "<html><body>tarde</body></html>", 20000);
  Serve("/dle/", "<html><body>tarde</body></html>", 20000);
  Options("Actualizaciones=" + Url() + "/updates/\r\nDiccionario=" + Url() + "/dle", "");
  QPointer<tools::FrmComment> comment = tools::FrmComment::Open();
  ASSERT_TRUE(SpinUntil([&] { return server.Requests("/updates/envia_form_php.php"); }, 30000));
  EXPECT_EQ(tools::FrmComment::Open(), comment.data());
  bool cancel = false;
  comment->WebBrowserComment->NewWindow2(QUrl(server.Url("/x")), cancel);
  EXPECT_TRUE(cancel);
  QPointer<tools::FrmRae> rae = tools::FrmRae::Open();
  // Searched once the window has shown its start page, as a user would.
  SpinUntil([&] { return rae->isVisible(); }, 5000);
  Wait(200);
  rae->TextSearch->setText("tarde");
  rae->CmdOK_Click();
  ASSERT_TRUE(SpinUntil([&] { return server.Requests("/dle/"); }, 30000));
  comment->close();
  rae->close();
  EXPECT_TRUE(Gone(comment) && !rae);
  Wait(1000);  // the engine's late events find no window
  EXPECT_EQ(server.Requests("/updates/envia_form_php.php"), 1);
}

}  // namespace
