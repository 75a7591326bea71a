#include "weather/WeatherTables.h"

#include <utility>

namespace weather {
namespace {

struct Region {
  const char* name;  // persisted in "Maps"
  const char* code;
};

// List order is the settings window's; the codes name the service's images.
const Region kRegions[] = {
    {"Mundo", "world"},
    {"África", "afric"},
    {"África Occidental", "wafri"},
    {"África Oriental", "eafri"},
    {"América Central", "camer"},
    {"Asia", "asian"},
    {"Australia", "austr"},
    {"Australia Occidental", "waust"},
    {"Brazil", "brazl"},
    {"Canada Central", "ccana"},
    {"Canada Occidental ", "wcana"},
    {"Canada Oriental", "ecana"},
    {"Caribe", "carib"},
    {"Escandinavia", "scand"},
    {"Europa", "europ"},
    {"India", "india"},
    {"Indonesia", "indon"},
    {"Japón", "chjap"},
    {"México", "mexic"},
    {"Medio Oriente", "midea"},
    {"Nueva Zelanda", "nzeal"},
    {"Noreste Australia", "neaus"},
    {"Noreste Europa", "neeur"},
    {"Noroeste África", "nwafr"},
    {"Noroeste Europa", "nweur"},
    {"Norte América", "namer"},
    {"Norte Sur América", "nsamr"},
    {"Reino Unido", "uking"},
    {"Rusia", "rusia"},
    {"Sur África", "safri"},
    {"Sur América", "samer"},
    {"Sur Este Asia", "seasi"},
    {"Sur Este Australia", "seaus"},
    {"Sur Este Europa", "seeur"},
    {"Sur Oeste Europa", "sweur"},
    {"Sur Sur América", "ssamr"},
    {"US Continental ", "conus"},
    {"US Grandes Llanuras", "ncusa"},
    {"US Medio Atlántico", "ecusa"},
    {"US Medio Oeste", "ceusa"},
    {"US Noreste", "neusa"},
    {"US Noroeste", "nwusa"},
    {"US Pacífico", "wcusa"},
    {"US Sur Central", "scusa"},
    {"US Sureste", "seusa"},
    {"US Suroeste", "swusa"},
};

const std::pair<const char*, const char*> kLanguages[] = {
    {"Arabic", "ar"},
    {"Bulgarian", "bg"},
    {"Catalan", "ca"},
    {"Czech", "cz"},
    {"German", "de"},
    {"Greek", "el"},
    {"English", "en"},
    {"Persian (Farsi)", "fa"},
    {"Finnish", "fi"},
    {"French", "fr"},
    {"Galician", "gl"},
    {"Croatian", "hr"},
    {"Hungarian", "hu"},
    {"Italian", "it"},
    {"Japanese", "ja"},
    {"Korean", "kr"},
    {"Latvian", "la"},
    {"Lithuanian", "lt"},
    {"Macedonian", "mk"},
    {"Dutch", "nl"},
    {"Polish", "pl"},
    {"Portuguese", "pt"},
    {"Romanian", "ro"},
    {"Russian", "ru"},
    {"Swedish", "se"},
    {"Slovak", "sk"},
    {"Slovenian", "sl"},
    {"Spanish", "es"},
    {"Turkish", "tr"},
    {"Ukrainian", "ua"},
    {"Vietnamese", "vi"},
    {"Chinese_Simplified", "zh_cn"},
    {"Chinese_Traditional", "zh_tw"},
};

QString TrimEnd(QString s) {
  while (s.endsWith(' ')) s.chop(1);
  return s;
}

}  // namespace

const QStringList& RegionNames() {
  static const QStringList names = [] {
    QStringList l;
    for (const Region& r : kRegions) l << QString::fromUtf8(r.name);
    return l;
  }();
  return names;
}

int RegionIndex(const QString& name) {
  const QString wanted = TrimEnd(name);
  for (int i = 0; i < RegionNames().size(); ++i)
    if (TrimEnd(RegionNames()[i]) == wanted) return i;
  return -1;
}

QString RegionImageCode(const QString& name) {
  const int i = RegionIndex(name);
  return i < 0 ? QString() : QString::fromLatin1(kRegions[i].code);
}

const QStringList& LanguageNames() {
  static const QStringList names = [] {
    QStringList l;
    for (const auto& row : kLanguages) l << QString::fromLatin1(row.first);
    return l;
  }();
  return names;
}

QString LanguageCodeOf(const QString& name) {
  for (const auto& row : kLanguages)
    if (name == QLatin1String(row.first)) return QString::fromLatin1(row.second);
  return QString();
}

}  // namespace weather
