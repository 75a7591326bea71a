#pragma once
// The key-free weather source: its place look-up and its current weather.
// Its answers are JSON and are read as such; an answer without a value the
// page needs fails as a whole, so no value of an earlier answer is shown.
#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>
#include <optional>

#include "weather/WeatherRequest.h"
#include "weather/WmoCodes.h"

namespace weather {

// The source's name as "MetodoDatos" stores it.
inline const QString kOpenMeteo = QStringLiteral("OpenMeteo");

struct OpenMeteoPlace {
  QString name, region, country, countryCode;
  QString id;                   // a GeoNames number
  QString latitude, longitude;  // decimal point, as the service gave them
  // "name, region, country", leaving out what the service did not give.
  QString Line() const;
};

// On the globe: latitude within ±90, longitude within ±180; stored texts
// that are no numbers are not.
bool IsPlacePosition(double latitude, double longitude);
bool IsPlacePosition(const QString& latitude, const QString& longitude);

// <server>/v1/search?name=...&count=10&language=es|en&format=json
QString OpenMeteoSearchAddress(const QString& server, const QString& city, bool english);
// The places of an answer (none when it found nothing); nullopt when the
// answer is not the service's. A place without its id, country code or a
// position on the globe is left out.
std::optional<QList<OpenMeteoPlace>> ParseOpenMeteoPlaces(const QByteArray& answer);

// <server>/v1/forecast?latitude=..&longitude=..&current=...
QString OpenMeteoForecastAddress(const QString& server, const QString& latitude,
                                 const QString& longitude, bool imperial);

// What the page shows of a forecast answer, in the fields the other source's
// page shows; the picture is a file that ships with the program. An answer
// with a value outside what weather on Earth reaches is no answer.
struct OpenMeteoWeather {
  OwmFields fields;
  QString iconFile;
};
std::optional<OpenMeteoWeather> ParseOpenMeteoForecast(const QByteArray& answer, bool imperial,
                                                       bool english,
                                                       const QLocale& locale = QLocale());

}  // namespace weather
