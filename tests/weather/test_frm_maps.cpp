// The weather settings window and its city look-up against a server on 127.0.0.1.
#include "WeatherForms.h"

namespace weathertest {
namespace {

struct Maps : WeatherForms {
  QPointer<FrmMaps> form;
  void Open() { form = FrmMaps::Open(nullptr); }
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

TEST_F(Maps, StoredChoicesAreWrittenBackAndApixuAndAccuWeatherAskNothing) {
  for (const std::string source : {"AccuWeather", "Apixu"}) {
    // The reader drops the trailing blank the region was written with.
    Options("Maps=Canada Occidental \r\nTama\xF1o=x\r\nMetodoDatos=" + source + "\r\n");
    Open();
    EXPECT_EQ(Settings({"Maps", "Tamaño", "MetodoDatos"}),
              "Canada Occidental|Pequeño|" + source + "|");
    Search("FR", "Paris");
    EXPECT_EQ(Settings({"País", "Ciudad"}), "||") << "no place found, none stored";
    EXPECT_EQ(form->ListRes->count(), 0);
    form->close();
  }
  EXPECT_TRUE(server.targets.isEmpty());
}

TEST_F(Maps, BuscarChecksCountryThenCity) {
  Open();
  Search("", "Madrid");
  EXPECT_TRUE(kit.messages.back().text.contains("el país"));
  EXPECT_EQ(form->focusWidget(), form->TextPais);
  for (const char* us : {"USA", "US", "EE.UU"}) {
    Search(us, "Boston");
    EXPECT_TRUE(kit.messages.back().text.contains("el estado")) << us;
  }
  Search("usa", "");  // lower case passes the state check
  EXPECT_EQ(kit.messages.back().text, "Debe poner una ciudad");
  EXPECT_EQ(form->focusWidget(), form->TextCity);
  EXPECT_EQ(Setting("País"), "") << "a country without its place";
  EXPECT_EQ(kit.messages.size(), 5u);
  EXPECT_TRUE(server.targets.isEmpty());
}

// The rest of its look-up (nothing found, places off the globe, the list's rows): test_e2e_weather.
TEST_F(Maps, TheKeyFreeSourceIsTheNewFilesAndItsLookUpStoresThePlaceChosen) {
  Serve("/geo/v1/search", MeteoPlaces());
  Open();
  EXPECT_TRUE(form->OptOpenMeteo->isChecked());
  EXPECT_EQ(Setting("MetodoDatos"), "OpenMeteo");
  Search("es", QStringLiteral("Málaga"));
  EXPECT_TRUE(server.targets.back().contains("=M%C3%A1laga&"))
      << server.targets.back().toStdString();
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
  EXPECT_TRUE(kit.messages.empty());
  form->close();
  EXPECT_EQ(Place(), us);

  // English texts ask for English names.
  Options("Lenguage=English\r\n");
  Open();
  Search("ES", "Malaga");
  EXPECT_TRUE(server.targets.back().contains("language=en"));
}

TEST_F(Maps, TheLookUpAsksWithEncodedNamesAndClosingStoresTheOneCityFound) {
  Serve("/data/2.5/weather", OwmAnswer());
  Options(
      "Lenguage=Spanish\r\nSistema=Ingl\xE9s\r\noldcodecity=SPXX0050\r\n"
      "MetodoDatos=OpenWeatherMap\r\nLatitud=48.85\r\nLongitud=2.35\r\n");
  Open();
  // "&" and "#" in the names do not change the request.
  Search("E&S", "Santa Cruz & Co #1");
  form->OptionMet->setChecked(true);
  Search("ES", "Madrid");
  ASSERT_EQ(server.targets.size(), 2);
  EXPECT_TRUE(server.targets[0].contains("=Santa%20Cruz%20%26%20Co%20%231,E%26S&"));
  EXPECT_TRUE(server.targets[0].contains("imperial") && server.targets[1].contains("metric"));
  EXPECT_EQ(Listed(), QStringList("Madrid , ES"));
  EXPECT_TRUE(form->ListRes->item(0)->isSelected() && form->CmdOK->isEnabled());
  // The place found replaces the old one whole: no position of the old one stays.
  EXPECT_EQ(Settings({"País", "Ciudad", "codecity", "Latitud", "Longitud", "oldcodecity"}),
            "ES|Madrid|1234567||||");
  form->CmdExit->click();
  EXPECT_EQ(Setting("codecity"), "1234567");
}

TEST_F(Maps, YahooLookUpAndItsErrorAnswer) {
  Serve("/v1/places.q(Madrid)", YahooPlaces());
  Serve("/v1/places.q(Nowhere)", YahooError());
  Options("MetodoDatos=Yahoo\r\n");
  Open();
  Search("ES", "Madrid");
  EXPECT_EQ(Listed(), QStringList("Madrid , Madrid , Spain"));
  form->close();
  EXPECT_EQ(Settings({"País", "Ciudad", "codecity"}), "ES|Madrid|766273|");
  Open();
  Search("FR", "Nowhere");
  EXPECT_EQ(form->ListRes->count(), 0);
  form->close();
  EXPECT_EQ(Settings({"País", "Ciudad", "codecity"}), "ES|Madrid|766273|");
  ASSERT_EQ(kit.messages.size(), 1u);
  // The service's own reason reaches the user.
  EXPECT_TRUE(kit.messages[0].text.contains("Please provide valid credentials."));
}

// An answer without one of its markers (which: test_weather_text), or none within the limit:
// nothing listed, the stored place kept, Buscar works again; one look-up at a time.
TEST_F(Maps, AFailedOrTimedOutLookUpKeepsTheStoredPlace) {
  QByteArray swapped = OwmAnswer();
  swapped.replace("<city id=\"1234567\" name=\"Madrid\">", "<city name=\"Madrid\" id=\"3117735\">");
  Options("codecity=999\r\nCiudad=Madrid\r\nPa\xEDs=ES\r\nMetodoDatos=OpenWeatherMap\r\n");
  Open();
  Serve("/data/2.5/weather", swapped);
  Search("FR", "Paris");
  EXPECT_EQ(form->ListRes->count(), 0);
  EXPECT_EQ(Settings({"País", "Ciudad", "codecity"}), "ES|Madrid|999|");
  EXPECT_EQ(WaitTimeoutMs(), 15000);
  SetWaitTimeoutMs(300);
  Serve("/data/2.5/weather", OwmAnswer(), 4000);
  form->CmdOK_Click();
  Search("ES", "Madrid");  // a second press while one runs asks nothing
  EXPECT_EQ(server.targets.size(), 2);
  EXPECT_TRUE(form->CmdOK->isEnabled());
  EXPECT_EQ(form->ListRes->count(), 0);
  EXPECT_TRUE(kit.messages.empty());
  form->close();
  EXPECT_EQ(Settings({"País", "Ciudad", "codecity"}), "ES|Madrid|999|");
}

}  // namespace
}  // namespace weathertest
