#include "weather/WeatherRequest.h"

#include "settings/Options.h"
#include "weather/WeatherTables.h"

namespace weather {

WeatherRequest WeatherRequest::FromSettings() {
  using settings::Key;
  const settings::Options options;
  auto read = [&options](Key key) { return QString::fromStdString(options.Text(key)); };
  WeatherRequest r;
  r.cityCode = read(Key::CityCode);
  r.languageCode = LanguageCodeOf(read(Key::Language));
  if (r.languageCode.isEmpty()) r.languageCode = QStringLiteral("es");
  r.country = read(Key::Country);
  r.city = read(Key::City);
  const QString units = read(Key::Units);
  if (units == QStringLiteral("Métrico"))
    r.unitCode = QStringLiteral("c");
  else if (!units.isEmpty())
    r.unitCode = QStringLiteral("f");
  const QString source = read(Key::DataSource);
  r.dataSource = source.isEmpty() ? QStringLiteral("OpenWeatherMap") : source;
  r.oldCityCode = read(Key::OldCityCode);
  return r;
}

}  // namespace weather
