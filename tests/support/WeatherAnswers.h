#pragma once
// Answers in the services' shapes, written for these tests.
#include <QByteArray>

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

}  // namespace weathertest
