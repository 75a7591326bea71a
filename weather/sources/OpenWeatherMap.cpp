// The keyed current-weather service: its look-up is a weather request by
// city and country, and its answer is XML, cut by markers.
#include "settings/Options.h"
#include "weather/WeatherText.h"
#include "weather/sources/Source.h"

namespace weather {
namespace {

QString Read(settings::Key key) { return QString::fromStdString(settings::Options().Text(key)); }

QString Address(const QString& query, const QString& languageCode, bool metric) {
  return Read(settings::Key::OpenWeatherMapServer) + "/data/2.5/weather" + query +
         "&lang=" + EncodeForAddress(languageCode) +
         (metric ? "&units=metric" : "&units=imperial") +
         "&appid=" + Read(settings::Key::OpenWeatherMapKey) + "&mode=xml";
}

QString ByName(const QString& city, const QString& country) {
  return "?q=" + EncodeForAddress(city) + "," + EncodeForAddress(country);
}

class OpenWeatherMap final : public Source {
 public:
  QString LookUpAddress(const LookUpQuery& q) const override {
    return Address(ByName(q.city, q.country), q.languageCode, q.metric);
  }

  std::optional<FoundPlaces> Places(const QByteArray& answer, const LookUpQuery& q) const override {
    const auto parsed = ParseOpenWeatherMapCity(QString::fromUtf8(answer), QStringLiteral("name"));
    if (!parsed) return std::nullopt;
    // No code is no code: the old one would name another city.
    const QString code = dejarsoloNumeros(parsed->idText).value_or(QString());
    FoundPlaces found;
    found.places = {FoundPlace{parsed->line, q.city, q.country, code, {}, {}}};
    return found;
  }

  QString ForecastAddress(const WeatherRequest& r, QString*) const override {
    return Address(
        r.cityCode.isEmpty() ? ByName(r.city, r.country) : "?id=" + EncodeForAddress(r.cityCode),
        r.languageCode, r.unitCode != "f");
  }

  std::optional<QString> PanelBody(const QByteArray& answer, WeatherRequest& r) const override {
    const QString text = QString::fromUtf8(answer);
    if (!OpenWeatherMapIsPhysical(text, r.unitCode)) return std::nullopt;
    const OwmFields fields = ParseOpenWeatherMap(text, r.unitCode);
    const QString web = Read(settings::Key::OpenWeatherMapWeb);
    return OpenWeatherMapBody(
        fields, r.country, WithScheme(web, "https") + "/city/" + EncodeForAddress(r.cityCode),
        WithScheme(web, "http") + "/img/w/" + EncodeForAddress(fields.iconCode) + ".png");
  }
};

}  // namespace

const Source& OpenWeatherMapSource() {
  static const OpenWeatherMap source;
  return source;
}

}  // namespace weather
