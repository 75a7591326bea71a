#include "settings/Options.h"

#include <utility>

#include "settings/ModIni.h"
#include "settings/ProgramFolder.h"

namespace settings {
namespace {

constexpr const char* kSettings = "Settings";
constexpr const char* kPosition = "Posición";
constexpr const char* kImages = "Imagenes";
constexpr const char* kServers = "Servidores";

}  // namespace

const KeyInfo& InfoOf(Key key) {
  static const KeyInfo kTable[] = {
      {kSettings, "Versión OS", ""},
      {kSettings, "Sin confirm", ""},
      {kSettings, "Sin barra", ""},
      {kSettings, "Sin sonido", ""},
      {kSettings, "Inicio Windows", ""},
      {kSettings, "Hotkeys", ""},
      {kSettings, "NoMovePos", ""},
      {kSettings, "Vaciar al salir", ""},
      {kPosition, "WasteWell_Left", ""},
      {kPosition, "WasteWell_Top", ""},
      {kPosition, "WasteWell_Width", ""},
      {kPosition, "WasteWell_Height", ""},
      {kImages, "Imagen", ""},
      {kServers, "Conexion", "https://www.wikipedia.org"},
      {kServers, "Web", "https://wastewell.org"},
      {kServers, "OpenWeatherMap", "https://api.openweathermap.org"},
      {kServers, "OpenWeatherMapWeb", "https://openweathermap.org"},
      {kServers, "YahooLugares", "http://where.yahooapis.com"},
      {kServers, "YahooTiempo", "http://weather.yahooapis.com"},
      {kServers, "YahooIconos", "http://l.yimg.com/a/i/us/we/52/"},
      {kServers, "PrevisionES", "http://espanol.weather.com"},
      {kServers, "PrevisionEN", "http://www.weather.com"},
      // Not set: the pictures come from the map service below.
      {kServers, "Satelite", ""},
      {kServers, "OpenMeteo", "https://api.open-meteo.com"},
      {kServers, "OpenMeteoLugares", "https://geocoding-api.open-meteo.com"},
      {kServers, "SateliteWMS", "https://gibs.earthdata.nasa.gov/wms/epsg4326/best/wms.cgi"},
      {kServers, "Actualizaciones", ""},
      {kServers, "Diccionario", "https://dle.rae.es"},
      {kServers, "DiccionarioLemas", "https://buscon.rae.es"},
      {kServers, "ClaveOpenWeatherMap", "0f3a9c5e7b1d4f6a8c2e0b9d7f5a3c1e"},
      {kServers, "ClaveYahoo", "5d2b8f0a6c4e1d9b7a3f5c8e0b2d4f6a1c3e5b7d"},
      // Persisted names, accents and all.
      {kSettings, "Maps", ""},
      {kSettings, "Lenguage", ""},
      {kSettings, "Sistema", ""},
      {kSettings, "Tamaño", ""},
      {kSettings, "Posdatos", ""},
      {kSettings, "Color fondo", ""},
      // A stored choice stays; only a file without one gets the key-free source.
      {kSettings, "MetodoDatos", "OpenMeteo"},
      {kSettings, "AlwaysUp", ""},
      {kSettings, "País", ""},
      {kSettings, "Ciudad", ""},
      {kSettings, "codecity", ""},
      {kSettings, "Latitud", ""},
      {kSettings, "Longitud", ""},
      {kSettings, "oldcodecity", ""},
      {kPosition, "Rae_Left", ""},
      {kPosition, "Rae_Top", ""},
      {kPosition, "Map_Left", ""},
      {kPosition, "Map_Top", ""},
      {kPosition, "Info_Left", ""},
      {kPosition, "Info_Top", ""},
      {kSettings, "AutoVaciar Dias", ""},
      {kSettings, "AutoVaciar Porcentaje", ""},
      {kSettings, "AutoVaciar Accion", ""},
  };
  static_assert(sizeof kTable / sizeof kTable[0] == static_cast<int>(Key::AutoPurgeAction) + 1,
                "one row per key");
  return kTable[static_cast<int>(key)];
}

Options::Options() = default;
Options::Options(std::string file) : file_(std::move(file)) {}

std::string Options::File() const { return file_.empty() ? OptionsFile() : file_; }

std::string Options::Text(Key key) const {
  const KeyInfo& info = InfoOf(key);
  std::string value = IniRead(info.section, info.name, File());
  return value.empty() ? info.fallback : value;
}

bool Options::IsOn(Key key) const { return settings::IsOn(Text(key)); }

int Options::Number(Key key) const { return ReadNumber(Text(key)); }

void Options::SetText(Key key, const std::string& value) const {
  const KeyInfo& info = InfoOf(key);
  IniWrite(info.section, info.name, value, File());
}

void Options::SetOn(Key key, bool on) const { SetText(key, OnOffWord(on)); }

void Options::SetNumber(Key key, double value) const { SetText(key, NumberText(value)); }

}  // namespace settings
