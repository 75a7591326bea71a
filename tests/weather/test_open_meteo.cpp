// The key-free weather source in the settings window and the data panel,
// against a server on 127.0.0.1 answering in the service's shape.
#include <QFileInfo>
#include <QUrl>

#include "WeatherForms.h"
#include "support/OpenMeteoAnswers.h"

namespace weathertest {
namespace {

struct OpenMeteo : WeatherForms {
  QPointer<FrmMaps> maps;
  QPointer<FrmDataWeather> panel;
  QString Page() const {
    return QString::fromStdString(testsupport::ReadFile(kit.folder / "weather.htm"));
  }
  bool PageExists() const {
    return QFileInfo::exists(QString::fromStdString((kit.folder / "weather.htm").string()));
  }
  void Search(const QString& country, const QString& city) {
    maps->TextPais->setText(country);
    maps->TextCity->setText(city);
    maps->CmdOK_Click();
    testsupport::SpinUntil([&] { return maps->CmdOK->isEnabled(); }, 10000);
  }
  QStringList Listed() const {
    QStringList lines;
    for (int i = 0; i < maps->ListRes->count(); ++i) lines << maps->ListRes->item(i)->text();
    return lines;
  }
  static std::string Place() {
    std::string all;
    for (const char* key : {"Ciudad", "País", "codecity", "Latitud", "Longitud"})
      all += Setting(key) + "|";
    return all;
  }
  static constexpr const char* kMalaga =
      "Latitud=36.72016\r\nLongitud=-4.42034\r\nCiudad=M\xE1laga\r\nPa\xEDs=ES\r\n";
  static QString Forecast(const char* units = "") {
    return QStringLiteral(
               "/v1/forecast?latitude=36.72016&longitude=-4.42034&current=temperature_2m,"
               "relative_humidity_2m,weather_code,pressure_msl,wind_speed_10m,wind_direction_10m"
               "&daily=temperature_2m_max,temperature_2m_min&forecast_days=1&timezone=auto") +
           units;
  }
};

TEST_F(OpenMeteo, IsTheNewFilesSourceAndItsLookUpStoresThePlaceChosen) {
  Serve("/geo/v1/search", MeteoPlaces());
  maps = FrmMaps::Open(nullptr);
  EXPECT_TRUE(maps->OptOpenMeteo->isChecked());
  EXPECT_EQ(Setting("MetodoDatos"), "OpenMeteo");
  Search("es", QStringLiteral("Málaga"));
  EXPECT_EQ(server.targets.back(),
            "/geo/v1/search?name=M%C3%A1laga&count=10&language=es&format=json");
  EXPECT_EQ(Listed(), QStringList({QStringLiteral("Málaga, Andalucía, España"),
                                   QStringLiteral("Málaga, Santander, Colombia"),
                                   QStringLiteral("Malaga, Estados Unidos")}));
  EXPECT_EQ(maps->ListRes->currentRow(), 0);
  EXPECT_EQ(Place(), "Málaga|ES|2514256|36.72016|-4.42034|");
  // The user's choice replaces it at once.
  maps->ListRes->setCurrentRow(1);
  EXPECT_EQ(Place(), "Málaga|CO|3675443|6.69903|-72.73233|");
  // The typed country, by code or by name, picks its place first.
  Search("estados unidos", QStringLiteral("Málaga"));
  EXPECT_EQ(maps->ListRes->currentRow(), 2);
  EXPECT_EQ(Place(), "Malaga|US|5100776|39.57261|-75.05879|");

  // Nothing found, no place with an id, one place off the globe, an answer that is not the
  // service's: nothing listed, the place kept whole; the service's "nothing" is told, with
  // the city to correct.
  for (const QByteArray& answer :
       {MeteoNoPlaces(), QByteArray("<html>502 Bad Gateway</html>"),
        QByteArray(R"({"results":[{"name":"Sin id"}]})"), MeteoManyPlaces(1)}) {
    kit.messages.clear();
    Serve("/geo/v1/search", answer);
    Search("FR", "Nowhere");
    EXPECT_EQ(maps->ListRes->count(), 0) << answer.toStdString();
    EXPECT_EQ(Place(), "Malaga|US|5100776|39.57261|-75.05879|") << answer.toStdString();
    const bool none = answer.startsWith('{');  // the service's answer, no usable place in it
    ASSERT_EQ(kit.messages.size(), none ? 1u : 0u) << answer.toStdString();
    if (none) {
      EXPECT_EQ(kit.messages[0].text, "No se encontró ninguna ciudad con ese nombre.");
      EXPECT_EQ(maps->focusWidget(), maps->TextCity);
    }
  }
  maps->close();
  EXPECT_EQ(Place(), "Malaga|US|5100776|39.57261|-75.05879|");

  // Places off the globe are not offered; five show without scrolling.
  Serve("/geo/v1/search", MeteoManyPlaces(8));
  maps = FrmMaps::Open(nullptr);
  Search("ES", "Lugar");
  ASSERT_EQ(maps->ListRes->count(), 7);
  EXPECT_EQ(Listed().first(), "Lugar 2, Madrid, España");
  EXPECT_EQ(Place(), "Lugar 2|ES|1002|40.2|-3.5|");
  const QRect view = maps->ListRes->viewport()->rect();
  for (int row = 0; row < 5; ++row)
    EXPECT_TRUE(view.contains(maps->ListRes->visualItemRect(maps->ListRes->item(row))))
        << "row " << row << " of a list " << view.height() << " high";
  maps->close();

  // English texts ask for English names; a stored source stays as it is.
  Options("Lenguage=English\r\nMetodoDatos=OpenWeatherMap\r\n");
  maps = FrmMaps::Open(nullptr);
  EXPECT_TRUE(maps->OptOpenWeatherMap->isChecked());
  maps->OptOpenMeteo->setChecked(true);
  Serve("/geo/v1/search", MeteoPlaces());
  Search("ES", "Malaga");
  EXPECT_TRUE(server.targets.back().endsWith("&language=en&format=json"));
  EXPECT_EQ(Setting("MetodoDatos"), "OpenMeteo");
}

TEST_F(OpenMeteo, ThePanelShowsTheWeatherInEachUnitSystemWithAPictureOfItsOwn) {
  settings::SetShippedFolder(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets");
  Serve("/v1/forecast", MeteoForecast());
  Options(std::string(kMalaga) + "Sistema=M\xE9trico\r\n");
  panel = FrmDataWeather::Open(nullptr);
  Settle(panel);
  ASSERT_TRUE(panel && panel->isVisible());
  EXPECT_EQ(server.targets, QStringList(Forecast()));
  const QString metric = Page();
  for (const QString& shown :
       {QStringLiteral("Málaga</a> (ES)"), QStringLiteral("Lluvia débil"),
        QStringLiteral("Presión: 1016.3 hPa"), QStringLiteral("Temp: 16.4 &deg;C"),
        QStringLiteral("(Min. 9.7&nbsp;&nbsp;-&nbsp;&nbsp;Max. 18.9)"),
        QStringLiteral("Humedad: 72 % - Viento: SW 12.6 k/h<br>"),
        QStringLiteral("Última act.: 07/12/2026 19:00</div>"),
        QStringLiteral("/Rice_Field.jpg\")")})
    EXPECT_TRUE(metric.contains(shown)) << shown.toStdString() << "\n" << metric.toStdString();
  // The picture is a file that ships with the program: nothing remote.
  const qsizetype src = metric.indexOf("<img src=") + 9;
  const QUrl picture(metric.mid(src, metric.indexOf('>', src) - src));
  EXPECT_TRUE(picture.isLocalFile() && picture.toLocalFile().endsWith("/tiempo_lluvia.png"));
  EXPECT_TRUE(QFileInfo::exists(picture.toLocalFile())) << picture.toString().toStdString();
  EXPECT_FALSE(metric.contains("src=http") || metric.contains("url(http"));
  panel->close();

  Serve("/v1/forecast", MeteoForecast(true, "", "0"));
  Options(std::string(kMalaga) + "Sistema=Ingl\xE9s\r\nLenguage=English\r\n");
  panel = FrmDataWeather::Open(nullptr);
  Settle(panel);
  ASSERT_TRUE(panel && panel->isVisible());
  EXPECT_EQ(server.targets.back(), Forecast("&temperature_unit=fahrenheit&wind_speed_unit=mph"));
  for (const QString& shown :
       {QStringLiteral("Clear sky"), QStringLiteral("Temp: 61.5 &deg;F"),
        QStringLiteral("(Min. 49.5&nbsp;&nbsp;-&nbsp;&nbsp;Max. 66)"),
        QStringLiteral("Viento: SW 7.8 mph<br>"), QStringLiteral("tiempo_despejado.png")})
    EXPECT_TRUE(Page().contains(shown)) << shown.toStdString() << "\n" << Page().toStdString();
  EXPECT_TRUE(kit.messages.empty());
  settings::SetShippedFolder({});
}

TEST_F(OpenMeteo, ABadAnswerIsReportedAndLeavesNoPageOfAnEarlierOne) {
  Options(kMalaga);
  std::vector<std::pair<QByteArray, const char*>> answers = {
      {"<html><body>502 Bad Gateway</body></html>", "not JSON"},
      {MeteoForecast(false, "", "123"), "a code outside the table"}};
  for (const char* field :
       {"temperature_2m", "relative_humidity_2m", "weather_code", "pressure_msl", "wind_speed_10m",
        "wind_direction_10m", "temperature_2m_max", "temperature_2m_min", "time"})
    answers.emplace_back(MeteoForecast(false, field), field);
  // Values no weather reaches are a broken answer too.
  const char* outside[][3] = {
      {"relative_humidity_2m\":72", "relative_humidity_2m\":1028", "1028 %"},
      {"relative_humidity_2m\":72", "relative_humidity_2m\":-3", "-3 %"},
      {"pressure_msl\":1016.3", "pressure_msl\":101630", "pressure in Pa"},
      {"wind_speed_10m\":12.6", "wind_speed_10m\":1260", "1260 km/h"},
      {"wind_speed_10m\":12.6", "wind_speed_10m\":-1", "wind -1"},
      {"temperature_2m\":16.4", "temperature_2m\":289.5", "kelvin"},
      {"_max\":[18.9]", "_max\":[8.9]", "maximum under minimum"},
      {"_min\":[9.7]", "_min\":[-273]", "minimum -273"},
      {"direction_10m\":225", "direction_10m\":725", "direction 725"},
      {"T19:00", "T25:00", "hour 25"},
      {"2026-12-07T", "2026-13-07T", "month 13"}};
  for (const auto& [good, bad, what] : outside)
    answers.emplace_back(MeteoForecast().replace(good, bad), what);
  for (const auto& [answer, what] : answers) {
    // A good page first, so that there is one to go stale.
    Serve("/v1/forecast", MeteoForecast());
    panel = FrmDataWeather::Open(nullptr);
    Settle(panel);
    ASSERT_TRUE(panel && PageExists());
    panel->close();
    kit.messages.clear();
    Serve("/v1/forecast", answer);
    panel = FrmDataWeather::Open(nullptr);
    Settle(panel);
    EXPECT_FALSE(panel && panel->isVisible()) << what;
    EXPECT_FALSE(PageExists()) << what;
    ASSERT_EQ(kit.messages.size(), 1u) << what;
    EXPECT_TRUE(kit.messages[0].text.startsWith("Ha habido algún error")) << what;
  }
  // No answer at all: the download's own message, once.
  kit.messages.clear();
  SetWaitTimeoutMs(300);
  Serve("/v1/forecast", MeteoForecast(), 3000);
  panel = FrmDataWeather::Open(nullptr);
  Settle(panel);
  EXPECT_FALSE(panel && panel->isVisible());
  EXPECT_EQ(kit.messages.size(), 1u);
  EXPECT_FALSE(PageExists());

  // No place chosen yet, or one off the globe an earlier look-up stored: the user is told
  // where to choose one, nothing is asked.
  const int asked = server.targets.size();
  for (const char* place : {"Ciudad=M\xE1laga\r\n", "Latitud=1000\r\nLongitud=-4.42\r\n",
                            "Latitud=36.7\r\nLongitud=-181\r\n"}) {
    kit.messages.clear();
    Options(place);
    panel = FrmDataWeather::Open(nullptr);
    Settle(panel);
    EXPECT_FALSE(panel && panel->isVisible()) << place;
    ASSERT_EQ(kit.messages.size(), 1u) << place;
    EXPECT_TRUE(kit.messages[0].text.contains("Buscar")) << place;
  }
  EXPECT_EQ(server.targets.size(), asked);
}

}  // namespace
}  // namespace weathertest
