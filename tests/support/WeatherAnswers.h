#pragma once
// Answers in the services' shapes, written for these tests.
#include <QByteArray>

namespace weathertest {

inline QByteArray OwmAnswer(const QByteArray& city = "Madrid", const QByteArray& speed = "5",
                            const QByteArray& condition = "cielo claro") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<current><city id=\"1234567\" name=\"" +
         city +
         "\"><coord lon=\"-3.7\" lat=\"40.42\"></coord><country>ES</country><timezone>3600"
         "</timezone><sun rise=\"2024-01-02T07:38:00\" set=\"2024-01-02T17:01:00\"></sun></city>"
         "<temperature value=\"20.5\" min=\"18\" max=\"22.25\" unit=\"metric\"></temperature>"
         "<feels_like value=\"19.9\" unit=\"metric\"></feels_like><humidity value=\"81\" "
         "unit=\"%\"></humidity><pressure value=\"1013\" unit=\"hPa\"></pressure><wind><speed "
         "value=\"" +
         speed +
         "\" unit=\"m/s\" name=\"Gentle Breeze\"></speed><direction value=\"250\" code=\"WSW\" "
         "name=\"West-southwest\"></direction></wind><clouds value=\"0\" name=\"clear sky\">"
         "</clouds><visibility value=\"10000\"></visibility><precipitation mode=\"no\">"
         "</precipitation><weather number=\"800\" value=\"" +
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
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<places xmlns=\"http://where.yahooapis.com"
         "/v1/schema.rng\" yahoo:start=\"0\" yahoo:count=\"2\"><place yahoo:uri=\"http://where."
         "yahooapis.com/v1/place/766273\" xml:lang=\"en-US\"><woeid>766273</woeid><placeTypeName "
         "code=\"7\">Town</placeTypeName><name>Madrid</name><country type=\"Country\" code=\"ES\""
         " woeid=\"23424950\">Spain</country><admin1 type=\"Autonomous Community\" code=\"\" "
         "woeid=\"12578024\">Madrid</admin1><admin2 type=\"Province\" code=\"ES-M\" woeid=\""
         "12602124\">Madrid</admin2></place><place><woeid>2346734</woeid><name>Madrid</name>"
         "<country type=\"Country\">United States</country><admin2 type=\"County\">Boone"
         "</admin2></place></places>";
}

inline QByteArray YahooError() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<yahoo:error xmlns:yahoo=\"http://yahooapis"
         ".com/v1/base.rng\" xml:lang=\"en-US\"><error xmlns=\"\"><description>Please provide "
         "valid credentials.</description><detail>OAuth oauth_problem=\"OST_OAUTH_PARAMETER_ABSENT"
         "_ERROR\"</detail></error></yahoo:error>";
}

}  // namespace weathertest
