// The values cut out of the services' answers, the answers every source refuses, the map
// service's pictures of every region, and every weather code's text and picture.
#include <gtest/gtest.h>

#include <QUrlQuery>

#include "support/WeatherAnswers.h"
#include "support/WebTestKit.h"
#include "weather/OpenMeteo.h"
#include "weather/SatelliteWms.h"
#include "weather/WeatherTables.h"
#include "weather/WeatherText.h"
#include "weather/WmoCodes.h"
#include "weather/sources/Source.h"

using namespace weather;
using namespace weathertest;

namespace {

QString U(const QByteArray& b) { return QString::fromUtf8(b); }

TEST(WeatherText, AnAnswerIsCutAtAnyLengthAndAMissingMarkerFailsTheStep) {
  // Far beyond 16-bit positions the answer is cut like any other.
  const auto c = ParseOpenWeatherMapCity(QString(40000, ' ') + U(OwmAnswer()), "name");
  EXPECT_EQ(c.value_or(CityAnswer()).line, "Madrid , ES");
  for (const char* gone : {"name", ">", "country>", "city id="})
    EXPECT_FALSE(ParseOpenWeatherMapCity(U(OwmAnswer()).remove(gone), "name")) << gone;
  // The id's nine characters run past the end.
  EXPECT_FALSE(
      ParseOpenWeatherMapCity("<name=\"X\"><country>ES</country><city id=\"12\">", "name"));
  for (const char* gone : {"<woeid>", "</name>", "<admin2 type", "</country>", "country type"})
    EXPECT_FALSE(ParseYahooPlaces(U(YahooPlaces()).remove(gone), "<name>")) << gone;
  EXPECT_FALSE(ParseYahooPlaces(U(YahooError()).remove("<detail>"), "<name>"));
  // The nine characters after the id's marker, blanks only: no code (digits: test_weather_windows).
  EXPECT_FALSE(dejarsoloNumeros("         "));
  EXPECT_FALSE(OldCityCodeIn("forecast/ABCD1234.html"));
  EXPECT_FALSE(OldCityCodeIn("x_c.html then forecast/"));
}

TEST(WeatherText, FieldsConvertAsNumbersAndMissingOrCutOnesKeepTheirValues) {
  const QLocale spanish(QLocale::Spanish, QLocale::Spain);
  const OwmFields f = ParseOpenWeatherMap(U(OwmAnswer("Madrid", "2.5")), "c", {}, spanish);
  const QStringList got = {f.cityName, f.iconCode, f.conditionText, f.temperature, f.minimum,
                           f.maximum,  f.pressure, f.humidity,      f.windSpeed,   f.lastUpdate};
  EXPECT_EQ(got, QStringList({"Madrid", "01d", "cielo claro", "20,5 &deg;C", "18", "22,25",
                              "1013 hPa", "81 %", "9 k/h", "2024-01-02T03:04:05 UTC"}));
  // Values that binary fractions cannot hold show as the service wrote them.
  const OwmFields inexact =
      ParseOpenWeatherMap(U(OwmAnswer("Madrid", "3.7")).replace("20.5", "20.3"), "c", {}, spanish);
  EXPECT_EQ(inexact.temperature + inexact.windSpeed, "20,3 &deg;C13,32 k/h");
  EXPECT_EQ(weather::LocaleNumber(-0.1, QLocale(QLocale::English)), "-0.1");
  const OwmFields kept = ParseOpenWeatherMap("<current></current>", "c", f);
  EXPECT_EQ(kept.cityName + kept.windSpeed, f.cityName + f.windSpeed);

  YahooFields y;
  y.temperature = y.humidity = y.date = "old";
  y = ParseYahooFeed(U(YahooFeed()).remove("temp=").remove("humidity=").remove("date="), "c", y);
  EXPECT_EQ(y.temperature + y.humidity + y.date, "oldoldold");
  EXPECT_EQ(y.city + y.windSpeed, "Madrid10");
  EXPECT_EQ(ParseYahooFeed("", "c").city, "");
  EXPECT_EQ(ParseYahooFeed(U(YahooFeed()), "f").city, "") << "taken for metric only";
  EXPECT_EQ(ParseYahooFeed("date=\"Tue", "c").date, "") << "a date past the end is not taken";
}

// A value out of its range, a field the page needs missing, a code no weather has: a broken
// answer, of which no page is built.
TEST(WeatherText, EverySourceRefusesABrokenAnswer) {
  testsupport::WebTestKit kit;  // the settings the pages' links come from
  const Source& owm = OpenWeatherMapSource();
  const Source& meteo = OpenMeteoSource();
  std::vector<std::pair<const Source*, QByteArray>> broken = {
      {&meteo, "<html><body>502 Bad Gateway</body></html>"}};
  // Humidity, pressure, temperature (in kelvin) and wind.
  const char* owmOutside[][2] = {
      {"\"81", "\"1028"}, {"\"1013", "\"101300"}, {"\"20.5", "\"293.6"}, {"\"5\"", "\"-4\""}};
  for (const auto& [good, bad] : owmOutside)
    broken.emplace_back(&owm, OwmAnswer().replace(good, bad));
  // The code, humidity, pressure, wind, temperature, maximum, minimum, direction, hour, month.
  const char* meteoOutside[][2] = {
      {":61,", ":123,"},    {":61,", ":1e300,"},    {":61,", ":-2,"},    {":72,", ":1028,"},
      {":72,", ":-3,"},     {":1016.3", ":101630"}, {":12.6", ":1260"},  {":12.6", ":-1"},
      {":16.4", ":289.5"},  {"[18.9]", "[8.9]"},    {"[9.7]", "[-273]"}, {":225", ":725"},
      {"T19:00", "T25:00"}, {"-12-07T", "-13-07T"}};
  for (const auto& [good, bad] : meteoOutside)
    broken.emplace_back(&meteo, MeteoForecast().replace(good, bad));
  for (const char* field :
       {"temperature_2m", "relative_humidity_2m", "weather_code", "pressure_msl", "wind_speed_10m",
        "wind_direction_10m", "temperature_2m_max", "temperature_2m_min", "time"})
    broken.emplace_back(&meteo, MeteoForecast(false, field));
  WeatherRequest request;
  request.unitCode = "c";
  EXPECT_TRUE(owm.PanelBody(OwmAnswer(), request) && meteo.PanelBody(MeteoForecast(), request));
  for (const auto& [source, answer] : broken)
    EXPECT_FALSE(source->PanelBody(answer, request)) << answer.toStdString();
}

// Places with an id beyond any integer or off the globe are not offered.
TEST(WeatherText, PlacesWithoutAUsableIdOrPositionAreLeftOut) {
  const auto places = ParseOpenMeteoPlaces(MeteoPlaces().replace("\"id\":2514256", "\"id\":1e300"));
  ASSERT_TRUE(places && places->size() == 2);
  EXPECT_EQ(places->at(0).id, "3675443");
  const auto onGlobe = ParseOpenMeteoPlaces(MeteoManyPlaces(3));
  ASSERT_TRUE(onGlobe && onGlobe->size() == 2);
  EXPECT_EQ(onGlobe->at(0).latitude, "40.2");
  EXPECT_TRUE(ParseOpenMeteoPlaces(MeteoManyPlaces(2).replace("-3.5", "-180.5")).value().isEmpty());
}

TEST(SatelliteWms, EveryRegionHasABoxOfThePicturesProportionsAroundIt) {
  // A place each region must show: latitude, longitude.
  const std::map<QString, std::pair<double, double>> inside = {
      {"europ", {48.9, 2.3}},   {"conus", {39.1, -94.6}}, {"chjap", {35.7, 139.7}},
      {"world", {-33.9, 18.4}}, {"rusia", {55.8, 37.6}},  {"nzeal", {-41.3, 174.8}},
      {"uking", {51.5, -0.1}},  {"samer", {-34.6, -58.4}}};
  for (const QString& name : RegionNames()) {
    const QString code = RegionImageCode(name);
    for (const auto& [w, h] : {std::pair{855, 520}, std::pair{720, 480}}) {
      SCOPED_TRACE(name.toStdString() + " " + std::to_string(w));
      const auto box = RegionBox(code, w, h);
      ASSERT_TRUE(box && RegionLayer(code));
      EXPECT_NEAR((box->east - box->west) / (box->north - box->south), double(w) / h, 1e-9);
      EXPECT_TRUE(box->south >= -90 && box->north <= 90 && box->west >= -180 && box->east <= 180);
      if (auto it = inside.find(code); it != inside.end()) {
        const auto [lat, lon] = it->second;
        EXPECT_TRUE(lat > box->south && lat < box->north && lon > box->west && lon < box->east);
      }
    }
  }
  EXPECT_FALSE(RegionBox("xxxxx", 855, 520));
}

// The rest of the GetMap: test_e2e_weather.
TEST(SatelliteWms, TheGetMapAsksLatitudeFirstForYesterdaysMosaicOrTheLatestInfrared) {
  const QDate today(2026, 12, 7);
  const QUrlQuery europe(QUrl(WmsGetMapAddress("http://h/wms", "europ", 855, 520, today)));
  const auto box = RegionBox("europ", 855, 520);
  const QStringList bbox = europe.queryItemValue("BBOX").split(',');
  ASSERT_EQ(bbox.size(), 4);
  EXPECT_NEAR(bbox[0].toDouble(), box->south, 1e-4);
  EXPECT_NEAR(bbox[1].toDouble(), box->west, 1e-4);
  EXPECT_EQ(europe.queryItemValue("TIME"), "2026-12-06");
  const QUrlQuery conus(QUrl(WmsGetMapAddress("http://h/wms?map=x", "conus", 720, 480, today)));
  EXPECT_EQ(conus.queryItemValue("map"), "x");
  EXPECT_FALSE(conus.hasQueryItem("TIME"));
}

TEST(WmoCodes, EveryCodeReadsInBothLanguagesWithAPictureThatShips) {
  const QString assets = QString::fromLocal8Bit(std::getenv("WW_SOURCE_DIR")) + "/assets/";
  for (int code = 0; code <= 99; ++code)
    for (bool english : {false, true}) {
      const auto c = WmoConditionOf(code, english);
      ASSERT_TRUE(c && !c->text.isEmpty()) << code;
      EXPECT_TRUE(std::filesystem::exists((assets + WmoIconFile(c->group)).toStdString())) << code;
    }
  EXPECT_FALSE(WmoConditionOf(-1, false) || WmoConditionOf(100, true));
}

}  // namespace
