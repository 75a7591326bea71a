// The satellite map viewer with the recording browser; the panel against a server on 127.0.0.1.
#include "WeatherForms.h"

namespace weathertest {
namespace {

using Viewer = WeatherForms;

TEST_F(Viewer, OpensWithTheDefaultsAndRecargarTakesTheStoredChoices) {
  QPointer<FrmWeather> form = FrmWeather::Open();
  ASSERT_TRUE(Settle(form));
  auto image = [&] { return kit.browsers.at(0)->navigations.back().address; };
  EXPECT_TRUE(form->Large() && !form->TopMost());
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
  Settle(panel);
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

// The viewer closes the panel it opened, in the middle of its download: neither stays, and
// nothing of the panel runs afterwards (no message, no page).
TEST_F(Viewer, ClosingDuringThePanelsDownloadTakesThePanelWithIt) {
  Serve("/data/2.5/weather", OwmAnswer(), 1000);
  Options("MetodoDatos=OpenWeatherMap\r\n");
  QPointer<FrmWeather> form = FrmWeather::Open();
  ASSERT_TRUE(Settle(form));
  form->MoreInfo->click();
  QPointer<FrmDataWeather> panel = FrmDataWeather::Current();
  ASSERT_TRUE(testsupport::SpinUntil([&] { return server.targets.size() == 1; }, 4000));
  form->CmdExit->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form || panel || FrmDataWeather::Current());
  testsupport::SpinUntil([] { return false; }, 1500);  // the answer comes meanwhile
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(kit.folder / "weather.htm"));
}

}  // namespace
}  // namespace weathertest
