// The satellite viewer and the weather data panel with the recording browser, every service
// a server on 127.0.0.1.
#include <QUrl>

#include "WeatherForms.h"

namespace weathertest {
namespace {

struct Panel : WeatherForms {
  QPointer<FrmDataWeather> form;
  static constexpr const char* kMalaga =
      "Latitud=36.72016\r\nLongitud=-4.42034\r\nCiudad=M\xE1laga\r\nPa\xEDs=ES\r\n";
};

TEST_F(Panel, TheAnswerReachesThePageIntactEscapedAndWithoutScripts) {
  const QByteArray city = "M\xC3\xA1laga \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2";
  Serve("/data/2.5/weather", OwmAnswer(city, "5", "<script>x()</script>"));
  Options(
      "codecity=1&x=2\r\nColor fondo=entreverado\r\nPa\xEDs=<b>ES</b>\r\n"
      "MetodoDatos=OpenWeatherMap\r\n");
  form = FrmDataWeather::Open(nullptr);
  Settle(form);
  ASSERT_TRUE(form && form->isVisible());
  ASSERT_EQ(server.targets.size(), 1);
  EXPECT_TRUE(server.targets[0].contains("=1%26x%3D2&")) << server.targets[0].toStdString();
  EXPECT_TRUE(kit.browsers.at(0)->restricted) << "no scripts in a page of outside text";
  // The answer is kept where it always was, and the page is built from it.
  EXPECT_EQ(testsupport::ReadFile(kit.folder / "weather.xml"),
            OwmAnswer(city, "5", "<script>x()</script>").toStdString());
  const std::string bytes = testsupport::ReadFile(kit.folder / "weather.htm");
  EXPECT_NE(bytes.find(city.toStdString() + "</a>"), std::string::npos);
  EXPECT_EQ(Page().indexOf("<script>"), -1);
  for (const QString& shown :
       QStringList{"charset=utf-8", "/bg92.gif\")", "(&lt;b&gt;ES&lt;/b&gt;)", "&lt;script&gt;x()",
                   "Viento: 18 k/h<br>", QStringLiteral("Última act.: 2024-01-02T03:04:05 UTC")})
    EXPECT_TRUE(Page().contains(shown)) << shown.toStdString() << "\n" << Page().toStdString();
  // A second "More Info" changes nothing.
  EXPECT_EQ(FrmDataWeather::Open(nullptr), form.data());
  EXPECT_TRUE(server.targets.size() == 1 && kit.browsers.size() == 1u);
}

// A broken answer (which ones: test_weather_text) is told, over an empty panel.
TEST_F(Panel, ABrokenAnswerIsToldOverAnEmptyPanel) {
  Options("codecity=1234567\r\nMetodoDatos=OpenWeatherMap\r\n");
  Serve("/data/2.5/weather",
        OwmAnswer().replace("humidity value=\"81\"", "humidity value=\"1028\""));
  form = FrmDataWeather::Open(nullptr);
  Settle(form);
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_TRUE(kit.messages[0].text.startsWith("Ha habido algún error"));
  EXPECT_TRUE(form && form->isVisible());
  EXPECT_FALSE(Page().contains("Madrid")) << Page().toStdString();
}

// The feed's texts escaped, its forecast link's code stored.
TEST_F(Panel, YahooCompassTextsAndAOneDigitConditionCode) {
  Options("MetodoDatos=Yahoo\r\nSistema=M\xE9trico\r\n");
  const char* rows[][3] = {{"360", "10", "N 10"}, {"360", "0", "en calma 0"}};
  for (const auto& row : rows) {
    Serve("/forecastrss", YahooFeed(row[0], row[1], "5", "<script>x()</script>"));
    form = FrmDataWeather::Open(nullptr);
    Settle(form);
    EXPECT_TRUE(Page().contains(QString("Viento: ") + row[2] + " km/h")) << Page().toStdString();
    EXPECT_TRUE(
        Page().contains("<img src=http://icons.test/52/5.gif align='left'>&lt;script&gt;x()"));
    EXPECT_EQ(Page().indexOf("<script>"), -1);
    form->close();
  }
  EXPECT_TRUE(Page().contains("url(\"file:///") && Page().contains("/Rice_Field.jpg\")"));
  EXPECT_EQ(Setting("oldcodecity"), "SPXX0050");
}

// In metric units and Spanish texts: test_e2e_weather.
TEST_F(Panel, KeyFreeSourceShowsTheWeatherInImperialUnitsWithAPictureOfItsOwn) {
  settings::SetShippedFolder(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets");
  Serve("/v1/forecast", MeteoForecast(true));
  Options(std::string(kMalaga) + "Sistema=Ingl\xE9s\r\nLenguage=English\r\n");
  form = FrmDataWeather::Open(nullptr);
  Settle(form);
  ASSERT_TRUE(form && form->isVisible());
  const QString asked = server.targets.back();
  EXPECT_TRUE(asked.contains("=36.72016&") && asked.contains("-4.42034") &&
              asked.contains("fahrenheit") && asked.contains("mph"));
  for (const QString& shown :
       {QStringLiteral("Málaga</a> (ES)"), QStringLiteral("Slight rain"),
        QStringLiteral("Presión: 1016.3 hPa"), QStringLiteral("Temp: 61.5 &deg;F"),
        QStringLiteral("(Min. 49.5&nbsp;&nbsp;-&nbsp;&nbsp;Max. 66)"),
        QStringLiteral("Humedad: 72 % - Viento: SW 7.8 mph<br>")})
    EXPECT_TRUE(Page().contains(shown)) << shown.toStdString() << "\n" << Page().toStdString();
  // The picture is a file that ships with the program: nothing remote.
  const qsizetype src = Page().indexOf("<img src=") + 9;
  const QUrl picture(Page().mid(src, Page().indexOf('>', src) - src));
  EXPECT_TRUE(picture.isLocalFile() && picture.toLocalFile().endsWith("/tiempo_lluvia.png"));
  EXPECT_TRUE(std::filesystem::exists(picture.toLocalFile().toStdString()))
      << picture.toString().toStdString();
  EXPECT_TRUE(kit.messages.empty());
  settings::SetShippedFolder({});
}

// A broken answer (which ones: test_weather_text) or none within the time-out is told once
// and leaves no page of an earlier answer to be taken for this one.
TEST_F(Panel, KeyFreeSourceBadAnswerIsReportedAndLeavesNoPageOfAnEarlierOne) {
  Options(kMalaga);
  SetWaitTimeoutMs(300);
  for (const int delayMs : {0, 3000}) {
    Serve("/v1/forecast", MeteoForecast());
    form = FrmDataWeather::Open(nullptr);
    Settle(form);
    ASSERT_TRUE(form && PageExists());
    form->close();
    kit.messages.clear();
    Serve("/v1/forecast", MeteoForecast(false, "time"), delayMs);
    form = FrmDataWeather::Open(nullptr);
    Settle(form);
    EXPECT_FALSE(form && form->isVisible()) << delayMs;
    EXPECT_FALSE(PageExists()) << delayMs;
    EXPECT_EQ(kit.messages.size(), 1u) << delayMs;
  }

  // No place chosen yet, or one off the globe an earlier look-up stored: the user is told
  // where to choose one, nothing is asked.
  const int asked = server.targets.size();
  for (const char* place : {"Ciudad=M\xE1laga\r\n", "Latitud=1000\r\nLongitud=-4.42\r\n",
                            "Latitud=36.7\r\nLongitud=-181\r\n"}) {
    kit.messages.clear();
    Options(place);
    form = FrmDataWeather::Open(nullptr);
    Settle(form);
    EXPECT_FALSE(form && form->isVisible()) << place;
    ASSERT_EQ(kit.messages.size(), 1u) << place;
    EXPECT_TRUE(kit.messages[0].text.contains("Buscar")) << place;
  }
  EXPECT_EQ(server.targets.size(), asked);
}

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

}  // namespace
}  // namespace weathertest
