// The key-free weather source's JSON answers: its place look-up and its current weather.
#include <cstdlib>

#include "weather/OpenMeteo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace weather;
  const QByteArray answer(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // A place offered is one the forecast can be asked for: on the globe.
  if (const auto places = ParseOpenMeteoPlaces(answer))
    for (const OpenMeteoPlace& p : *places)
      if (p.Line().isEmpty() || !IsPlacePosition(p.latitude, p.longitude)) abort();
  static const QLocale spanish(QLocale::Spanish, QLocale::Spain);
  // Weather shown is weather on Earth: no humidity past 100 %.
  for (bool imperial : {false, true})
    if (const auto w = ParseOpenMeteoForecast(answer, imperial, imperial, spanish)) {
      bool read = false;
      const double humidity = spanish.toDouble(w->fields.humidity.chopped(2), &read);
      if (!read || humidity < 0 || humidity > 100) abort();
    }
  return 0;
}
