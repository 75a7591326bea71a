// The cutting of values out of the services' answers.
#include <gtest/gtest.h>

#include "support/QtTestKit.h"
#include "support/WeatherAnswers.h"
#include "weather/WeatherText.h"
#include "weather/WeatherValues.h"

using namespace weather;
using weathertest::OwmAnswer;
using weathertest::YahooError;
using weathertest::YahooFeed;
using weathertest::YahooPlaces;

namespace {

QString U(const QByteArray& b) { return QString::fromUtf8(b); }

TEST(WeatherText, TheCityAnswerGivesTheLineAndTheDigitsOfItsId) {
  auto c = ParseOpenWeatherMapCity(U(OwmAnswer()), "name");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->line, "Madrid , ES");
  EXPECT_EQ(dejarsoloNumeros(c->idText), "");
  EXPECT_EQ(Values().cityCode, "1234567");
  QString blanks = "   ", mixed = "  12a3\" 4 ";
  dejarsoloNumeros(blanks);
  EXPECT_EQ(Values().cityCode, "1234567") << "nothing left, no code";
  dejarsoloNumeros(mixed);
  EXPECT_EQ(mixed + "|" + Values().cityCode, "12a3\" 4|1234") << "the caller's text trimmed";
  // Far beyond 16-bit positions the answer is cut like any other.
  c = ParseOpenWeatherMapCity(QString(40000, ' ') + U(OwmAnswer()), "name");
  EXPECT_EQ(c.value_or(CityAnswer()).line, "Madrid , ES");
}

TEST(WeatherText, AMissingMarkerFailsTheLookUp) {
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
  EXPECT_FALSE(OldCityCodeIn("forecast/ABCD1234.html"));
  EXPECT_FALSE(OldCityCodeIn("x_c.html then forecast/"));
  EXPECT_EQ(OldCityCodeIn("a/forecast/ABCD1234_c.html").value_or(""), "ABCD1234");
}

TEST(WeatherText, AddressValuesAreEncodedAndPageTextsEscaped) {
  EXPECT_EQ(EncodeForAddress("Santa Cruz & Co #1"), "Santa%20Cruz%20%26%20Co%20%231");
  EXPECT_EQ(EncodeForAddress(QStringLiteral("Málaga")), "M%C3%A1laga");
  EXPECT_EQ(EncodeForAddress("zh_cn"), "zh_cn");
  EXPECT_EQ(HtmlEscape("<script>a&'b\"</script>"),
            "&lt;script&gt;a&amp;&#39;b&quot;&lt;/script&gt;");
}

TEST(WeatherText, YahooFeedFieldsAndCompass) {
  YahooFields f;
  EXPECT_TRUE(ParseYahooFeed(U(YahooFeed()), "c", f));
  const QStringList got = {
      f.title,     f.city,     f.conditionCode, f.conditionText, f.temperature, f.temperatureUnit,
      f.windChill, f.humidity, f.speedUnit,     f.windSpeed,     f.compass,     f.date};
  EXPECT_EQ(got,
            QStringList({"Yahoo! Weather - Madrid, SP", "Madrid", "28", "Mostly Cloudy", "14", "C",
                         "12", "93%", "km/h", "10", "NE", "Tue, 02 Jan 2024 10:00 am CET"}));
  // Out of range keeps the earlier compass; a still wind is calm whatever its direction.
  for (const QString row : {"360 10 N", "90 10 E", "400 10 E", "200 0 en calma"}) {
    ParseYahooFeed(U(YahooFeed(row.section(' ', 0, 0).toUtf8(), row.section(' ', 1, 1).toUtf8())),
                   "c", f);
    EXPECT_EQ(f.compass, row.section(' ', 2)) << row.toStdString();
  }
  ParseYahooFeed(U(YahooFeed("45", "10", "5")), "c", f);
  EXPECT_EQ(f.conditionCode, "5") << "the quote after one digit goes";

  YahooFields g;
  EXPECT_FALSE(ParseYahooFeed(U(YahooFeed()), "f", g));
  EXPECT_EQ(g.city, "") << "imperial: the city is not taken";

  // Missing markers keep each field's earlier value.
  f.temperature = f.humidity = f.date = "old";
  ParseYahooFeed(U(YahooFeed()).remove("temp=").remove("humidity=").remove("date="), "c", f);
  EXPECT_EQ(f.temperature + f.humidity + f.date, "oldoldold");
  YahooFields empty;
  EXPECT_FALSE(ParseYahooFeed("", "c", empty));
  ParseYahooFeed("date=\"Tue", "c", empty);
  EXPECT_EQ(empty.date, "") << "a date running past the end is not taken";
}

TEST(WeatherText, CurrentWeatherFieldsAndTheWindAsANumber) {
  OwmFields f;
  ParseOpenWeatherMap(U(OwmAnswer()), "c", f, QLocale(QLocale::Spanish, QLocale::Spain));
  const QStringList got = {f.cityName, f.iconCode, f.conditionText, f.temperature, f.minimum,
                           f.maximum,  f.pressure, f.humidity,      f.windSpeed,   f.lastUpdate};
  EXPECT_EQ(got, QStringList({"Madrid", "01d", "cielo claro", "20,5 &deg;C", "18", "22,25",
                              "1013 hPa", "81 %", "18 k/h", "2024-01-02T03:04:05 UTC"}));
  ParseOpenWeatherMap(U(OwmAnswer("Madrid", "2.5")), "c", f, QLocale::c());
  EXPECT_EQ(f.windSpeed, "9 k/h");

  OwmFields kept = f;
  ParseOpenWeatherMap("<current></current>", "c", kept);
  EXPECT_EQ(kept.cityName + kept.windSpeed, f.cityName + f.windSpeed);
}

TEST(WeatherText, TheRicePageHeadAndEscapedYahooTexts) {
  YahooFields y;
  ParseYahooFeed(U(YahooFeed("45", "10", "28", "<script>x()</script>")), "c", y);
  const QString body = YahooBody(y, "c", "http://f/today/SPXX0050", "http://i/28.gif");
  EXPECT_NE(PageHead(true).indexOf("url(Rice_Field.jpg)"), -1);
  EXPECT_EQ(body.indexOf("<script>"), -1);
  EXPECT_NE(body.indexOf("<img src=http://i/28.gif align='left'>&lt;script&gt;x()"), -1);
  EXPECT_NE(body.indexOf(QStringLiteral("Temperatura: 14 ºC<br>Viento: NE 10 km/h<br>")), -1);
  EXPECT_NE(YahooBody(y, "f", "", "").indexOf("Temperature: 14"), -1);
}

}  // namespace
