// The weather windows with the recording browser, every service on 127.0.0.1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "support/WeatherAnswers.h"
#include "support/WebTestKit.h"
#include "weather/FrmDataWeather.h"
#include "weather/FrmMaps.h"
#include "weather/FrmWeather.h"
#include "weather/WeatherDownload.h"

namespace weathertest {
namespace {

using namespace weather;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

struct WeatherForms : testsupport::WebWindowTest {
  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    Options("");
  }
  // The pages' own links and pictures go to names nothing fetches.
  void Options(const std::string& settings) {
    const std::string u = server.Url("").toStdString();
    WebTestKit::Options(
        "[Servidores]\r\nOpenWeatherMap=" + u + "\r\nYahooTiempo=" + u + "\r\nOpenMeteo=" + u +
        "\r\nOpenMeteoLugares=" + u + "/geo\r\nYahooLugares=" + u +
        "\r\nOpenWeatherMapWeb=https://owm.test\r\nYahooIconos=http://icons.test/52/"
        "\r\nPrevisionES=http://es.test\r\nSatelite=http://sat.test\r\n[Settings]\r\n" +
        settings);
  }
  template <class Window>
  static bool Settle(const QPointer<Window>& w) {
    return testsupport::SpinUntil([&] { return !w || w->Unloaded() || w->isVisible(); }, 10000);
  }
  static std::string Settings(std::initializer_list<const char*> keys) {
    std::string all;
    for (const char* key : keys) all += Setting(key) + "|";
    return all;
  }
  std::string Asked() const {
    return server.targets.value(server.targets.size() - 1).toStdString();
  }
  std::string Page() const { return testsupport::ReadFile(folder / "weather.htm"); }
};

struct Panel : WeatherForms {
  QPointer<FrmDataWeather> form;
  static constexpr const char* kMalaga =
      "Latitud=36.72016\r\nLongitud=-4.42034\r\nCiudad=M\xE1laga\r\nPa\xEDs=ES\r\n";
  bool Open() {
    form = FrmDataWeather::Open(nullptr);
    Settle(form);
    return form && form->isVisible();
  }
};

TEST_F(Panel, TheOldSourcesAnswersReachThePageIntactEscapedAndWithoutScripts) {
  const QByteArray city = "M\xC3\xA1laga \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2";
  const QByteArray answer = OwmAnswer(city, "5", "<script>x()</script>");
  Serve("/data/2.5/weather", answer);
  Options(
      "codecity=1&x=2\r\nColor fondo=entreverado\r\nPa\xEDs=<b>ES</b>\r\n"
      "MetodoDatos=OpenWeatherMap\r\n");
  testsupport::WriteFile(folder / "weather.xml", std::string(4000, 'x'));  // longer
  ASSERT_TRUE(Open());
  EXPECT_THAT(Asked(), HasSubstr("=1%26x%3D2&"));
  EXPECT_TRUE(browsers.at(0)->restricted) << "no scripts in a page of outside text";
  // The answer is kept where it always was, and the page is built from it.
  EXPECT_EQ(testsupport::ReadFile(folder / "weather.xml"), answer.toStdString());
  EXPECT_THAT(Page(), AllOf(HasSubstr(city.toStdString() + "</a>"), HasSubstr("charset=utf-8"),
                            HasSubstr("/bg92.gif\")"), HasSubstr("(&lt;b&gt;ES&lt;/b&gt;)"),
                            HasSubstr("&lt;script&gt;x()"), Not(HasSubstr("<script>")),
                            HasSubstr("Última act.: 2024-01-02T03:04:05 UTC")));
  EXPECT_EQ(FrmDataWeather::Open(nullptr), form.data());  // a second "More Info"
  EXPECT_TRUE(server.targets.size() == 1 && browsers.size() == 1u);
  form->close();

  // Yahoo's compass texts and a one-digit condition code; its forecast link's code stored.
  Options("MetodoDatos=Yahoo\r\nSistema=M\xE9trico\r\n");
  const char* rows[][3] = {{"360", "10", "N 10"}, {"360", "0", "en calma 0"}};
  for (const auto& row : rows) {
    Serve("/forecastrss", YahooFeed(row[0], row[1], "5", "<script>x()</script>"));
    Open();
    EXPECT_THAT(Page(), AllOf(HasSubstr(std::string("Viento: ") + row[2] + " km/h"),
                              HasSubstr("<img src=http://icons.test/52/5.gif "
                                        "align='left'>&lt;script&gt;x()"),
                              Not(HasSubstr("<script>"))));
    form->close();
  }
  EXPECT_THAT(Page(), AllOf(HasSubstr("url(\"file:///"), HasSubstr("/Rice_Field.jpg\")")));
  EXPECT_EQ(Setting("oldcodecity"), "SPXX0050");
}

// In metric units and Spanish texts, and its own picture drawn: test_e2e_weather.
TEST_F(Panel, KeyFreeSourceShowsTheWeatherInImperialUnitsWithAPictureOfItsOwn) {
  settings::SetShippedFolder(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets");
  Serve("/v1/forecast", MeteoForecast(true));
  Options(std::string(kMalaga) + "Sistema=Ingl\xE9s\r\nLenguage=English\r\n");
  ASSERT_TRUE(Open());
  EXPECT_THAT(Asked(), AllOf(HasSubstr("=36.72016&"), HasSubstr("-4.42034"), HasSubstr("mph")));
  EXPECT_THAT(Page(), AllOf(HasSubstr("Slight rain"), HasSubstr("Presión: 1016.3 hPa"),
                            HasSubstr("Temp: 61.5 &deg;F"),
                            HasSubstr("(Min. 49.5&nbsp;&nbsp;-&nbsp;&nbsp;Max. 66)"),
                            HasSubstr("Humedad: 72 % - Viento: SW 7.8 mph<br>"),
                            HasSubstr("/tiempo_lluvia.png>")));
  EXPECT_TRUE(messages.empty());
  settings::SetShippedFolder({});
}

// A broken answer (which: test_weather_text) or none in time is told once; no earlier page stays.
TEST_F(Panel, KeyFreeSourceBadAnswerIsReportedAndLeavesNoPageOfAnEarlierOne) {
  Options(kMalaga);
  SetWaitTimeoutMs(300);
  for (const int delayMs : {0, 3000}) {
    testsupport::WriteFile(folder / "weather.htm", "an earlier answer's page");
    messages.clear();
    Serve("/v1/forecast", MeteoForecast(false, "time"), delayMs);
    EXPECT_FALSE(Open()) << delayMs;
    EXPECT_FALSE(std::filesystem::exists(folder / "weather.htm")) << delayMs;
    EXPECT_EQ(messages.size(), 1u) << delayMs;
  }

  // No place, or one off the globe: the user is told where to choose one, nothing is asked.
  const int asked = server.targets.size();
  for (const char* place : {"Ciudad=M\xE1laga\r\n", "Latitud=1000\r\nLongitud=-4.42\r\n",
                            "Latitud=36.7\r\nLongitud=-181\r\n"}) {
    messages.clear();
    Options(place);
    EXPECT_FALSE(Open()) << place;
    EXPECT_TRUE(messages.size() == 1 && LastMessage().contains("Buscar")) << place;
  }
  EXPECT_EQ(server.targets.size(), asked);
}

TEST_F(WeatherForms, OpensWithTheDefaultsRecargarTakesTheStoredChoicesAndClosingClosesThePanel) {
  Serve("/data/2.5/weather", OwmAnswer());
  QPointer<FrmWeather> form = FrmWeather::Open();
  ASSERT_TRUE(Settle(form));
  auto image = [&] { return browsers.at(0)->navigations.back().address; };
  EXPECT_TRUE(form->Large() && !form->TopMost() && image().contains("/europ.jpg'"));
  // Regions are written with their trailing blank and read back without it.
  Options("Maps=Canada Occidental \r\nTama\xF1o=Peque\xF1o\r\nMetodoDatos=OpenWeatherMap\r\n");
  form->CmdRefresh->click();
  EXPECT_TRUE(!form->Large() && image().contains("/wcana.jpg'"));
  EXPECT_EQ(form->size(), QSize(10820 / 15, 7550 / 15));  // no taller than its browser

  // The place is stored unless minimised.
  form->move(200, 100);
  form->MoreInfo->click();
  QPointer<FrmDataWeather> panel = FrmDataWeather::Current();
  Settle(panel);
  form->CmdExit->click();
  EXPECT_TRUE(Gone(panel) && !FrmDataWeather::Current());
  form = FrmWeather::Open();
  EXPECT_EQ(form->pos(), QPoint(200, 100));
  form->move(400, 300);
  form->setWindowState(Qt::WindowMinimized);
  form->close();
  EXPECT_EQ(Setting("Map_Left", "Posición") + "," + Setting("Map_Top", "Posición"), "3000,1500");
}

struct Maps : WeatherForms {
  QPointer<FrmMaps> form;
  void Search(const QString& country, const QString& city) {
    form->TextPais->setText(country);
    form->TextCity->setText(city);
    form->CmdOK_Click();
    testsupport::SpinUntil([&] { return !form || form->CmdOK->isEnabled(); }, 10000);
  }
  QStringList Listed() const {
    QStringList lines;
    for (int i = 0; i < form->ListRes->count(); ++i) lines << form->ListRes->item(i)->text();
    return lines;
  }
  static std::string Place() {
    return Settings({"Ciudad", "País", "codecity", "Latitud", "Longitud"});
  }
};

// Nothing is asked without a country and a city, nor of the sources that have no look-up.
TEST_F(Maps, BuscarChecksCountryThenCityAndStoredChoicesAreWrittenBack) {
  form = FrmMaps::Open(nullptr);
  Search("", "Madrid");
  EXPECT_TRUE(LastMessage().contains("el país"));
  EXPECT_EQ(form->focusWidget(), form->TextPais);
  for (const char* us : {"USA", "US", "EE.UU"}) {
    Search(us, "Boston");
    EXPECT_TRUE(LastMessage().contains("el estado")) << us;
  }
  Search("usa", "");  // lower case passes the state check
  EXPECT_EQ(LastMessage(), "Debe poner una ciudad");
  EXPECT_EQ(form->focusWidget(), form->TextCity);
  EXPECT_EQ(Setting("País"), "") << "a country without its place";
  EXPECT_EQ(messages.size(), 5u);
  form->close();

  // A retired source (every one takes the same way). The reader drops the region's trailing blank.
  Options("Maps=Canada Occidental \r\nTama\xF1o=x\r\nMetodoDatos=Apixu\r\n");
  form = FrmMaps::Open(nullptr);
  EXPECT_EQ(Settings({"Maps", "Tamaño", "MetodoDatos"}), "Canada Occidental|Pequeño|Apixu|");
  Search("FR", "Paris");
  EXPECT_EQ(Settings({"País", "Ciudad"}), "||") << "no place found, none stored";
  EXPECT_EQ(form->ListRes->count(), 0);
  EXPECT_TRUE(server.targets.isEmpty());
}

TEST_F(Maps, TheKeyFreeSourceIsTheNewFilesAndItsLookUpStoresThePlaceChosen) {
  Serve("/geo/v1/search", MeteoPlaces());
  form = FrmMaps::Open(nullptr);
  EXPECT_TRUE(form->OptOpenMeteo->isChecked());
  Search("es", QStringLiteral("Málaga"));
  EXPECT_THAT(Asked(), HasSubstr("=M%C3%A1laga&"));
  EXPECT_EQ(Listed(), QStringList({QStringLiteral("Málaga, Andalucía, España"),
                                   QStringLiteral("Málaga, Santander, Colombia"),
                                   QStringLiteral("Malaga, Estados Unidos")}));
  EXPECT_EQ(form->ListRes->currentRow(), 0);
  EXPECT_EQ(Place(), "Málaga|ES|2514256|36.72016|-4.42034|");
  // The user's choice replaces it at once.
  form->ListRes->setCurrentRow(1);
  EXPECT_EQ(Place(), "Málaga|CO|3675443|6.69903|-72.73233|");
  // The typed country, by code or by name, picks its place first.
  Search("estados unidos", QStringLiteral("Málaga"));
  EXPECT_EQ(form->ListRes->currentRow(), 2);
  const std::string us = "Malaga|US|5100776|39.57261|-75.05879|";
  EXPECT_EQ(Place(), us);

  // An answer that is not the service's: nothing listed or told, the place kept whole.
  Serve("/geo/v1/search", "<html>502 Bad Gateway</html>");
  Search("FR", "Nowhere");
  EXPECT_EQ(form->ListRes->count(), 0);
  // The service's "nothing" is told (the only message), with the city to correct.
  Serve("/geo/v1/search", MeteoNoPlaces());
  Search("FR", "Nowhere");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(LastMessage(), "No se encontró ninguna ciudad con ese nombre.");
  EXPECT_EQ(form->focusWidget(), form->TextCity);
  form->close();
  EXPECT_EQ(Place(), us);

  // Five rows show without scrolling.
  Serve("/geo/v1/search", MeteoManyPlaces(8));
  form = FrmMaps::Open(nullptr);
  Search("ES", "Lugar");
  const QRect view = form->ListRes->viewport()->rect();
  for (int row = 0; row < 5; ++row)
    EXPECT_TRUE(view.contains(form->ListRes->visualItemRect(form->ListRes->item(row)))) << row;
  form->close();

  // English texts ask for English names.
  Options("Lenguage=English\r\n");
  form = FrmMaps::Open(nullptr);
  Search("ES", "Malaga");
  EXPECT_THAT(Asked(), HasSubstr("language=en"));
}

TEST_F(Maps, TheOldSourcesLookUpsAskWithEncodedNamesAndStoreTheCityFound) {
  Serve("/data/2.5/weather", OwmAnswer());
  Options(
      "Lenguage=Spanish\r\nSistema=Ingl\xE9s\r\noldcodecity=SPXX0050\r\n"
      "MetodoDatos=OpenWeatherMap\r\nLatitud=48.85\r\nLongitud=2.35\r\n");
  form = FrmMaps::Open(nullptr);
  // "&" and "#" in the names do not change the request.
  Search("E&S", "Santa Cruz & Co #1");
  form->OptionMet->setChecked(true);
  Search("ES", "Madrid");
  ASSERT_EQ(server.targets.size(), 2);
  EXPECT_TRUE(server.targets[0].contains("=Santa%20Cruz%20%26%20Co%20%231,E%26S&"));
  EXPECT_TRUE(server.targets[0].contains("imperial") && server.targets[1].contains("metric"));
  EXPECT_EQ(Listed(), QStringList("Madrid , ES"));
  EXPECT_TRUE(form->ListRes->item(0)->isSelected());
  // The place found replaces the old one whole: no position of the old one stays.
  EXPECT_EQ(Settings({"País", "Ciudad", "codecity", "Latitud", "Longitud", "oldcodecity"}),
            "ES|Madrid|1234567||||");
  form->close();

  // Yahoo's look-up, and its error answer.
  Serve("/v1/places.q(Madrid)", YahooPlaces());
  Serve("/v1/places.q(Nowhere)", YahooError());
  Options("MetodoDatos=Yahoo\r\n");
  form = FrmMaps::Open(nullptr);
  Search("ES", "Madrid");
  EXPECT_EQ(Listed(), QStringList("Madrid , Madrid , Spain"));
  Search("FR", "Nowhere");
  EXPECT_EQ(form->ListRes->count(), 0);
  form->close();
  EXPECT_EQ(Settings({"País", "Ciudad", "codecity"}), "ES|Madrid|766273|");
  ASSERT_EQ(messages.size(), 1u);
  // The service's own reason reaches the user.
  EXPECT_TRUE(LastMessage().contains("Please provide valid credentials."));
}

// An answer without its markers: test_weather_text. None in time: nothing listed, the place kept.
TEST_F(Maps, ATimedOutLookUpKeepsTheStoredPlace) {
  Options("codecity=999\r\nCiudad=Madrid\r\nPa\xEDs=ES\r\nMetodoDatos=OpenWeatherMap\r\n");
  form = FrmMaps::Open(nullptr);
  SetWaitTimeoutMs(300);
  Serve("/data/2.5/weather", OwmAnswer(), 4000);
  form->CmdOK_Click();
  testsupport::SpinUntil([&] { return server.targets.size() == 1; }, 4000);
  Search("ES", "Madrid");  // a second press while one runs asks nothing
  EXPECT_EQ(server.targets.size(), 1);
  EXPECT_TRUE(form->CmdOK->isEnabled());
  EXPECT_EQ(form->ListRes->count(), 0);
  EXPECT_TRUE(messages.empty());
  form->close();
  EXPECT_EQ(Settings({"País", "Ciudad", "codecity"}), "ES|Madrid|999|");
}

// Refused or an error status: told, and an earlier answer in place is not read as the fresh one.
TEST_F(WeatherForms, AFailedDownloadIsToldAndKeepsTheEarlierAnswer) {
  testsupport::WriteFile(folder / "weather.xml", "earlier answer");
  Fetch fetch;
  for (const QString& address : {QString("http://127.0.0.1:9/nothing"), server.Url("/gone")}) {
    std::optional<FetchResult> got;
    DownloadWeatherXml(fetch, address, nullptr, [&](FetchResult r, const QByteArray& text) {
      got = r;
      EXPECT_TRUE(text.isEmpty());
    });
    ASSERT_TRUE(testsupport::SpinUntil([&] { return got.has_value(); }, 10000));
    EXPECT_EQ(*got, FetchResult::Failed) << address.toStdString();
  }
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(testsupport::ReadFile(folder / "weather.xml"), "earlier answer");
}

}  // namespace
}  // namespace weathertest
