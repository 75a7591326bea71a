#include "weather/OpenMeteo.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTime>
#include <cmath>

#include "weather/WeatherText.h"

namespace weather {
namespace {

// A JSON number as text with a decimal point and no exponent.
QString NumberText(double value) {
  return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
}

std::optional<double> Number(const QJsonObject& o, const char* key) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (!v.isDouble() || !std::isfinite(v.toDouble())) return std::nullopt;
  return v.toDouble();
}

// The first value of a one-day series.
std::optional<double> FirstOf(const QJsonObject& o, const char* key) {
  const QJsonArray a = o.value(QLatin1String(key)).toArray();
  if (a.isEmpty() || !a.first().isDouble()) return std::nullopt;
  return a.first().toDouble();
}

// Within [low, high]; a missing value is not.
bool Within(const std::optional<double>& v, double low, double high) {
  return v && *v >= low && *v <= high;
}

}  // namespace

bool IsPlacePosition(double latitude, double longitude) {
  return latitude >= -90 && latitude <= 90 && longitude >= -180 && longitude <= 180;
}

bool IsPlacePosition(const QString& latitude, const QString& longitude) {
  bool latOk = false, lonOk = false;
  const double lat = latitude.toDouble(&latOk), lon = longitude.toDouble(&lonOk);
  return latOk && lonOk && IsPlacePosition(lat, lon);
}

QString OpenMeteoPlace::Line() const {
  QStringList parts;
  for (const QString& part : {name, region, country})
    if (!part.isEmpty()) parts << part;
  return parts.join(QStringLiteral(", "));
}

QString OpenMeteoSearchAddress(const QString& server, const QString& city, bool english) {
  return server + "/v1/search?name=" + EncodeForAddress(city) +
         "&count=10&language=" + (english ? "en" : "es") + "&format=json";
}

std::optional<QList<OpenMeteoPlace>> ParseOpenMeteoPlaces(const QByteArray& answer) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(answer, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  QList<OpenMeteoPlace> places;
  // Nothing found: the answer has no "results" at all.
  for (const QJsonValue& v : doc.object().value(QLatin1String("results")).toArray()) {
    const QJsonObject o = v.toObject();
    const auto id = Number(o, "id");
    const auto latitude = Number(o, "latitude");
    const auto longitude = Number(o, "longitude");
    OpenMeteoPlace p;
    p.name = o.value(QLatin1String("name")).toString();
    p.region = o.value(QLatin1String("admin1")).toString();
    p.country = o.value(QLatin1String("country")).toString();
    p.countryCode = o.value(QLatin1String("country_code")).toString();
    // Converted only when the number fits: 1e300 is no id.
    // A place off the globe would be asked for in every forecast.
    if (!id || !(*id >= 0 && *id < 9007199254740992.0) || !latitude || !longitude ||
        !IsPlacePosition(*latitude, *longitude) || p.name.isEmpty() || p.countryCode.isEmpty())
      continue;
    p.id = QString::number(static_cast<qint64>(*id));
    p.latitude = NumberText(*latitude);
    p.longitude = NumberText(*longitude);
    places << p;
  }
  return places;
}

QString OpenMeteoForecastAddress(const QString& server, const QString& latitude,
                                 const QString& longitude, bool imperial) {
  return server + "/v1/forecast?latitude=" + EncodeForAddress(latitude) +
         "&longitude=" + EncodeForAddress(longitude) +
         "&current=temperature_2m,relative_humidity_2m,weather_code,pressure_msl,"
         "wind_speed_10m,wind_direction_10m&daily=temperature_2m_max,temperature_2m_min"
         "&forecast_days=1&timezone=auto" +
         (imperial ? "&temperature_unit=fahrenheit&wind_speed_unit=mph" : "");
}

std::optional<OpenMeteoWeather> ParseOpenMeteoForecast(const QByteArray& answer, bool imperial,
                                                       bool english, const QLocale& locale) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(answer, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  const QJsonObject root = doc.object();
  const QJsonObject now = root.value(QLatin1String("current")).toObject();
  const QJsonObject daily = root.value(QLatin1String("daily")).toObject();
  const auto temperature = Number(now, "temperature_2m");
  const auto humidity = Number(now, "relative_humidity_2m");
  const auto code = Number(now, "weather_code");
  const auto pressure = Number(now, "pressure_msl");
  const auto speed = Number(now, "wind_speed_10m");
  const auto direction = Number(now, "wind_direction_10m");
  const auto maximum = FirstOf(daily, "temperature_2m_max");
  const auto minimum = FirstOf(daily, "temperature_2m_min");
  // The place's own wall-clock time (timezone=auto), read apart from any zone
  // of this machine's: no hour of it falls in a gap here.
  const QStringList stamp = now.value(QLatin1String("time")).toString().split(QLatin1Char('T'));
  const QDate day = stamp.size() == 2 ? QDate::fromString(stamp[0], Qt::ISODate) : QDate();
  const QTime hour = stamp.size() == 2 ? QTime::fromString(stamp[1], Qt::ISODate) : QTime();
  // Values no weather on Earth has are a broken answer, not weather to show:
  // the records with a margin, in the units asked for.
  auto celsius = [imperial](const std::optional<double>& t) {
    return t ? std::optional<double>(imperial ? (*t - 32) * 5 / 9 : *t) : std::nullopt;
  };
  const double kmh = imperial ? 1.609344 : 1;
  const bool physical = Within(celsius(temperature), -100, 70) &&
                        Within(celsius(maximum), -100, 70) && Within(celsius(minimum), -100, 70) &&
                        *minimum <= *maximum && Within(humidity, 0, 100) &&
                        Within(pressure, 800, 1100) && speed && Within(*speed * kmh, 0, 500) &&
                        Within(direction, 0, 360);
  if (!physical || !code || !day.isValid() || !hour.isValid() || *code != std::floor(*code) ||
      !(*code >= 0 && *code < 1000))
    return std::nullopt;
  const auto condition = WmoConditionOf(static_cast<int>(*code), english);
  if (!condition) return std::nullopt;

  // Not through single precision: 16.4 stays 16.4.
  QLocale shown(locale);
  shown.setNumberOptions(QLocale::OmitGroupSeparator);
  auto number = [&](double v) { return shown.toString(v, 'g', QLocale::FloatingPointShortest); };
  OpenMeteoWeather w;
  OwmFields& f = w.fields;
  f.conditionText = condition->text;
  w.iconFile = WmoIconFile(condition->group);
  f.temperature = number(*temperature) + (imperial ? " &deg;F" : " &deg;C");
  f.minimum = number(*minimum);
  f.maximum = number(*maximum);
  f.pressure = number(*pressure) + " hPa";
  f.humidity = number(*humidity) + " %";
  const auto compass = CompassText(*direction);
  f.windSpeed =
      (compass ? *compass + " " : QString()) + number(*speed) + (imperial ? " mph" : " k/h");
  // As a Spanish reader writes a date, whatever the texts' language.
  f.lastUpdate =
      day.toString(QStringLiteral("dd/MM/yyyy")) + hour.toString(QStringLiteral(" HH:mm"));
  return w;
}

}  // namespace weather
