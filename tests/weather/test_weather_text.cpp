// The cutting of values out of the services' answers.
#include <gtest/gtest.h>

#include "support/QtTestKit.h"
#include "support/WeatherAnswers.h"
#include "weather/WeatherText.h"

using namespace weather;
using namespace weathertest;

namespace {

QString U(const QByteArray& b) { return QString::fromUtf8(b); }

TEST(WeatherText, AnAnswerIsCutAtAnyLengthAndAMissingMarkerFailsTheStep) {
  // Far beyond 16-bit positions the answer is cut like any other.
  const auto c = ParseOpenWeatherMapCity(QString(40000, ' ') + U(OwmAnswer()), "name");
  EXPECT_EQ(c.value_or(CityAnswer()).line, "Madrid , ES");
  // No "city id=": the id is not guessed from a position next to nothing.
  QString swapped = U(OwmAnswer()).replace("id=\"1234567\" name=", "name=\"Madrid\" id=");
  EXPECT_FALSE(ParseOpenWeatherMapCity(swapped, "name"));
  for (const char* gone : {"name", ">", "country>", "city id="})
    EXPECT_FALSE(ParseOpenWeatherMapCity(U(OwmAnswer()).remove(gone), "name")) << gone;
  // The id's nine characters run past the end.
  EXPECT_FALSE(
      ParseOpenWeatherMapCity("<name=\"X\"><country>ES</country><city id=\"12\">", "name"));
  for (const char* gone : {"<woeid>", "</name>", "<admin2 type", "</country>", "country type"})
    EXPECT_FALSE(ParseYahooPlaces(U(YahooPlaces()).remove(gone), "<name>")) << gone;
  EXPECT_FALSE(ParseYahooPlaces(U(YahooError()).remove("<detail>"), "<name>"));
  // The nine characters after the id's marker: its digits, or nothing for blanks only.
  EXPECT_EQ(dejarsoloNumeros(" 1234567\"/"), QString("1234567"));
  EXPECT_FALSE(dejarsoloNumeros("         "));
  EXPECT_FALSE(OldCityCodeIn("forecast/ABCD1234.html"));
  EXPECT_FALSE(OldCityCodeIn("x_c.html then forecast/"));
  EXPECT_EQ(OldCityCodeIn("a/forecast/ABCD1234_c.html").value_or(""), "ABCD1234");
}

TEST(WeatherText, YahooFieldsMissingOrPastTheEndKeepTheirValues) {
  YahooFields f;
  f.temperature = f.humidity = f.date = "old";
  f = ParseYahooFeed(U(YahooFeed()).remove("temp=").remove("humidity=").remove("date="), "c", f);
  EXPECT_EQ(f.temperature + f.humidity + f.date, "oldoldold");
  EXPECT_EQ(f.city + f.windSpeed, "Madrid10");
  EXPECT_EQ(ParseYahooFeed("", "c").city, "");
  EXPECT_EQ(ParseYahooFeed(U(YahooFeed()), "f").city, "") << "taken for metric only";
  EXPECT_EQ(ParseYahooFeed("date=\"Tue", "c").date, "")
      << "a date running past the end is not taken";
}

TEST(WeatherText, TheWindIsConvertedAsANumberAndMissingFieldsKeepTheirValues) {
  const OwmFields f = ParseOpenWeatherMap(U(OwmAnswer("Madrid", "2.5")), "c", {},
                                          QLocale(QLocale::Spanish, QLocale::Spain));
  const QStringList got = {f.cityName, f.iconCode, f.conditionText, f.temperature, f.minimum,
                           f.maximum,  f.pressure, f.humidity,      f.windSpeed,   f.lastUpdate};
  EXPECT_EQ(got, QStringList({"Madrid", "01d", "cielo claro", "20,5 &deg;C", "18", "22,25",
                              "1013 hPa", "81 %", "9 k/h", "2024-01-02T03:04:05 UTC"}));
  // Values that binary fractions cannot hold show as the service wrote them.
  const OwmFields inexact =
      ParseOpenWeatherMap(U(OwmAnswer("Madrid", "3.7")).replace("20.5", "20.3"), "c", {},
                          QLocale(QLocale::Spanish, QLocale::Spain));
  EXPECT_EQ(inexact.temperature, "20,3 &deg;C");
  EXPECT_EQ(inexact.windSpeed, "13,32 k/h");
  EXPECT_EQ(weather::LocaleNumber(-0.1, QLocale(QLocale::English)), "-0.1");
  const OwmFields kept = ParseOpenWeatherMap("<current></current>", "c", f);
  EXPECT_EQ(kept.cityName + kept.windSpeed, f.cityName + f.windSpeed);
}

}  // namespace
