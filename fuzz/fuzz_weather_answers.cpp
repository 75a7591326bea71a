// The weather services' answers: the places and city look-ups, both current
// weather answers and the pages made from them.
#include "weather/WeatherText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace weather;
  const QString answer =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  ParseYahooPlaces(answer, QStringLiteral("<name>"));
  if (auto city = ParseOpenWeatherMapCity(answer, QStringLiteral("name")))
    dejarsoloNumeros(city->idText);
  OldCityCodeIn(answer);
  CompassText(NumericValue(answer));
  for (const char* unit : {"c", "f"}) {
    const YahooFields y = ParseYahooFeed(answer, QString::fromLatin1(unit));
    YahooBody(y, QString::fromLatin1(unit), QStringLiteral("http://127.0.0.1/f"),
              QStringLiteral("http://127.0.0.1/i"));
    const OwmFields o =
        ParseOpenWeatherMap(answer, QString::fromLatin1(unit), {}, QLocale(QLocale::Spanish));
    OpenWeatherMapBody(o, QStringLiteral("ES"), QStringLiteral("http://127.0.0.1/c"),
                       QStringLiteral("http://127.0.0.1/i"));
  }
  return 0;
}
