#include "weather/OpenMeteo.h"
#include "weather/sources/Source.h"

namespace weather {

const Source* SourceNamed(const QString& name) {
  static const QList<QPair<QString, const Source*>> table = {
      {QStringLiteral("OpenWeatherMap"), &OpenWeatherMapSource()},
      {QStringLiteral("Yahoo"), &YahooSource()},
      {kOpenMeteo, &OpenMeteoSource()}};
  for (const auto& [named, source] : table)
    if (named == name) return source;
  return nullptr;
}

}  // namespace weather
