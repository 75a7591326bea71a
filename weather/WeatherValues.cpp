#include "weather/WeatherValues.h"

#include "weather/WeatherTables.h"

namespace weather {

WeatherValues& Values() {
  static WeatherValues values;
  return values;
}

void LangToCode(const QString& name) {
  const QString code = LanguageCodeOf(name);
  if (!code.isEmpty()) Values().languageCode = code;
}

}  // namespace weather
