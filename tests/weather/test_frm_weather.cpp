// The satellite map viewer with the recording browser; the panel against a server on 127.0.0.1.
#include "WeatherForms.h"

namespace weathertest {
namespace {

using Viewer = WeatherForms;

TEST_F(Viewer, OpensWithTheDefaultsAndRecargarTakesTheStoredChoices) {
  QPointer<FrmWeather> form = FrmWeather::Open();
  auto image = [&] { return kit.browsers.at(0)->navigations.back().address; };
  EXPECT_TRUE(form->Large() && !form->TopMost());
  EXPECT_EQ(form->pos(), QPoint(2205 / 15, 1980 / 15));
  EXPECT_TRUE(image().endsWith(
      "sat.test/WxImages/Satellite/europ.jpg' WIDTH=855 HEIGHT=520></img></body></html>"));
  // Regions are written with their trailing blank and read back without it.
  Options("Maps=Canada Occidental \r\nTama\xF1o=Peque\xF1o\r\n");
  form->CmdRefresh->click();
  EXPECT_TRUE(image().contains("wcana.jpg' WIDTH=720 HEIGHT=480"));
  EXPECT_EQ(form->size(), QSize(10820 / 15, 7550 / 15));  // no taller than its browser
  Options("Maps=US Continental \r\n");
  form->CmdRefresh->click();
  EXPECT_TRUE(image().contains("conus.jpg' WIDTH=855 HEIGHT=520"));
  EXPECT_EQ(form->size(), QSize(12820 / 15, 8200 / 15));
}

TEST_F(Viewer, ClosingClosesThePanelAndStoresThePlaceUnlessMinimised) {
  Serve("/data/2.5/weather", OwmAnswer());
  Options("MetodoDatos=OpenWeatherMap\r\n");
  QPointer<FrmWeather> form = FrmWeather::Open();
  form->move(200, 100);
  form->MoreInfo->click();
  QPointer<FrmDataWeather> panel = FrmDataWeather::Current();
  ASSERT_TRUE(panel && panel->isVisible());
  form->CmdExit->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(panel || FrmDataWeather::Current());
  form = FrmWeather::Open();
  EXPECT_EQ(form->pos(), QPoint(200, 100));
  form->move(400, 300);
  form->setWindowState(Qt::WindowMinimized);
  form->close();
  EXPECT_EQ(Setting("Map_Left", "Posición") + "," + Setting("Map_Top", "Posición"), "3000,1500");
}

TEST_F(Viewer, ClosingDuringRecargarOrThePanelsDownloadEndsTheWaits) {
  QPointer<FrmWeather> form = FrmWeather::Open();
  kit.browsers.at(0)->busy = true;  // the image never finishes loading
  QTimer::singleShot(200, [&] { form->CmdExit->click(); });
  QElapsedTimer t;  // a hang guard: the waits would run 5 s and more
  t.start();
  form->CmdRefresh->click();
  EXPECT_LT(t.elapsed(), 4000);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);

  // The viewer closes the panel it opened, in the middle of its download.
  Serve("/data/2.5/weather", OwmAnswer(), 5000);
  Options("MetodoDatos=OpenWeatherMap\r\n");
  form = FrmWeather::Open();
  QTimer::singleShot(200, [&] { form->CmdExit->click(); });
  t.restart();
  form->MoreInfo->click();
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_TRUE(kit.messages.empty());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form || FrmDataWeather::Current());
}

}  // namespace
}  // namespace weathertest
