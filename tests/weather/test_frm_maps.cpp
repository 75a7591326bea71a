// The weather settings window and its city look-up against a server on 127.0.0.1.
#include "WeatherForms.h"

namespace weathertest {
namespace {

struct Maps : WeatherForms {
  QPointer<FrmMaps> form;
  // The settings as one text, to compare at once.
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
  }
  QString Listed() const { return form->ListRes->count() ? form->ListRes->item(0)->text() : ""; }
};

const auto kChoices = {"Maps",   "Lenguage",    "Sistema",     "Posdatos",
                       "Tamaño", "Color fondo", "MetodoDatos", "AlwaysUp"};

TEST_F(Maps, TheFirstOpeningStoresTheDefaults) {
  Open();
  EXPECT_EQ(Settings(kChoices),
            "Escandinavia|Spanish|Métrico|arriba izq|Grande|arroz|OpenWeatherMap||");
  form->CheckAlwaysUp->setChecked(true);
  const std::string ticked = Setting("AlwaysUp");
  form->CheckAlwaysUp->setChecked(false);
  EXPECT_EQ(ticked + "|" + Setting("AlwaysUp"), "siempre arriba|va a ser que no");
}

TEST_F(Maps, StoredChoicesComeBackAndAreWrittenBack) {
  // The reader drops the trailing blank the region was written with.
  Options(
      "Maps=Canada Occidental \r\nLenguage=Czech\r\nSistema=Ingl\xE9s\r\nTama\xF1o=x\r\n"
      "Posdatos=arriba der\r\nColor fondo=entreverado\r\nMetodoDatos=AccuWeather\r\n"
      "AlwaysUp=siempre arriba\r\nPa\xEDs=ES\r\nCiudad=Madrid\r\ncodecity=42\r\n");
  Open();
  EXPECT_EQ(form->ComboZonas->currentIndex(), 10);
  EXPECT_TRUE(form->OptAccuWeather->isChecked() && form->CheckAlwaysUp->isChecked());
  EXPECT_EQ(form->TextPais->text(), "ES");
  EXPECT_EQ(Values().languageCode + Values().cityCode, "cz42");
  EXPECT_EQ(Settings(kChoices),
            "Canada Occidental|Czech|Inglés|arriba der|Pequeño|entreverado|"
            "AccuWeather|siempre arriba|");
  // AccuWeather and Apixu look nothing up; country and city are stored.
  Search("FR", "Paris");
  EXPECT_EQ(Settings({"País", "Ciudad"}), "FR|Paris|");
  form->close();
  Options("MetodoDatos=Apixu\r\n");
  Open();
  Search("IT", "Roma");
  EXPECT_EQ(Setting("Ciudad"), "Roma");
  EXPECT_TRUE(server.targets.isEmpty() && form->ListRes->count() == 0);
}

TEST_F(Maps, BuscarChecksCountryThenCity) {
  Open();
  Search("", "Madrid");
  EXPECT_EQ(form->focusWidget(), form->TextPais);
  for (const char* us : {"USA", "US", "EE.UU"}) Search(us, "Boston");
  EXPECT_TRUE(kit.messages.back().text.contains("el estado"));
  EXPECT_EQ(Settings({"País", "Ciudad"}), "||");
  form->TextPais->setFocus();
  Search("usa", "");
  EXPECT_EQ(form->focusWidget(), form->TextCity);
  EXPECT_EQ(Setting("País"), "usa");
  EXPECT_EQ(kit.messages.size(), 5u);
  EXPECT_TRUE(server.targets.isEmpty());
}

TEST_F(Maps, TheLookUpAsksWithEncodedNamesAndClosingStoresTheOneCityFound) {
  Serve("/data/2.5/weather", OwmAnswer());
  Options("Lenguage=Spanish\r\nSistema=Ingl\xE9s\r\noldcodecity=SPXX0050\r\n");
  Open();
  // "&" and "#" in the names do not change the request.
  Search("E&S", "Santa Cruz & Co #1");
  EXPECT_EQ(server.targets,
            QStringList("/data/2.5/weather?q=Santa%20Cruz%20%26%20Co%20%231,E%26S&lang=es&units="
                        "imperial&appid=0f3a9c5e7b1d4f6a8c2e0b9d7f5a3c1e&mode=xml"));
  EXPECT_EQ(Listed(), "Madrid , ES");
  EXPECT_TRUE(form->ListRes->item(0)->isSelected());
  EXPECT_TRUE(form->CmdOK->isEnabled());
  form->CmdExit->click();
  EXPECT_EQ(Setting("codecity"), "1234567");
  EXPECT_EQ(Setting("oldcodecity"), "") << "the forecast link was the previous city's";
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
  Search("ES", "Nowhere");
  EXPECT_EQ(form->ListRes->count(), 0);
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_TRUE(kit.messages[0].text.startsWith("Please provide valid credentials.\r\nOAuth "));
  EXPECT_EQ(Values().cityCode, "766273") << "the error changes no code";
}

TEST_F(Maps, AFailedOrTimedOutLookUpKeepsTheStoredCode) {
  QByteArray swapped = OwmAnswer();
  swapped.replace("<city id=\"1234567\" name=\"Madrid\">", "<city name=\"Madrid\" id=\"3117735\">");
  Serve("/data/2.5/weather", swapped);
  Options("codecity=999\r\n");
  Open();
  Search("ES", "Madrid");
  EXPECT_EQ(form->ListRes->count(), 0);
  EXPECT_EQ(Values().cityCode, "999");
  // A service that is not there: the buffer stays empty.
  server.Set("/data/2.5/weather", LocalHttpServer::Answer(500, "<city id=\"1\" name=\"X\">"));
  Search("ES", "Madrid");
  EXPECT_EQ(form->TextSource->toPlainText(), "");
  // One that does not answer within the limit: Buscar works again, nothing listed.
  EXPECT_EQ(WaitTimeoutMs(), 15000);
  SetWaitTimeoutMs(300);
  Serve("/data/2.5/weather", OwmAnswer(), 4000);
  Search("ES", "Madrid");
  EXPECT_TRUE(form->CmdOK->isEnabled());
  EXPECT_EQ(form->ListRes->count(), 0);
  EXPECT_TRUE(kit.messages.empty());
  form->close();
  EXPECT_EQ(Setting("codecity"), "999");
}

TEST_F(Maps, ClosingDuringTheLookUpEndsItsWait) {
  Serve("/data/2.5/weather", OwmAnswer(), 5000);
  Open();
  bool disabledMeanwhile = false;
  QTimer::singleShot(200, [&] {
    disabledMeanwhile = !form->CmdOK->isEnabled();
    form->CmdOK_Click();  // a second press while one runs does nothing
    form->close();
  });
  QElapsedTimer t;  // a hang guard: the answer would come after 5 s
  t.start();
  Search("ES", "Madrid");
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_TRUE(disabledMeanwhile);
  EXPECT_EQ(server.targets.size(), 1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);
  EXPECT_EQ(Setting("codecity"), "");
}

}  // namespace
}  // namespace weathertest
