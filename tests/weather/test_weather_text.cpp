// The weather tables and the cutting of values out of the services' answers.
#include <gtest/gtest.h>

#include "support/WeatherAnswers.h"
#include "weather/WeatherTables.h"
#include "weather/WeatherText.h"
#include "weather/WeatherValues.h"

using namespace weather;
using weathertest::OwmAnswer;
using weathertest::YahooFeed;

namespace {

QString U(const QByteArray& b) { return QString::fromUtf8(b); }

TEST(WeatherTables, RegionsAndLanguagesInListOrder) {
  ASSERT_EQ(RegionNames().size(), 46);
  EXPECT_EQ(RegionNames()[13], "Escandinavia");
  EXPECT_EQ(RegionNames()[14], "Europa");
  EXPECT_EQ(RegionNames()[10], "Canada Occidental ");
  EXPECT_EQ(RegionNames()[36], "US Continental ");
  EXPECT_EQ(RegionNames()[45], "US Suroeste");
  EXPECT_EQ(RegionImageCode("Europa"), "europ");
  EXPECT_EQ(RegionImageCode(QStringLiteral("Japón")), "chjap");
  EXPECT_EQ(RegionImageCode(QStringLiteral("US Pacífico")), "wcusa");
  // The settings reader drops the trailing blank; the row is still found.
  EXPECT_EQ(RegionImageCode("Canada Occidental"), "wcana");
  EXPECT_EQ(RegionImageCode("US Continental "), "conus");
  EXPECT_EQ(RegionImageCode("US Continental"), "conus");
  EXPECT_EQ(RegionIndex("europa"), -1) << "case counts";
  EXPECT_EQ(RegionImageCode("Atlantis"), "");

  ASSERT_EQ(LanguageNames().size(), 33);
  EXPECT_EQ(LanguageNames()[27], "Spanish");
  EXPECT_EQ(LanguageNames()[7], "Persian (Farsi)");
  EXPECT_EQ(LanguageCodeOf("Czech"), "cz");
  EXPECT_EQ(LanguageCodeOf("Ukrainian"), "ua");
  EXPECT_EQ(LanguageCodeOf("Chinese_Traditional"), "zh_tw");
}

TEST(WeatherTables, LangToCodeKeepsTheCodeForANameInNoRow) {
  Values().languageCode = "xx";
  LangToCode("Swedish");
  EXPECT_EQ(Values().languageCode, "se");
  LangToCode("swedish");
  LangToCode("Swedish ");
  LangToCode("");
  EXPECT_EQ(Values().languageCode, "se");
}

TEST(WeatherText, PlacesAnswerGivesOneLineAndThePlaceId) {
  auto a = ParseYahooPlaces(U(weathertest::YahooPlaces()), "<name>");
  ASSERT_TRUE(a);
  EXPECT_FALSE(a->isError);
  EXPECT_EQ(a->line, "Madrid , Madrid , Spain");
  EXPECT_EQ(a->cityCode, "766273");

  auto e = ParseYahooPlaces(U(weathertest::YahooError()), "<name>");
  ASSERT_TRUE(e);
  EXPECT_TRUE(e->isError);
  EXPECT_EQ(e->message, QStringLiteral("Please provide valid credentials.\r\nOAuth "
                                       "oauth_problem=\"OST_OAUTH_PARAMETER_ABSENT_ERROR\"\r\n"
                                       "Posible solución: cambie el nombre del pueblo o ciudad."));
}

TEST(WeatherText, CurrentWeatherAnswerGivesTheCityLineAndItsId) {
  auto a = ParseOpenWeatherMapCity(U(OwmAnswer()), "name");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->line, "Madrid , ES");
  QString id = a->idText;
  Values().cityCode = "old";
  EXPECT_EQ(dejarsoloNumeros(id), "");
  EXPECT_EQ(Values().cityCode, "1234567");
  // An answer far beyond 16-bit positions is cut like any other.
  const QString big = QString(40000, ' ') + U(OwmAnswer());
  ASSERT_TRUE(ParseOpenWeatherMapCity(big, "name"));
}

TEST(WeatherText, DejarsoloNumerosTrimsTheCallersTextAndKeepsDigits) {
  Values().cityCode = "keep";
  QString blanks = "   ";
  dejarsoloNumeros(blanks);
  EXPECT_EQ(blanks, "");
  EXPECT_EQ(Values().cityCode, "keep");
  QString mixed = "  12a3\" 4 ";
  dejarsoloNumeros(mixed);
  EXPECT_EQ(mixed, "12a3\" 4");
  EXPECT_EQ(Values().cityCode, "1234");
  QString none = "abc";
  dejarsoloNumeros(none);
  EXPECT_EQ(Values().cityCode, "");
}

TEST(WeatherText, AMissingMarkerFailsTheLookUp) {
  // No "city id=": the id is not guessed from a position next to nothing.
  const QString swapped = U(OwmAnswer())
                              .replace("<city id=\"1234567\" name=\"Madrid\">",
                                       "<city name=\"Madrid\" id=\"3117735\">");
  EXPECT_FALSE(ParseOpenWeatherMapCity(swapped, "name"));
  for (const char* gone : {"name", ">", "country>", "city id="})
    EXPECT_FALSE(ParseOpenWeatherMapCity(U(OwmAnswer()).remove(gone), "name")) << gone;
  // The id's nine characters must be there.
  EXPECT_FALSE(
      ParseOpenWeatherMapCity("<name=\"X\"><country>ES</country><city id=\"12\">", "name"));
  for (const char* gone : {"<woeid>", "</name>", "<admin2 type", "</country>", "country type"})
    EXPECT_FALSE(ParseYahooPlaces(U(weathertest::YahooPlaces()).remove(gone), "<name>")) << gone;
  EXPECT_FALSE(ParseYahooPlaces(U(weathertest::YahooError()).remove("<detail>"), "<name>"));
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
  EXPECT_EQ(WithScheme("https://owm.example", "http"), "http://owm.example");
  EXPECT_EQ(WithScheme("owm.example:8080", "https"), "https://owm.example:8080");
}

TEST(WeatherText, YahooFeedFieldsAndCompass) {
  YahooFields f;
  EXPECT_TRUE(ParseYahooFeed(U(YahooFeed()), "c", f));
  EXPECT_EQ(f.title, "Yahoo! Weather - Madrid, SP");
  EXPECT_EQ(f.city, "Madrid");
  EXPECT_EQ(f.conditionCode, "28");
  EXPECT_EQ(f.conditionText, "Mostly Cloudy");
  EXPECT_EQ(f.temperature, "14");
  EXPECT_EQ(f.temperatureUnit, "C");
  EXPECT_EQ(f.windChill, "12");
  EXPECT_EQ(f.humidity, "93%");
  EXPECT_EQ(f.speedUnit, "km/h");
  EXPECT_EQ(f.windSpeed, "10");
  EXPECT_EQ(f.compass, "NE");
  EXPECT_EQ(f.date, "Tue, 02 Jan 2024 10:00 am CET");

  ParseYahooFeed(U(YahooFeed("360")), "c", f);
  EXPECT_EQ(f.compass, "N") << "a full turn is north";
  ParseYahooFeed(U(YahooFeed("90")), "c", f);
  EXPECT_EQ(f.compass, "E");
  ParseYahooFeed(U(YahooFeed("400")), "c", f);
  EXPECT_EQ(f.compass, "E") << "out of range keeps the text";
  ParseYahooFeed(U(YahooFeed("200", "0")), "c", f);
  EXPECT_EQ(f.compass, "en calma");
  ParseYahooFeed(U(YahooFeed("45", "10", "5")), "c", f);
  EXPECT_EQ(f.conditionCode, "5") << "the quote after one digit goes";

  // Imperial: the city is not taken.
  YahooFields g;
  EXPECT_FALSE(ParseYahooFeed(U(YahooFeed()).replace("Madrid\" region", "Boone\" region"), "f", g));
  EXPECT_EQ(g.city, "");

  // Missing markers keep each field's earlier value.
  QString broken = U(YahooFeed());
  broken.remove("temp=").remove("humidity=").remove("date=");
  f.temperature = "t0";
  f.humidity = "h0";
  f.date = "d0";
  ParseYahooFeed(broken, "c", f);
  EXPECT_EQ(f.temperature, "t0");
  EXPECT_EQ(f.humidity, "h0");
  EXPECT_EQ(f.date, "d0");
  YahooFields empty;
  EXPECT_FALSE(ParseYahooFeed("", "c", empty));
  EXPECT_EQ(empty.title, "");
  // The date runs past the end of the text: not taken.
  ParseYahooFeed("date=\"Tue", "c", empty);
  EXPECT_EQ(empty.date, "");
}

TEST(WeatherText, CurrentWeatherFieldsInTheUsersLocale) {
  OwmFields f;
  const QLocale es(QLocale::Spanish, QLocale::Spain);
  ParseOpenWeatherMap(U(OwmAnswer()), "c", f, es);
  EXPECT_EQ(f.cityName, "Madrid");
  EXPECT_EQ(f.iconCode, "01d");
  EXPECT_EQ(f.conditionText, "cielo claro");
  EXPECT_EQ(f.temperature, "20,5 &deg;C");
  EXPECT_EQ(f.minimum, "18");
  EXPECT_EQ(f.maximum, "22,25");
  EXPECT_EQ(f.pressure, "1013 hPa");
  EXPECT_EQ(f.humidity, "81 %");
  EXPECT_EQ(f.windSpeed, "18 k/h");
  EXPECT_EQ(f.lastUpdate, "2024-01-02T03:04:05 UTC");

  ParseOpenWeatherMap(U(OwmAnswer("Madrid", "3")), "f", f, QLocale::c());
  EXPECT_EQ(f.temperature, "20.5 &deg;F");
  EXPECT_EQ(f.windSpeed, "3 mph");

  OwmFields kept = f;
  ParseOpenWeatherMap("<current></current>", "c", kept);
  EXPECT_EQ(kept.cityName, f.cityName);
  EXPECT_EQ(kept.lastUpdate, f.lastUpdate);
}

TEST(WeatherText, PagesCarryTheirBackgroundAndEscapedTexts) {
  EXPECT_NE(PageHead(true).indexOf("url(Rice_Field.jpg)"), -1);
  EXPECT_NE(PageHead(false).indexOf("url(bg92.gif)"), -1);
  EXPECT_EQ(PageHead(true).indexOf("bg92"), -1);
  EXPECT_TRUE(PageHead(true).endsWith("</style></head><body scroll=\"no\">\r\n"));
  EXPECT_NE(PageHead(false).indexOf("charset=utf-8"), -1);

  YahooFields y;
  ParseYahooFeed(U(YahooFeed("45", "10", "28", "<script>x()</script>")), "c", y);
  const QString body = YahooBody(y, "c", "http://f/weather/today/SPXX0050", "http://i/28.gif");
  EXPECT_TRUE(
      body.startsWith("<div align='left'><a href=http://f/weather/today/SPXX0050  "
                      "target='_blank' class='Estilo1'>Yahoo! Weather - Madrid, SP</a><br>"
                      "<img src=http://i/28.gif align='left'>&lt;script&gt;"));
  EXPECT_EQ(body.indexOf("<script>"), -1);
  EXPECT_NE(body.indexOf(QStringLiteral("Temperatura: 14 ºC<br>Viento: NE 10 km/h<br>"
                                        "Sensación térmica: 12 ºC<br>Humedad: 93%<br>")),
            -1)
      << body.toStdString();
  EXPECT_NE(YahooBody(y, "f", "", "").indexOf("Temperature: 14"), -1);
  EXPECT_NE(YahooBody(y, "f", "", "").indexOf("Wind chill: 12"), -1);

  OwmFields o;
  ParseOpenWeatherMap(U(OwmAnswer()), "c", o, QLocale::c());
  const QString owm =
      OpenWeatherMapBody(o, "E<S>", "https://w/city/1234567", "http://w/img/w/01d.png");
  EXPECT_TRUE(
      owm.startsWith("<div align='left'><a href=https://w/city/1234567  target='_blank' "
                     "class='Estilo2'>Madrid</a> (E&lt;S&gt;)<br><table><tr><td>"
                     "<div align='left'><img src=http://w/img/w/01d.png></td>"));
  EXPECT_NE(owm.indexOf("Viento: 18 k/h<br>"), -1);
  EXPECT_NE(owm.indexOf(QStringLiteral("Última act.: 2024-01-02T03:04:05 UTC</div></body></html>")),
            -1);
}

}  // namespace
