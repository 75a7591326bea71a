// Weather windows closed while a download or a page is still on its way, with the engine under
// the test X server: a listener on 127.0.0.1 that never answers keeps them waiting. Each window
// is gone at once, and nothing of it runs afterwards, not even when its time-outs have passed
// (a continuation that ran would show a message, show a window, or touch freed memory under
// the sanitizer build).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPointer>

#include "platform/WebBrowser.h"
#include "support/LocalHttpServer.h"
#include "support/SilentListener.h"
#include "support/WeatherAnswers.h"
#include "support/WebTestKit.h"
#include "weather/FrmDataWeather.h"
#include "weather/FrmMaps.h"
#include "weather/FrmWeather.h"
#include "weather/WeatherDownload.h"

using testsupport::LocalHttpServer;
using testsupport::SpinUntil;
using namespace weather;

namespace {

constexpr int kTimeoutMs = 700;

struct WebWeatherClosed : ::testing::Test {
  testsupport::WebTestKit kit{false};
  testsupport::SilentListener silent;
  LocalHttpServer server;

  void SetUp() override {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under scripts/test.sh (Xvfb)";
    SetWaitTimeoutMs(kTimeoutMs);
    platform::SetStallTimeoutMs(kTimeoutMs);
    QImage picture(855, 520, QImage::Format_RGB32);
    picture.fill(QColor(0, 90, 200));
    const std::string jpeg = (kit.folder / "sat.jpg").string();
    picture.save(QString::fromStdString(jpeg), "JPG");
    server.Set("/WxImages/Satellite/europ.jpg",
               LocalHttpServer::Answer(200, QByteArray::fromStdString(testsupport::ReadFile(jpeg)),
                                       "image/jpeg"));
    server.Set("/forecastrss", LocalHttpServer::Answer(200, weathertest::YahooFeed(), "text/xml"));
  }
  void TearDown() override {
    for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetWaitTimeoutMs(15000);
    platform::SetStallTimeoutMs(30000);
  }
  // Every service named here; the silent one where the wait is to hang.
  void Options(const std::string& servers, const std::string& settings) {
    kit.Options("[Servidores]\r\nSatelite=" + server.Url("").toStdString() + "\r\nYahooTiempo=" +
                server.Url("").toStdString() + "\r\n" + servers + "\r\n[Settings]\r\n" + settings);
  }
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
  bool PageWritten() const {
    return QFileInfo::exists(QString::fromStdString((kit.folder / "weather.htm").string()));
  }
  // Long past every time-out of the windows that went.
  static void Outlast() {
    SpinUntil([] { return false; }, 3 * kTimeoutMs);
  }
};

TEST_F(WebWeatherClosed, ThePanelAndTheSettingsClosedDuringTheirDownloads) {
  Options("OpenWeatherMap=" + Silent(), "MetodoDatos=OpenWeatherMap\r\ncodecity=1\r\n");
  QPointer<FrmWeather> viewer = FrmWeather::Open();
  ASSERT_TRUE(
      SpinUntil([&] { return viewer->isVisible() && !viewer->WebBrowser1->Busy(); }, 10000));

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

  Outlast();
  EXPECT_TRUE(kit.messages.empty()) << "a download's failure was reported for a closed window";
  EXPECT_FALSE(PageWritten());
  EXPECT_FALSE(FrmDataWeather::Current() || FrmMaps::Current());
  EXPECT_EQ(WeatherWindows(), 1) << "only the viewer";
  // The viewer goes on as before.
  viewer->MoreInfo->click();
  EXPECT_NE(FrmDataWeather::Current(), nullptr);
}

TEST_F(WebWeatherClosed, TheViewerAndThePanelClosedWhileTheirPagesLoad) {
  // The picture's host never answers: the viewer's page stays loading.
  Options("Satelite=" + Silent() + "\r\nYahooIconos=" + Silent() + "/52/",
          "MetodoDatos=Yahoo\r\nSistema=M\xE9trico\r\n");
  QPointer<FrmWeather> viewer = FrmWeather::Open();
  ASSERT_TRUE(SpinUntil([&] { return viewer->isVisible() && viewer->WebBrowser1->Busy(); }, 5000));
  viewer->CmdRefresh->click();
  ASSERT_TRUE(viewer->WebBrowser1->Busy());
  viewer->CmdExit->click();
  DeleteClosed();
  EXPECT_FALSE(viewer);

  // The panel's page waits on its icon, whose host never answers; it shows only once loaded.
  QPointer<FrmDataWeather> panel = FrmDataWeather::Open(nullptr);
  ASSERT_TRUE(SpinUntil([&] { return PageWritten() && panel->WebBrowser1->Busy(); }, 5000));
  ASSERT_FALSE(panel->isVisible());
  panel->close();
  DeleteClosed();
  EXPECT_FALSE(panel);

  Outlast();
  EXPECT_EQ(WeatherWindows(), 0);
  EXPECT_TRUE(kit.messages.empty());
}

// The download fails while the panel loads: its message comes over the viewer. Answered after
// the panel went, it finds nothing of the panel to go on with.
TEST_F(WebWeatherClosed, AMessageAnsweredAfterThePanelWent) {
  Options("OpenWeatherMap=" + Silent(), "MetodoDatos=OpenWeatherMap\r\ncodecity=1\r\n");
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

}  // namespace
