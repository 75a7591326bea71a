#pragma once
// The weather values the settings window, the data panel and the download
// helpers share for the whole run. They start empty.
#include <QByteArray>
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

struct WeatherValues {
  QString cityCode;
  QString dataSource;
  QString panelCorner;
  QString panelBackground;
  QString languageCode;
  QString unitCode;
  QString country;
  QString city;
  QString downloadAddress;
  QByteArray downloadedText;  // the answer's bytes as they came
  QString oldCityCode;
  YahooFields yahoo;
  OwmFields owm;
};

WeatherValues& Values();

// Sets the language code to the code of the row named name; a name in no
// row leaves it as it is.
void LangToCode(const QString& name);

}  // namespace weather
