// The satellite map viewer with the recording browser; the panel against a server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTimer>

#include "app/settings/ModIni.h"
#include "support/LocalHttpServer.h"
#include "support/WeatherAnswers.h"
#include "support/WebTestKit.h"
#include "weather/FrmDataWeather.h"
#include "weather/FrmMaps.h"
#include "weather/FrmWeather.h"
#include "weather/WeatherValues.h"

using testsupport::LocalHttpServer;
using weather::FrmDataWeather;
using weather::FrmWeather;

namespace {

QString Page(const QString& code, int w, int h) {
  return "about:<html><body scroll='no'; body bgcolor='black'><img src='http://sat.test/WxImages/"
         "Satellite/" +
         code + QString(".jpg' WIDTH=%1 HEIGHT=%2></img></body></html>").arg(w).arg(h);
}

struct Viewer : ::testing::Test {
  testsupport::WebTestKit kit;
  LocalHttpServer server;
  QPointer<FrmWeather> form;

  void SetUp() override {
    weather::Values() = weather::WeatherValues();
    Options("");
  }
  void TearDown() override {
    if (form) form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  void Options(const std::string& settings) {
    kit.Options("[Servidores]\r\nSatelite=http://sat.test\r\nOpenWeatherMap=" +
                server.Url("").toStdString() + "\r\n[Settings]\r\n" + settings);
  }
  void Set(const char* key, const std::string& value) {
    app::IniWrite("Settings", key, value, app::OptionsFile());
  }
  platform::RecordingWebBrowser* Browser() const { return kit.browsers.at(0); }
  std::string Place(const char* key) const {
    return app::IniRead("Posición", key, app::OptionsFile());
  }
};

TEST_F(Viewer, OpensLargeOnEuropeAtItsDefaultPlace) {
  form = FrmWeather::Open();
  ASSERT_TRUE(form);
  EXPECT_EQ(form->windowTitle(), "Mapa del tiempo");
  EXPECT_TRUE(form->Large());
  EXPECT_EQ(form->size(), QSize(12820 / 15, 8200 / 15));
  EXPECT_EQ(form->pos(), QPoint(2205 / 15, 1980 / 15));
  EXPECT_FALSE(form->TopMost());
  ASSERT_EQ(Browser()->navigations.size(), 1u);
  EXPECT_EQ(Browser()->navigations[0].address, Page("europ", 855, 520));
  EXPECT_EQ(Browser()->navigations[0].flags, 14);
  EXPECT_EQ(Browser()->Widget()->size(), QSize(13000 / 15, 9700 / 15));
  EXPECT_EQ(form->MoreInfo->geometry().topLeft(), QPoint(11500 / 15, 7500 / 15));
  EXPECT_EQ(FrmWeather::Open(), form.data());
  EXPECT_EQ(kit.browsers.size(), 1u);
}

TEST_F(Viewer, SmallLayoutAndRecargarPicksUpTheNewChoices) {
  Options("Tama\xF1o=Peque\xF1o\r\nMaps=Atlantis\r\n");
  form = FrmWeather::Open();
  EXPECT_EQ(form->size(), QSize(10820 / 15, 7700 / 15));
  EXPECT_EQ(Browser()->navigations[0].address, "") << "no row: the page stays as it was";
  EXPECT_EQ(form->CmdMaps->geometry().topLeft(), QPoint(9400 / 15, 6000 / 15));

  // Written with its trailing blank, read back without it.
  Set("Maps", "Canada Occidental ");
  form->CmdRefresh->click();
  EXPECT_EQ(Browser()->refreshes, std::vector<int>{2});
  EXPECT_EQ(Browser()->navigations.back().address, Page("wcana", 720, 480));
  Set("Maps", "US Continental ");
  Set("Tamaño", "Grande");
  Set("AlwaysUp", "siempre arriba");
  form->CmdRefresh->click();
  EXPECT_EQ(Browser()->navigations.back().address, Page("conus", 855, 520));
  EXPECT_EQ(form->size(), QSize(12820 / 15, 8200 / 15));
  EXPECT_TRUE(form->TopMost());
  EXPECT_TRUE(form->isVisible());
}

TEST_F(Viewer, ClosingStoresThePlaceUnlessMinimisedAndClosesTheOthers) {
  Options("codecity=1234567\r\n");
  server.Set("/data/2.5/weather",
             LocalHttpServer::Answer(200, weathertest::OwmAnswer(), "text/xml"));
  form = FrmWeather::Open();
  form->move(200, 100);
  form->MoreInfo->click();
  QPointer<FrmDataWeather> panel = FrmDataWeather::Current();
  ASSERT_TRUE(panel);
  EXPECT_TRUE(panel->isVisible());
  form->CmdMaps->click();
  QPointer<weather::FrmMaps> maps = weather::FrmMaps::Current();
  ASSERT_TRUE(maps);
  EXPECT_TRUE(maps->isModal());
  form->CmdExit->click();
  EXPECT_EQ(Place("Map_Left"), "3000");
  EXPECT_EQ(Place("Map_Top"), "1500");
  EXPECT_TRUE(!panel || panel->Unloaded());
  EXPECT_TRUE(!maps || maps->Unloaded());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(panel);
  EXPECT_FALSE(FrmDataWeather::Current());

  form = FrmWeather::Open();
  EXPECT_EQ(form->pos(), QPoint(200, 100));
  form->move(400, 300);
  form->setWindowState(Qt::WindowMinimized);
  form->close();
  EXPECT_EQ(Place("Map_Left"), "3000");
  EXPECT_EQ(Place("Map_Top"), "1500");
}

TEST_F(Viewer, APlaceTooLargeForANumberStopsTheLoadingWithTheMessage) {
  testsupport::WriteFile(kit.folder / "Options.ini", "[Posici\xF3n]\r\nMap_Left=99999999999\r\n");
  form = FrmWeather::Open();
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_EQ(kit.messages[0].text,
            QStringLiteral("Si no aparecen datos meteorológicos, pruebe a cambiar de servidor a "
                           "través de Mapas en 'Método de datos', o cambie de ciudad o pueblo."));
  EXPECT_EQ(kit.messages[0].style, platform::kExclamation);
  EXPECT_TRUE(Browser()->navigations.empty());
  EXPECT_TRUE(form->isVisible());
}

TEST_F(Viewer, ClosingDuringRecargarOrThePanelsDownloadEndsTheWaits) {
  form = FrmWeather::Open();
  Browser()->busy = true;  // the image never finishes loading
  QTimer::singleShot(200, [&] { form->CmdExit->click(); });
  QElapsedTimer t;
  t.start();
  form->CmdRefresh->click();
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_TRUE(!form || form->Unloaded());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);

  LocalHttpServer::Reply slow = LocalHttpServer::Answer(200, weathertest::OwmAnswer(), "text/xml");
  slow.delayMs = 5000;
  server.Set("/data/2.5/weather", slow);
  kit.browsers.clear();
  form = FrmWeather::Open();
  QTimer::singleShot(200, [&] { form->CmdExit->click(); });
  t.restart();
  form->MoreInfo->click();
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_TRUE(kit.messages.empty());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);
  EXPECT_FALSE(FrmDataWeather::Current());
}

}  // namespace
