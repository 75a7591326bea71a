// The key-free service: its look-up lists places with their position, and
// its forecast is asked by that position. Its page is built as the keyed
// service's is, with a picture that ships with the program.
#include "weather/OpenMeteo.h"

#include <QUrl>

#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "weather/WeatherText.h"
#include "weather/sources/Source.h"

namespace weather {
namespace {

QString Read(settings::Key key) { return QString::fromStdString(settings::Options().Text(key)); }

// The service asks to be named where its data is shown.
constexpr const char* kSourceSite = "https://open-meteo.com/";

class OpenMeteo final : public Source {
 public:
  QString LookUpAddress(const LookUpQuery& q) const override {
    return OpenMeteoSearchAddress(Read(settings::Key::OpenMeteoPlacesServer), q.city,
                                  q.languageCode == "en");
  }

  // The first place in the typed country is chosen, else the first.
  std::optional<FoundPlaces> Places(const QByteArray& answer, const LookUpQuery& q) const override {
    const auto places = ParseOpenMeteoPlaces(answer);
    if (!places) return std::nullopt;
    FoundPlaces found;
    if (places->isEmpty()) {
      found.error = QStringLiteral("No se encontró ninguna ciudad con ese nombre.");
      found.cityUnknown = true;
      return found;
    }
    const QString typed = q.country.trimmed();
    for (int i = places->size() - 1; i >= 0; --i) {
      const OpenMeteoPlace& p = places->at(i);
      if (p.countryCode.compare(typed, Qt::CaseInsensitive) == 0 ||
          p.country.compare(typed, Qt::CaseInsensitive) == 0)
        found.chosen = i;
    }
    for (const OpenMeteoPlace& p : *places)
      found.places << FoundPlace{p.Line(), p.name, p.countryCode, p.id, p.latitude, p.longitude};
    return found;
  }

  QString ForecastAddress(const WeatherRequest& r, QString* refusal) const override {
    const QString latitude = Read(settings::Key::Latitude),
                  longitude = Read(settings::Key::Longitude);
    // A position off the globe, as earlier look-ups could store, is no place either.
    if (!IsPlacePosition(latitude, longitude)) {
      *refusal = QStringLiteral(
          "Elija primero su ciudad: en 'Ajustes' escriba el país y la ciudad y pulse 'Buscar'.");
      return {};
    }
    return OpenMeteoForecastAddress(Read(settings::Key::OpenMeteoServer), latitude, longitude,
                                    r.unitCode == "f");
  }

  std::optional<QString> PanelBody(const QByteArray& answer, WeatherRequest& r) const override {
    const auto weather = ParseOpenMeteoForecast(answer, r.unitCode == "f", r.languageCode == "en");
    if (!weather) return std::nullopt;
    OwmFields fields = weather->fields;
    fields.cityName = r.city;
    const QString icon =
        QUrl::fromLocalFile(
            QString::fromStdString(settings::ShippedFile(weather->iconFile.toStdString())))
            .toString(QUrl::FullyEncoded);
    return OpenWeatherMapBody(fields, r.country, QString::fromLatin1(kSourceSite), icon);
  }

  bool EmptyPanelOnFailure() const override { return false; }
};

}  // namespace

const Source& OpenMeteoSource() {
  static const OpenMeteo source;
  return source;
}

}  // namespace weather
