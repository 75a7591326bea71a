#pragma once
// Answers in the services' shapes (the key-free one's JSON fields in its order).
#include <QByteArray>
#include <utility>

namespace weathertest {

inline QByteArray OwmAnswer(const QByteArray& city = "Madrid", const QByteArray& speed = "5",
                            const QByteArray& condition = "cielo claro") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<current><city id=\"1234567\" name=\"" +
         city +
         "\"><country>ES</country></city><temperature value=\"20.5\" min=\"18\" "
         "max=\"22.25\" unit=\"metric\"></temperature><humidity value=\"81\" unit=\"%\">"
         "</humidity><pressure value=\"1013\" unit=\"hPa\"></pressure><wind><speed value=\"" +
         speed +
         "\" unit=\"m/s\" name=\"Gentle Breeze\"></speed></wind><weather number=\"800\" "
         "value=\"" +
         condition +
         "\" icon=\"01d\"></weather><lastupdate value=\"2024-01-02T03:04:05\"></lastupdate>"
         "</current>";
}

inline QByteArray YahooFeed(const QByteArray& direction = "45", const QByteArray& speed = "10",
                            const QByteArray& code = "28",
                            const QByteArray& text = "Mostly Cloudy") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<rss version=\"2.0\" "
         "xmlns:yweather=\"http://xml.weather.yahoo.com/ns/rss/1.0\">\n<channel>\n<title>Yahoo! "
         "Weather - Madrid, SP</title>\n<link>http://us.rd.yahoo.com/dailynews/rss/weather/"
         "Madrid__SP/*http://weather.yahoo.com/forecast/SPXX0050_c.html</link>\n"
         "<yweather:location city=\"Madrid\" region=\"MD\"   country=\"Spain\"/>\n"
         "<yweather:units temperature=\"C\" distance=\"km\" pressure=\"mb\" speed=\"km/h\"/>\n"
         "<yweather:wind chill=\"12\"   direction=\"" +
         direction + "\"   speed=\"" + speed +
         "\" />\n<yweather:atmosphere humidity=\"93\"  visibility=\"9.99\"  pressure=\"1015.92\"  "
         "rising=\"0\" />\n<item>\n<yweather:condition  text=\"" +
         text + "\"  code=\"" + code +
         "\"  temp=\"14\"  date=\"Tue, 02 Jan 2024 10:00 am CET\" "
         "/>\n</item>\n</channel>\n</rss>\n";
}

inline QByteArray YahooPlaces() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<places><place><woeid>766273</woeid>"
         "<name>Madrid</name><country type=\"Country\" code=\"ES\">Spain</country><admin1 "
         "type=\"Autonomous Community\">Madrid</admin1><admin2 type=\"Province\" code=\"ES-M\">"
         "Madrid</admin2></place></places>";
}

inline QByteArray YahooError() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<yahoo:error xmlns:yahoo=\"http://yahooapis"
         ".com/v1/base.rng\" xml:lang=\"en-US\"><error xmlns=\"\"><description>Please provide "
         "valid credentials.</description><detail>OAuth oauth_problem=\"OST_OAUTH_PARAMETER_ABSENT"
         "_ERROR\"</detail></error></yahoo:error>";
}

// A search for "Málaga": three places, the first in Spain.
inline QByteArray MeteoPlaces() {
  return R"({"results":[{"id":2514256,"name":"Málaga","latitude":36.72016,"longitude":-4.42034,)"
         R"("country_code":"ES","country":"España","admin1":"Andalucía","admin2":"Málaga"},{"id":)"
         R"(3675443,"name":"Málaga","latitude":6.69903,"longitude":-72.73233,"country_code":"CO",)"
         R"("country":"Colombia","admin1":"Santander"},{"id":5100776,"name":"Malaga","latitude":)"
         R"(39.57261,"longitude":-75.05879,"country_code":"US","country":"Estados Unidos"}]})";
}

// A search that finds count places in Spain, "Lugar 1" (id 1001) and on; the
// first lies at latitude 1000, off the globe.
inline QByteArray MeteoManyPlaces(int count) {
  QByteArray results;
  for (int i = 1; i <= count; ++i) {
    const QByteArray n = QByteArray::number(i);
    results += QByteArray(i > 1 ? "," : "") + R"({"id":)" + QByteArray::number(1000 + i) +
               R"(,"name":"Lugar )" + n + R"(","latitude":)" +
               (i == 1 ? QByteArray("1000") : "40." + n) +
               R"(,"longitude":-3.5,"country_code":"ES","country":"España","admin1":"Madrid"})";
  }
  return R"({"results":[)" + results + R"(],"generationtime_ms":0.9})";
}

// What the search answers for a name it does not know.
inline QByteArray MeteoNoPlaces() { return R"({"generationtime_ms":0.6439686})"; }

// Current weather: rain from the south-west, metric or imperial units, with
// only the fields read and one that is not. The field named in without is missing.
inline QByteArray MeteoForecast(bool imperial = false, const QByteArray& without = "",
                                const QByteArray& code = "61") {
  QByteArray answer =
      R"({"current":{"time":"2026-12-07T19:00","temperature_2m":16.4,"relative_humidity_2m":72,)"
      R"("weather_code":61,"pressure_msl":1016.3,"wind_speed_10m":12.6,"wind_direction_10m":225},)"
      R"("daily":{"temperature_2m_max":[18.9],"temperature_2m_min":[9.7]},"generationtime_ms":1})";
  answer.replace("\"weather_code\":61", "\"weather_code\":" + code);
  if (imperial)
    for (const auto& [metric, us] : {std::pair(":16.4", ":61.5"), std::pair(":12.6", ":7.8"),
                                     std::pair("[18.9]", "[66.0]"), std::pair("[9.7]", "[49.5]")})
      answer.replace(metric, us);
  if (!without.isEmpty()) answer.replace("\"" + without + "\":", "\"x_" + without + "\":");
  return answer;
}

}  // namespace weathertest
