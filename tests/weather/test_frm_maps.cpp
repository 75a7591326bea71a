// The weather settings window and its city look-up against a server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTimer>

#include "app/settings/ModIni.h"
#include "support/LocalHttpServer.h"
#include "support/WeatherAnswers.h"
#include "support/WebTestKit.h"
#include "weather/FrmMaps.h"
#include "weather/WeatherDownload.h"
#include "weather/WeatherValues.h"

using testsupport::LocalHttpServer;
using weather::FrmMaps;
using weather::Values;

namespace {

struct Maps : ::testing::Test {
  testsupport::WebTestKit kit;
  weathertest::TransferLog log;
  LocalHttpServer server;
  QPointer<FrmMaps> form;

  void SetUp() override {
    Values() = weather::WeatherValues();
    Options("");
  }
  void TearDown() override {
    if (form) form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    weather::SetWaitTimeoutMs(15000);
  }
  void Options(const std::string& settings) {
    kit.Options("[Servidores]\r\nOpenWeatherMap=" + server.Url("").toStdString() +
                "\r\nYahooLugares=" + server.Url("").toStdString() + "\r\n[Settings]\r\n" +
                settings);
  }
  std::string Setting(const char* key) const {
    return app::IniRead("Settings", key, app::OptionsFile());
  }
  void Open() { form = FrmMaps::Open(nullptr); }
  void Search(const QString& country, const QString& city) {
    form->TextPais->setText(country);
    form->TextCity->setText(city);
    form->CmdOK_Click();
  }
  QString Listed() const { return form->ListRes->count() ? form->ListRes->item(0)->text() : ""; }
};

TEST_F(Maps, TheFirstOpeningSelectsAndStoresTheDefaults) {
  Open();
  EXPECT_EQ(form->windowTitle(), "Mapas y ciudades");
  EXPECT_EQ(form->ComboZonas->currentText(), "Escandinavia");
  EXPECT_EQ(form->ComboLang->currentText(), "Spanish");
  EXPECT_TRUE(form->OptionMet->isChecked());
  EXPECT_TRUE(form->OptionArIz->isChecked());
  EXPECT_TRUE(form->OptionGra->isChecked());
  EXPECT_TRUE(form->OptionRice->isChecked());
  EXPECT_TRUE(form->OptOpenWeatherMap->isChecked());
  EXPECT_FALSE(form->CheckAlwaysUp->isChecked());
  EXPECT_FALSE(form->OptYahoo->isEnabled());
  EXPECT_EQ(Setting("Maps"), "Escandinavia");
  EXPECT_EQ(Setting("Lenguage"), "Spanish");
  EXPECT_EQ(Setting("Sistema"), "Métrico");
  EXPECT_EQ(Setting("Posdatos"), "arriba izq");
  EXPECT_EQ(Setting("Tamaño"), "Grande");
  EXPECT_EQ(Setting("Color fondo"), "arroz");
  EXPECT_EQ(Setting("MetodoDatos"), "OpenWeatherMap");
  EXPECT_EQ(Setting("AlwaysUp"), "");
  EXPECT_EQ(Values().languageCode, "") << "the code follows the name at the next opening";
  form->CheckAlwaysUp->setChecked(true);
  EXPECT_EQ(Setting("AlwaysUp"), "siempre arriba");
  form->CheckAlwaysUp->setChecked(false);
  EXPECT_EQ(Setting("AlwaysUp"), "va a ser que no");
  form->ComboLang->setCurrentText("German");
  EXPECT_EQ(Setting("Lenguage"), "German");
  EXPECT_EQ(Values().languageCode, "");
}

TEST_F(Maps, StoredChoicesComeBackAndATrimmedRegionStillMatches) {
  // The reader drops the trailing blank the region was written with.
  Options(
      "Maps=Canada Occidental \r\nLenguage=Czech\r\nSistema=Ingl\xE9s\r\nTama\xF1o=x\r\n"
      "Posdatos=arriba der\r\nColor fondo=entreverado\r\nMetodoDatos=AccuWeather\r\n"
      "AlwaysUp=siempre arriba\r\nPa\xEDs=ES\r\nCiudad=Madrid\r\ncodecity=42\r\n");
  Open();
  EXPECT_EQ(form->ComboZonas->currentIndex(), 10);
  EXPECT_EQ(form->ComboLang->currentText(), "Czech");
  EXPECT_EQ(Values().languageCode, "cz");
  EXPECT_TRUE(form->OptionIng->isChecked());
  EXPECT_TRUE(form->OptionPeq->isChecked());
  EXPECT_TRUE(form->OptionArDer->isChecked());
  EXPECT_TRUE(form->OptionEntrever->isChecked());
  EXPECT_TRUE(form->OptAccuWeather->isChecked());
  EXPECT_TRUE(form->CheckAlwaysUp->isChecked());
  EXPECT_EQ(form->TextPais->text(), "ES");
  EXPECT_EQ(Values().cityCode, "42");
  EXPECT_EQ(Values().dataSource, "AccuWeather");
  EXPECT_EQ(Setting("Tamaño"), "Pequeño");
  EXPECT_EQ(Setting("MetodoDatos"), "AccuWeather") << "never written for AccuWeather";

  // AccuWeather (and Apixu) look nothing up; country and city are stored.
  Search("FR", "Paris");
  EXPECT_EQ(Setting("País"), "FR");
  EXPECT_EQ(Setting("Ciudad"), "Paris");
  EXPECT_EQ(form->ListRes->count(), 0);
  form->close();
  Options("MetodoDatos=Apixu\r\n");
  Open();
  EXPECT_TRUE(form->OptApixu->isChecked());
  Search("IT", "Roma");
  EXPECT_EQ(Setting("Ciudad"), "Roma");
  EXPECT_EQ(form->ListRes->count(), 0);
  EXPECT_TRUE(log.urls.isEmpty());
}

TEST_F(Maps, BuscarChecksCountryThenCity) {
  Open();
  Search("", "Madrid");
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_EQ(kit.messages[0].text,
            QStringLiteral("Debe poner el país en formato internacional (inglés) o con el código "
                           "internacional del país (con dos letras)"));
  EXPECT_EQ(kit.messages[0].title, "Error");
  EXPECT_EQ(kit.messages[0].style, platform::kExclamation);
  EXPECT_EQ(form->focusWidget(), form->TextPais);
  for (const char* us : {"USA", "US", "EE.UU"}) {
    Search(us, "Boston");
    EXPECT_EQ(kit.messages.back().text,
              "Debe poner el estado en su formato abreviado (por ejemplo California = CA)");
  }
  EXPECT_EQ(Setting("País"), "");
  EXPECT_EQ(Setting("Ciudad"), "");
  form->TextPais->setFocus();
  Search("usa", "");
  EXPECT_EQ(kit.messages.back().text, "Debe poner una ciudad");
  EXPECT_EQ(form->focusWidget(), form->TextCity);
  EXPECT_EQ(Setting("País"), "usa");
  EXPECT_EQ(kit.messages.size(), 5u);
  EXPECT_TRUE(log.urls.isEmpty());
}

TEST_F(Maps, OpenWeatherMapLookUpListsTheCityAndClosingStoresItsCode) {
  server.Set("/data/2.5/weather",
             LocalHttpServer::Answer(200, weathertest::OwmAnswer(), "text/xml"));
  Options("Lenguage=Spanish\r\noldcodecity=SPXX0050\r\n");
  Open();
  Search("ES", "Madrid");
  EXPECT_EQ(Listed(), "Madrid , ES");
  EXPECT_TRUE(form->ListRes->item(0)->isSelected());
  EXPECT_EQ(Values().cityCode, "1234567");
  ASSERT_EQ(log.urls.size(), 1);
  EXPECT_EQ(log.urls[0], server.Url("/data/2.5/weather?q=Madrid,ES&lang=es&units=metric&appid="
                                    "0f3a9c5e7b1d4f6a8c2e0b9d7f5a3c1e&mode=xml"));
  EXPECT_TRUE(form->CmdOK->isEnabled());
  form->CmdExit->click();
  EXPECT_EQ(Setting("codecity"), "1234567");
  EXPECT_EQ(Setting("oldcodecity"), "") << "the forecast link was the previous city's";
}

TEST_F(Maps, NamesThatWouldChangeTheRequestAreEncoded) {
  server.Set("/data/2.5/weather",
             LocalHttpServer::Answer(200, weathertest::OwmAnswer(), "text/xml"));
  Options("Sistema=Ingl\xE9s\r\n");
  Open();
  Search("E&S", "Santa Cruz & Co #1");
  ASSERT_EQ(log.urls.size(), 1);
  EXPECT_TRUE(log.urls[0].contains("?q=Santa%20Cruz%20%26%20Co%20%231,E%26S&lang=&units=imperial&"))
      << log.urls[0].toStdString();
  EXPECT_EQ(server.Requests("/data/2.5/weather"), 1);
  EXPECT_EQ(Listed(), "Madrid , ES");
}

TEST_F(Maps, YahooLookUpAndItsErrorAnswer) {
  server.Set("/v1/places.q(Madrid)",
             LocalHttpServer::Answer(200, weathertest::YahooPlaces(), "text/xml"));
  server.Set("/v1/places.q(Nowhere)",
             LocalHttpServer::Answer(200, weathertest::YahooError(), "text/xml"));
  Options("MetodoDatos=Yahoo\r\n");
  Open();
  EXPECT_TRUE(form->OptYahoo->isChecked());
  Search("ES", "Madrid");
  EXPECT_EQ(Listed(), "Madrid , Madrid , Spain");
  EXPECT_EQ(Values().cityCode, "766273");
  EXPECT_EQ(log.urls.back(),
            server.Url("/v1/places.q(Madrid)?appid=5d2b8f0a6c4e1d9b7a3f5c8e0b2d4f6a1c3e5b7d"));
  Search("ES", "Nowhere");
  EXPECT_EQ(form->ListRes->count(), 0);
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_EQ(kit.messages[0].title, QStringLiteral("Descripción Error!"));
  EXPECT_EQ(kit.messages[0].style, platform::kInformation);
  EXPECT_TRUE(kit.messages[0].text.endsWith(
      QStringLiteral("\r\nPosible solución: cambie el nombre del pueblo o ciudad.")));
  EXPECT_EQ(Values().cityCode, "766273");
}

TEST_F(Maps, AFailedLookUpKeepsTheStoredCode) {
  QByteArray swapped = weathertest::OwmAnswer();
  swapped.replace("<city id=\"1234567\" name=\"Madrid\">", "<city name=\"Madrid\" id=\"3117735\">");
  server.Set("/data/2.5/weather", LocalHttpServer::Answer(200, swapped, "text/xml"));
  Options("codecity=999\r\n");
  Open();
  Search("ES", "Madrid");
  EXPECT_EQ(form->ListRes->count(), 0);
  EXPECT_EQ(Values().cityCode, "999");
  // A service that is not there: the buffer stays empty.
  server.Set("/data/2.5/weather", LocalHttpServer::Answer(500, "<city id=\"1\" name=\"X\">"));
  Search("ES", "Madrid");
  EXPECT_EQ(form->TextSource->toPlainText(), "");
  EXPECT_TRUE(kit.messages.empty());
  form->close();
  EXPECT_EQ(Setting("codecity"), "999");
}

TEST_F(Maps, ClosingDuringTheLookUpEndsItsWait) {
  LocalHttpServer::Reply slow = LocalHttpServer::Answer(200, weathertest::OwmAnswer(), "text/xml");
  slow.delayMs = 5000;
  server.Set("/data/2.5/weather", slow);
  Open();
  bool disabledMeanwhile = false;
  QTimer::singleShot(200, [&] {
    disabledMeanwhile = !form->CmdOK->isEnabled();
    form->CmdOK_Click();  // a second press while one runs does nothing
    form->close();
  });
  QElapsedTimer t;
  t.start();
  Search("ES", "Madrid");
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_TRUE(disabledMeanwhile);
  EXPECT_EQ(log.urls.size(), 1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);
  EXPECT_EQ(Setting("codecity"), "");
}

}  // namespace
