#pragma once
// The weather answers are not parsed as documents: each value is cut out by
// fixed markers and offsets. A marker that is missing, or a value that would
// run past the end of the text, fails that value's step and nothing else.
#include <QLocale>
#include <QString>
#include <optional>

#include "weather/WeatherRequest.h"

namespace weather {

// A value as it goes into an address: only letters, digits and -._~ stay as
// they are, so a "&" or "#" in a city name cannot change the request.
QString EncodeForAddress(const QString& value);
// Outside text as page text: it shows as text and never becomes markup.
QString HtmlEscape(const QString& text);

// The characters strictly between the first a at or after from and the first
// b at or after that a.
std::optional<QString> Between(const QString& text, const QString& a, const QString& b,
                               int from = 0);

// What a places answer holds.
struct PlacesAnswer {
  bool isError = false;
  QString message;   // for an error: description, detail and the hint
  QString line;      // otherwise: name , region , country
  QString cityCode;  // the place id, as it is
};
std::optional<PlacesAnswer> ParseYahooPlaces(const QString& answer, const QString& tag);

// What a current-weather answer tells the look-up: the line to list and the
// nine characters that hold the city id.
struct CityAnswer {
  QString line;
  QString idText;
};
std::optional<CityAnswer> ParseOpenWeatherMapCity(const QString& answer, const QString& key);

// The city code in text: its digits, once blanks at both ends are trimmed;
// nothing when only blanks are left (the city code stays as it was).
std::optional<QString> dejarsoloNumeros(const QString& text);

// The code between "forecast/" and "_c.html" of a weather feed.
std::optional<QString> OldCityCodeIn(const QString& feed);

// The leading number of text, "." as the decimal point; 0 for none.
double NumericValue(const QString& text);
// A number as the user reads it: the locale's decimal sign, no grouping.
QString LocaleNumber(double value, const QLocale& locale = QLocale());

// The compass text for a wind direction in degrees; nullopt outside 0..360.
std::optional<QString> CompassText(double degrees);

// The fields of an answer over kept: a field whose step fails keeps kept's
// value. The feed's city is taken only for the metric unit code "c".
YahooFields ParseYahooFeed(const QString& feed, const QString& unitCode, YahooFields kept = {});
// Imperial for the unit code "f", metric otherwise.
OwmFields ParseOpenWeatherMap(const QString& answer, const QString& unitCode, OwmFields kept = {},
                              const QLocale& locale = QLocale());

// False when a value the page would show is one no weather on Earth has (a
// humidity of 1028 %): a broken answer. A value the answer lacks is none.
bool OpenWeatherMapIsPhysical(const QString& answer, const QString& unitCode);

// The two page heads: the rice paper's, or the mottled one's. The picture is
// named by backgroundAddress (a file: URL), else by its bare name beside the
// page. The page never scrolls and its lines never wrap: the panel takes its
// size from it.
QString PageHead(bool ricePaper, const QString& backgroundAddress = QString());
// The file: URL of a shipped page background, wherever the program folder is.
QString BackgroundAddress(const QString& shippedFile);
QString YahooBody(const YahooFields& f, const QString& unitCode, const QString& forecastAddress,
                  const QString& iconAddress);
QString OpenWeatherMapBody(const OwmFields& f, const QString& country,
                           const QString& cityPageAddress, const QString& iconAddress);

// An address given with either scheme, with the one a use needs.
QString WithScheme(const QString& address, const QString& scheme);

}  // namespace weather
