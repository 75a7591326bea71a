// The weather settings window and its city look-up against a server on 127.0.0.1.
#include "WeatherForms.h"

namespace weathertest {
namespace {

struct Maps : WeatherForms {
  QPointer<FrmMaps> form;
  static std::string Settings(std::initializer_list<const char*> keys) {
    std::string all;
    for (const char* key : keys) all += Setting(key) + "|";
    return all;
  }
  void Open() { form = FrmMaps::Open(nullptr); }
  void Search(const QString& country, const QString& city) {
    form->TextPais->setText(country);
    form->TextCity->setText(city);
    form->CmdOK_Click();
    testsupport::SpinUntil([&] { return !form || form->CmdOK->isEnabled(); }, 10000);
  }
  QString Listed() const { return form->ListRes->count() ? form->ListRes->item(0)->text() : ""; }
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

TEST_F(Maps, TheKeyFreeSourceIsTheFirstChoiceAndBuscarChecksCountryThenCity) {
  Open();
  EXPECT_TRUE(form->OptOpenMeteo->isChecked() && form->OptOpenMeteo->isEnabled());
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
  const QString rest = "&lang=es&units=%1&appid=0f3a9c5e7b1d4f6a8c2e0b9d7f5a3c1e&mode=xml";
  EXPECT_EQ(server.targets,
            QStringList(
                {"/data/2.5/weather?q=Santa%20Cruz%20%26%20Co%20%231,E%26S" + rest.arg("imperial"),
                 "/data/2.5/weather?q=Madrid,ES" + rest.arg("metric")}));
  EXPECT_EQ(Listed(), "Madrid , ES");
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
  EXPECT_EQ(Listed(), "Madrid , Madrid , Spain");
  EXPECT_EQ(server.targets.back(),
            "/v1/places.q(Madrid)?appid=5d2b8f0a6c4e1d9b7a3f5c8e0b2d4f6a1c3e5b7d");
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

TEST_F(Maps, AFailedOrTimedOutLookUpKeepsTheStoredPlace) {
  QByteArray swapped = OwmAnswer();
  swapped.replace("<city id=\"1234567\" name=\"Madrid\">", "<city name=\"Madrid\" id=\"3117735\">");
  Options("codecity=999\r\nCiudad=Madrid\r\nPa\xEDs=ES\r\nMetodoDatos=OpenWeatherMap\r\n");
  Open();
  // Without any one of its markers an answer lists and stores nothing.
  QByteArrayList answers = {swapped};
  for (const char* gone : {"name", ">", "country>", "city id="})
    answers << OwmAnswer().replace(gone, "");
  for (const QByteArray& answer : answers) {
    Serve("/data/2.5/weather", answer);
    Search("FR", "Paris");
    EXPECT_EQ(form->ListRes->count(), 0) << answer.toStdString();
    EXPECT_EQ(Settings({"País", "Ciudad", "codecity"}), "ES|Madrid|999|") << answer.toStdString();
  }
  // One that does not answer within the limit: Buscar works again, nothing listed.
  EXPECT_EQ(WaitTimeoutMs(), 15000);
  SetWaitTimeoutMs(300);
  Serve("/data/2.5/weather", OwmAnswer(), 4000);
  Search("ES", "Madrid");
  EXPECT_TRUE(form->CmdOK->isEnabled());
  EXPECT_EQ(form->ListRes->count(), 0);
  EXPECT_TRUE(kit.messages.empty());
  form->close();
  EXPECT_EQ(Settings({"País", "Ciudad", "codecity"}), "ES|Madrid|999|");
}

TEST_F(Maps, ClosingDuringTheLookUpEndsIt) {
  Serve("/data/2.5/weather", OwmAnswer(), 1000);
  Options("MetodoDatos=OpenWeatherMap\r\n");
  Open();
  form->TextPais->setText("ES");
  form->TextCity->setText("Madrid");
  form->CmdOK_Click();
  EXPECT_FALSE(form->CmdOK->isEnabled());
  form->CmdOK_Click();  // a second press while one runs does nothing
  ASSERT_TRUE(testsupport::SpinUntil([&] { return server.targets.size() == 1; }, 4000));
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);
  testsupport::SpinUntil([] { return false; }, 1500);  // the answer comes meanwhile
  EXPECT_EQ(server.targets.size(), 1);
  EXPECT_EQ(Setting("codecity"), "");
}

}  // namespace
}  // namespace weathertest
