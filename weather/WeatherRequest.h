#pragma once
// What the data panel asks a weather service for, read from the stored
// settings each time it loads, and the page fields an answer fills.
#include <QString>

namespace weather {

// The page fields of one source; a field whose step fails keeps what it had.
struct YahooFields {
  QString title, city, conditionCode, conditionText, temperature, temperatureUnit, windChill,
      humidity, speedUnit, direction, windSpeed, date, compass;
};
struct OwmFields {
  QString cityName, iconCode, conditionText, temperature, minimum, maximum, pressure, humidity,
      windSpeed, lastUpdate;
};

struct WeatherRequest {
  QString cityCode;      // empty: asked by city and country
  QString dataSource;    // "MetodoDatos"; OpenWeatherMap when none is stored
  QString languageCode;  // "es" when none or an unknown language is stored
  QString unitCode;      // "c" metric, "f" imperial, empty when none is stored
  QString country;
  QString city;
  QString oldCityCode;  // the forecast link's code, when one is stored

  static WeatherRequest FromSettings();
};

}  // namespace weather
