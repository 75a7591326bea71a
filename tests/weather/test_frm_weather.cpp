// The satellite map viewer with the recording browser; the panel against a server on 127.0.0.1.
#include "WeatherForms.h"

namespace weathertest {
namespace {

QString Page(const QString& code, int w, int h) {
  return "about:<html><body scroll='no'; body bgcolor='black'><img src='http://sat.test/WxImages/"
         "Satellite/" +
         code + QString(".jpg' WIDTH=%1 HEIGHT=%2></img></body></html>").arg(w).arg(h);
}

struct Viewer : WeatherForms {
  QPointer<FrmWeather> form;
  void Set(const char* key, const std::string& value) {
    app::IniWrite("Settings", key, value, app::OptionsFile());
  }
  platform::RecordingWebBrowser* Browser() const { return kit.browsers.at(0); }
  std::string Place() const {
    return Setting("Map_Left", "Posición") + "," + Setting("Map_Top", "Posición");
  }
};

TEST_F(Viewer, OpensOnEuropeAndRecargarPicksUpTheNewChoices) {
  form = FrmWeather::Open();
  ASSERT_TRUE(form && !form->TopMost());
  ASSERT_EQ(Browser()->navigations.size(), 1u);
  EXPECT_EQ(Browser()->navigations[0].address, Page("europ", 855, 520));
  EXPECT_EQ(FrmWeather::Open(), form.data());
  // Written with its trailing blank, read back without it.
  Set("Maps", "Canada Occidental ");
  Set("Tamaño", "Pequeño");
  Set("AlwaysUp", "siempre arriba");
  form->CmdRefresh->click();
  EXPECT_EQ(Browser()->navigations.back().address, Page("wcana", 720, 480));
  EXPECT_EQ(form->size(), QSize(10820 / 15, 7700 / 15));
  EXPECT_TRUE(form->TopMost() && form->isVisible());
  Set("Maps", "Atlantis");
  form->CmdRefresh->click();
  EXPECT_EQ(Browser()->navigations.back().address, Page("wcana", 720, 480)) << "no row: kept";
}

TEST_F(Viewer, ClosingStoresThePlaceUnlessMinimisedAndClosesTheOthers) {
  Serve("/data/2.5/weather", OwmAnswer());
  form = FrmWeather::Open();
  form->move(200, 100);
  form->MoreInfo->click();
  QPointer<FrmDataWeather> panel = FrmDataWeather::Current();
  ASSERT_TRUE(panel && panel->isVisible());
  form->CmdMaps->click();
  QPointer<FrmMaps> maps = FrmMaps::Current();
  ASSERT_TRUE(maps && maps->isModal());
  form->CmdExit->click();
  EXPECT_EQ(Place(), "3000,1500");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(panel || maps || FrmDataWeather::Current() || FrmMaps::Current());

  form = FrmWeather::Open();
  EXPECT_EQ(form->pos(), QPoint(200, 100));
  form->move(400, 300);
  form->setWindowState(Qt::WindowMinimized);
  form->close();
  EXPECT_EQ(Place(), "3000,1500");
}

TEST_F(Viewer, APlaceTooLargeForANumberStopsTheLoadingWithTheMessage) {
  testsupport::WriteFile(kit.folder / "Options.ini", "[Posici\xF3n]\r\nMap_Left=99999999999\r\n");
  form = FrmWeather::Open();
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_TRUE(Browser()->navigations.empty());
  EXPECT_TRUE(form->isVisible());
}

TEST_F(Viewer, ClosingDuringRecargarOrThePanelsDownloadEndsTheWaits) {
  form = FrmWeather::Open();
  Browser()->busy = true;  // the image never finishes loading
  QTimer::singleShot(200, [&] { form->CmdExit->click(); });
  QElapsedTimer t;  // a hang guard: the waits would run 5 s and more
  t.start();
  form->CmdRefresh->click();
  EXPECT_LT(t.elapsed(), 4000);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);

  Serve("/data/2.5/weather", OwmAnswer(), 5000);
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
}  // namespace weathertest
