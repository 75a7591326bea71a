// The key-free weather source's JSON answers: its place look-up and its current weather.
#include "weather/OpenMeteo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace weather;
  const QByteArray answer(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (const auto places = ParseOpenMeteoPlaces(answer))
    for (const OpenMeteoPlace& p : *places) p.Line();
  static const QLocale spanish(QLocale::Spanish, QLocale::Spain);
  for (bool imperial : {false, true}) ParseOpenMeteoForecast(answer, imperial, imperial, spanish);
  return 0;
}
