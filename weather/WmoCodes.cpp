#include "weather/WmoCodes.h"

namespace weather {
namespace {

struct Row {
  int first, last;  // a run of codes that read the same
  const char* spanish;
  const char* english;
  WmoGroup group;
};

using G = WmoGroup;
// The service sends the codes 0-3, 45, 48, 51-57, 61-67, 71-77, 80-86 and
// 95-99; the rest of the table keeps a code from elsewhere readable.
constexpr Row kRows[] = {
    {0, 0, "Despejado", "Clear sky", G::Clear},
    {1, 1, "Poco nuboso", "Mainly clear", G::Clear},
    {2, 2, "Parcialmente nuboso", "Partly cloudy", G::PartlyCloudy},
    {3, 3, "Cubierto", "Overcast", G::Cloudy},
    {4, 9, "Calima o humo", "Haze or smoke", G::Fog},
    {10, 12, "Neblina", "Mist", G::Fog},
    {13, 13, "Relámpagos", "Lightning", G::Thunderstorm},
    {14, 16, "Precipitación a la vista", "Precipitation in sight", G::Cloudy},
    {17, 17, "Tormenta seca", "Thunder without rain", G::Thunderstorm},
    {18, 19, "Turbonada", "Squalls", G::Thunderstorm},
    {20, 20, "Llovizna reciente", "Recent drizzle", G::Drizzle},
    {21, 21, "Lluvia reciente", "Recent rain", G::Rain},
    {22, 22, "Nieve reciente", "Recent snow", G::Snow},
    {23, 24, "Lluvia helada reciente", "Recent freezing rain", G::Rain},
    {25, 27, "Chubascos recientes", "Recent showers", G::Showers},
    {28, 28, "Niebla reciente", "Recent fog", G::Fog},
    {29, 29, "Tormenta reciente", "Recent thunderstorm", G::Thunderstorm},
    {30, 35, "Tormenta de polvo o arena", "Dust or sand storm", G::Fog},
    {36, 39, "Ventisca", "Blowing snow", G::Snow},
    {40, 47, "Niebla", "Fog", G::Fog},
    {48, 49, "Niebla con escarcha", "Depositing rime fog", G::Fog},
    {50, 51, "Llovizna débil", "Light drizzle", G::Drizzle},
    {52, 53, "Llovizna moderada", "Moderate drizzle", G::Drizzle},
    {54, 55, "Llovizna intensa", "Dense drizzle", G::Drizzle},
    {56, 56, "Llovizna helada débil", "Light freezing drizzle", G::Drizzle},
    {57, 57, "Llovizna helada intensa", "Dense freezing drizzle", G::Drizzle},
    {58, 59, "Llovizna y lluvia", "Drizzle and rain", G::Drizzle},
    {60, 61, "Lluvia débil", "Slight rain", G::Rain},
    {62, 63, "Lluvia moderada", "Moderate rain", G::Rain},
    {64, 65, "Lluvia intensa", "Heavy rain", G::Rain},
    {66, 66, "Lluvia helada débil", "Light freezing rain", G::Rain},
    {67, 67, "Lluvia helada intensa", "Heavy freezing rain", G::Rain},
    {68, 69, "Aguanieve", "Rain and snow", G::Snow},
    {70, 71, "Nevada débil", "Slight snow fall", G::Snow},
    {72, 73, "Nevada moderada", "Moderate snow fall", G::Snow},
    {74, 75, "Nevada intensa", "Heavy snow fall", G::Snow},
    {76, 77, "Cinarra", "Snow grains", G::Snow},
    {78, 79, "Granizo menudo", "Ice pellets", G::Snow},
    {80, 80, "Chubascos débiles", "Slight rain showers", G::Showers},
    {81, 81, "Chubascos moderados", "Moderate rain showers", G::Showers},
    {82, 82, "Chubascos violentos", "Violent rain showers", G::Showers},
    {83, 84, "Chubascos de aguanieve", "Sleet showers", G::Showers},
    {85, 85, "Chubascos de nieve débiles", "Slight snow showers", G::Snow},
    {86, 86, "Chubascos de nieve intensos", "Heavy snow showers", G::Snow},
    {87, 90, "Chubascos de granizo", "Hail showers", G::Showers},
    {91, 94, "Tormenta en la última hora", "Thunderstorm in the past hour", G::Thunderstorm},
    {95, 95, "Tormenta", "Thunderstorm", G::Thunderstorm},
    {96, 96, "Tormenta con granizo débil", "Thunderstorm with slight hail", G::Thunderstorm},
    {97, 98, "Tormenta fuerte", "Heavy thunderstorm", G::Thunderstorm},
    {99, 99, "Tormenta con granizo fuerte", "Thunderstorm with heavy hail", G::Thunderstorm},
};

// Persisted: these files ship with the program and the generator draws them.
constexpr const char* kIcons[] = {
    "tiempo_despejado.png", "tiempo_intervalos.png", "tiempo_nuboso.png",
    "tiempo_niebla.png",    "tiempo_llovizna.png",   "tiempo_lluvia.png",
    "tiempo_nieve.png",     "tiempo_chubascos.png",  "tiempo_tormenta.png",
};
static_assert(sizeof kIcons / sizeof kIcons[0] == static_cast<int>(WmoGroup::Thunderstorm) + 1,
              "one picture per group");

}  // namespace

std::optional<WmoCondition> WmoConditionOf(int code, bool english) {
  for (const Row& row : kRows)
    if (code >= row.first && code <= row.last)
      return WmoCondition{QString::fromUtf8(english ? row.english : row.spanish), row.group};
  return std::nullopt;
}

QString WmoIconFile(WmoGroup group) { return QString::fromLatin1(kIcons[static_cast<int>(group)]); }

QStringList WmoIconFiles() {
  QStringList files;
  for (const char* file : kIcons) files << QString::fromLatin1(file);
  return files;
}

}  // namespace weather
