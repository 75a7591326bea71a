// The weather data panel against a server on 127.0.0.1, with the recording browser.
#include <gtest/gtest.h>

#include <QImage>
#include <QPointer>
#include <QTimer>

#include "app/settings/ModIni.h"
#include "support/LocalHttpServer.h"
#include "support/WeatherAnswers.h"
#include "support/WebTestKit.h"
#include "weather/FrmDataWeather.h"
#include "weather/WeatherText.h"
#include "weather/WeatherValues.h"

using testsupport::LocalHttpServer;
using testsupport::ReadFile;
using weather::FrmDataWeather;
using weather::Values;

namespace {

const char* const kKey = "0f3a9c5e7b1d4f6a8c2e0b9d7f5a3c1e";

struct Panel : ::testing::Test {
  testsupport::WebTestKit kit;
  weathertest::TransferLog log;
  LocalHttpServer server;
  QPointer<FrmDataWeather> form;

  void SetUp() override {
    Values() = weather::WeatherValues();
    QLocale::setDefault(QLocale::c());
    Options("");
  }
  void TearDown() override {
    if (form) form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  void Options(const std::string& settings) {
    const std::string url = server.Url("").toStdString();
    kit.Options("[Servidores]\r\nOpenWeatherMap=" + url +
                "\r\nOpenWeatherMapWeb=https://owm.test\r\n"
                "YahooTiempo=" +
                url +
                "\r\nYahooIconos=http://icons.test/52/\r\n"
                "PrevisionES=http://es.test\r\nPrevisionEN=http://en.test\r\n[Settings]\r\n" +
                settings);
  }
  void Owm(const QByteArray& answer) {
    server.Set("/data/2.5/weather", LocalHttpServer::Answer(200, answer, "text/xml"));
  }
  void Yahoo(const QByteArray& feed) {
    server.Set("/forecastrss", LocalHttpServer::Answer(200, feed, "text/xml"));
  }
  void Open(QWidget* viewer = nullptr) { form = FrmDataWeather::Open(viewer); }
  QString Page() const { return QString::fromStdString(ReadFile(kit.folder / "weather.htm")); }
};

TEST_F(Panel, WithNothingStoredItAsksByEmptyCityInSpanishAndMetric) {
  Owm(weathertest::OwmAnswer());
  Open();
  ASSERT_TRUE(form);
  EXPECT_EQ(form->pos(), QPoint(2205 / 15, 1980 / 15));
  ASSERT_EQ(log.urls.size(), 1);
  EXPECT_EQ(log.urls[0], server.Url(QString("/data/2.5/weather?q=,&lang=es&units=metric&appid=") +
                                    kKey + "&mode=xml"));
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(form->Docked());
  ASSERT_EQ(kit.browsers.size(), 1u);
  EXPECT_TRUE(kit.browsers[0]->restricted) << "no scripts in a page of outside text";
  ASSERT_EQ(kit.browsers[0]->navigations.size(), 1u);
  EXPECT_EQ(kit.browsers[0]->navigations[0].address,
            QString::fromStdString((kit.folder / "weather.htm").string()));
  EXPECT_EQ(kit.browsers[0]->navigations[0].flags, 14);
  const QString page = Page();
  EXPECT_TRUE(page.startsWith(weather::PageHead(true)));
  EXPECT_EQ(Values().panelBackground, "arroz");
  EXPECT_NE(page.indexOf("Viento: 18 k/h<br>"), -1) << page.toStdString();
  EXPECT_NE(page.indexOf(QStringLiteral("Última act.: 2024-01-02T03:04:05 UTC")), -1);
  EXPECT_NE(page.indexOf("Temp: 20.5 &deg;C"), -1);
  EXPECT_NE(page.indexOf("<img src=http://owm.test/img/w/01d.png>"), -1);

  form->CommandInfo->click();
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_EQ(kit.messages[0].text,
            "Por debajo de 1013,25 hPa son bajas presiones, por encima altas presiones.");
  EXPECT_EQ(kit.messages[0].title, "Info");
  EXPECT_EQ(kit.messages[0].style, platform::kInformation);

  // A second "More Info" changes nothing.
  EXPECT_EQ(FrmDataWeather::Open(nullptr), form.data());
  EXPECT_EQ(log.urls.size(), 1);
  form->move(300, 200);
  form->CmdUnload->click();
  EXPECT_EQ(app::IniRead("Posición", "Info_Left", app::OptionsFile()), "4500");
  EXPECT_EQ(app::IniRead("Posición", "Info_Top", app::OptionsFile()), "3000");
}

TEST_F(Panel, TheAnswersTextReachesThePageIntactAndEscaped) {
  Owm(weathertest::OwmAnswer(
      "M\xC3\xA1laga Z\xC3\xBCrich \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", "5",
      "<script>document.title='x'</script>"));
  Options("codecity=1&x=2\r\nColor fondo=entreverado\r\nPa\xEDs=<b>ES</b>\r\n");
  Open();
  EXPECT_TRUE(log.urls[0].contains("?id=1%26x%3D2&lang=es&")) << log.urls[0].toStdString();
  const std::string bytes = ReadFile(kit.folder / "weather.htm");
  EXPECT_NE(bytes.find(
                "M\xC3\xA1laga Z\xC3\xBCrich \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0</a>"),
            std::string::npos);
  EXPECT_NE(bytes.find("charset=utf-8"), std::string::npos);
  const QString page = Page();
  EXPECT_EQ(page.indexOf("<script>"), -1);
  EXPECT_NE(page.indexOf("&lt;script&gt;"), -1);
  EXPECT_NE(page.indexOf("(&lt;b&gt;ES&lt;/b&gt;)"), -1);
  EXPECT_NE(page.indexOf("url(bg92.gif)"), -1);
  EXPECT_EQ(Values().panelBackground, "entreverado");
}

TEST_F(Panel, ImperialAsksAndShowsImperialUnits) {
  Owm(weathertest::OwmAnswer("Boston", "3"));
  Options("Sistema=Ingl\xE9s\r\ncodecity=4930956\r\n");
  Open();
  EXPECT_TRUE(log.urls[0].contains("&units=imperial&")) << log.urls[0].toStdString();
  EXPECT_NE(Page().indexOf("Temp: 20.5 &deg;F"), -1);
  EXPECT_NE(Page().indexOf("Viento: 3 mph"), -1);
}

TEST_F(Panel, AFailedDownloadBuildsNoPageFromTheEarlierFile) {
  testsupport::WriteFile(kit.folder / "weather.xml",
                         weathertest::OwmAnswer("Oldtown").toStdString());
  server.Set("/data/2.5/weather", LocalHttpServer::Answer(503, "busy"));
  Open();
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_EQ(kit.messages[0].title, "Error");
  EXPECT_EQ(Page().indexOf("Oldtown"), -1);
  EXPECT_TRUE(form->isVisible());
}

TEST_F(Panel, YahooFeedCompassIconAndForecastLink) {
  Yahoo(weathertest::YahooFeed("45", "10", "5"));
  Options("MetodoDatos=Yahoo\r\ncodecity=766273\r\nSistema=M\xE9trico\r\n");
  Open();
  EXPECT_EQ(log.urls[0], server.Url("/forecastrss?w=766273&u=c"));
  EXPECT_EQ(app::IniRead("Settings", "oldcodecity", app::OptionsFile()), "SPXX0050");
  QString page = Page();
  EXPECT_NE(page.indexOf("<a href=http://es.test/weather/today/SPXX0050  target='_blank'"), -1);
  EXPECT_NE(page.indexOf("<img src=http://icons.test/52/5.gif align='left'>Mostly Cloudy<br>"), -1)
      << page.toStdString();
  EXPECT_NE(page.indexOf("Viento: NE 10 km/h"), -1);
  EXPECT_EQ(Values().city, "Madrid");
  form->close();

  Yahoo(weathertest::YahooFeed("360", "0"));
  Open();
  EXPECT_NE(Page().indexOf("Viento: en calma 0 km/h"), -1);
  form->close();
  Yahoo(weathertest::YahooFeed("90", "10"));
  Open();
  EXPECT_NE(Page().indexOf("Viento: E 10"), -1);
  EXPECT_EQ(server.Requests("/forecastrss"), 3);
}

TEST_F(Panel, DockedInTheChosenTopCornerOfTheViewer) {
  Owm(weathertest::OwmAnswer());
  QWidget viewer;
  viewer.resize(12820 / 15, 8200 / 15);
  viewer.show();
  Options("codecity=1234567\r\nTama\xF1o=Grande\r\nPosdatos=arriba der\r\n");
  Open(&viewer);
  ASSERT_TRUE(form);
  EXPECT_TRUE(form->Docked());
  EXPECT_EQ(form->parentWidget(), &viewer);
  EXPECT_EQ(form->pos(), QPoint(viewer.width() - form->width(), 0));
  form->close();
  Options("codecity=1234567\r\nTama\xF1o=Peque\xF1o\r\nPosdatos=arriba izq\r\n");
  Open(&viewer);
  EXPECT_EQ(form->pos(), QPoint(0, viewer.height() - 7700 / 15));
  form->close();
  EXPECT_EQ(app::IniRead("Posición", "Info_Left", app::OptionsFile()), "");
}

TEST_F(Panel, ClosingDuringTheDownloadOrThePageWaitEndsBoth) {
  LocalHttpServer::Reply slow = LocalHttpServer::Answer(200, weathertest::YahooFeed(), "text/xml");
  slow.delayMs = 5000;
  server.Set("/forecastrss", slow);
  Options("MetodoDatos=Yahoo\r\n");
  QTimer::singleShot(200, [&] { FrmDataWeather::Current()->close(); });
  QElapsedTimer t;
  t.start();
  Open();
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_FALSE(form && form->isVisible());
  EXPECT_TRUE(kit.messages.empty());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);

  // Now the page never finishes loading: the close ends the wait.
  Yahoo(weathertest::YahooFeed());
  kit.browsers.clear();
  QTimer::singleShot(0, [&] { kit.browsers.at(0)->busy = true; });
  QTimer::singleShot(300, [&] { FrmDataWeather::Current()->close(); });
  t.restart();
  Open();
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_FALSE(form && form->isVisible());
}

}  // namespace

namespace {

TEST(PanelBackgrounds, BothPicturesShipAndDecode) {
  testsupport::App();
  const QString assets = qEnvironmentVariable("WW_SOURCE_DIR") + "/assets/";
  const QImage rice(assets + "Rice_Field.jpg"), mottle(assets + "bg92.gif");
  EXPECT_EQ(rice.size(), QSize(256, 256));
  EXPECT_EQ(mottle.size(), QSize(128, 128));
}

}  // namespace
