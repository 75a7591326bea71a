#pragma once
// The weather services behind one face: the settings window's city look-up
// and the data panel ask whichever one "MetodoDatos" names, and hold no
// branch of their own per service.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "weather/WeatherRequest.h"

namespace weather {

// A look-up as typed, with the settings window's language and units.
struct LookUpQuery {
  QString city, country, languageCode;
  bool metric = true;
};

// A place a look-up lists; chosen, it is stored whole.
struct FoundPlace {
  QString line;
  QString city, country, code;
  QString latitude, longitude;  // empty where the service gives none
};

struct FoundPlaces {
  QList<FoundPlace> places;
  int chosen = 0;
  // Told instead of a list: the service's own error, or that it knows no
  // such city (the city field is then the one to correct).
  QString error;
  bool cityUnknown = false;
};

class Source {
 public:
  virtual ~Source() = default;
  virtual QString LookUpAddress(const LookUpQuery& query) const = 0;
  // nullopt: not the service's answer; nothing is listed or told.
  virtual std::optional<FoundPlaces> Places(const QByteArray& answer,
                                            const LookUpQuery& query) const = 0;
  // Empty when nothing can be asked: *refusal then tells the user why.
  virtual QString ForecastAddress(const WeatherRequest& request, QString* refusal) const = 0;
  // The panel's page body; nullopt for a broken answer. What the answer
  // tells of the place (its name, the forecast link's code) goes to request.
  virtual std::optional<QString> PanelBody(const QByteArray& answer,
                                           WeatherRequest& request) const = 0;
  // A failed or broken answer still shows an empty panel; otherwise the
  // panel closes, and no page of an earlier answer may be left.
  virtual bool EmptyPanelOnFailure() const { return true; }
  // The panel shows only once its page is whole, pictures included.
  virtual bool WaitsForWholePage() const { return false; }
};

const Source& OpenMeteoSource();
const Source& OpenWeatherMapSource();
const Source& YahooSource();

// The source "MetodoDatos" names; nullptr for a retired service or a name
// that is none: they ask nothing.
const Source* SourceNamed(const QString& name);

}  // namespace weather
