#pragma once
// Every key the program reads or writes in Options.ini, with its section and
// the value a missing key means. Nothing is cached: each call reads or writes
// the file, so a value one window writes is what the next read anywhere sees.
#include <string>

namespace settings {

enum class Key {
  VersionOS,
  // The options of the bin menu, "Verdadero" or "Falso".
  NoConfirm,
  NoProgressBar,
  NoSound,
  StartAtLogIn,
  HotKeys,
  FixedPlace,
  EmptyOnExit,
  // The bin window's place, in twips.
  Left,
  Top,
  Width,
  Height,
  Picture,
  // Outside addresses, edited by hand and never written.
  ConnectionCheckServer,
  WebServer,
  // The weather services, their keys and the forecast site.
  OpenWeatherMapServer,
  OpenWeatherMapWeb,
  YahooPlacesServer,
  YahooWeatherServer,
  YahooIcons,
  ForecastSpanish,
  ForecastEnglish,
  SatelliteServer,
  OpenMeteoServer,
  OpenMeteoPlacesServer,
  SatelliteWmsServer,
  // The updates folder, also the comments page's; no built-in default.
  UpdatesServer,
  // The dictionary's search pages.
  Dictionary,
  DictionaryLemmas,
  OpenWeatherMapKey,
  YahooKey,
  // The weather choices of the settings window, read by the viewer and the panel.
  Maps,
  Language,
  Units,
  Size,
  PanelCorner,
  PanelBackground,
  DataSource,
  AlwaysUp,
  Country,
  City,
  CityCode,
  Latitude,
  Longitude,
  OldCityCode,
  // The dictionary's, the viewer's and the panel's places, in twips.
  RaeLeft,
  RaeTop,
  MapLeft,
  MapTop,
  InfoLeft,
  InfoTop,
  // The automatic purge: days and percent (0 or missing: off), "Avisar" or "Antiguos".
  AutoPurgeDays,
  AutoPurgePercent,
  AutoPurgeAction,
};

struct KeyInfo {
  const char* section;  // persisted names: never change them
  const char* name;
  const char* fallback;  // what a missing or empty value means
};
const KeyInfo& InfoOf(Key key);

class Options {
 public:
  // Options.ini of the program folder, as it is at each call.
  Options();
  explicit Options(std::string file);

  // The stored text, or the key's fallback when there is none.
  std::string Text(Key key) const;
  bool IsOn(Key key) const;
  // The stored number; 0 when there is none.
  int Number(Key key) const;

  void SetText(Key key, const std::string& value) const;
  void SetOn(Key key, bool on) const;
  // Stores a position in the file's number format.
  void SetNumber(Key key, double value) const;

 private:
  std::string File() const;
  std::string file_;  // empty: the program folder's, formed at each call
};

}  // namespace settings
