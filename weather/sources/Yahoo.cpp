// The older feed service: a places look-up of its own and an RSS weather
// feed, both cut by markers. It answers no more; a stored choice still asks.
#include "settings/Options.h"
#include "weather/WeatherDownload.h"
#include "weather/WeatherText.h"
#include "weather/sources/Source.h"

namespace weather {
namespace {

QString Read(settings::Key key) { return QString::fromStdString(settings::Options().Text(key)); }

class Yahoo final : public Source {
 public:
  QString LookUpAddress(const LookUpQuery& q) const override {
    return Read(settings::Key::YahooPlacesServer) + "/v1/places.q(" + EncodeForAddress(q.city) +
           ")?appid=" + Read(settings::Key::YahooKey);
  }

  std::optional<FoundPlaces> Places(const QByteArray& answer, const LookUpQuery& q) const override {
    const auto parsed = ParseYahooPlaces(QString::fromUtf8(answer), QStringLiteral("<name>"));
    if (!parsed) return std::nullopt;
    FoundPlaces found;
    if (parsed->isError)
      found.error = parsed->message;
    else
      found.places = {FoundPlace{parsed->line, q.city, q.country, parsed->cityCode, {}, {}}};
    return found;
  }

  QString ForecastAddress(const WeatherRequest& r, QString*) const override {
    return Read(settings::Key::YahooWeatherServer) +
           "/forecastrss?w=" + EncodeForAddress(r.cityCode) + "&u=" + EncodeForAddress(r.unitCode);
  }

  std::optional<QString> PanelBody(const QByteArray& answer, WeatherRequest& r) const override {
    // Once stored, the forecast link's code serves every later opening.
    if (r.oldCityCode.isEmpty()) r.oldCityCode = GetOldCodeCity(answer).value_or(QString());
    const YahooFields fields = ParseYahooFeed(QString::fromUtf8(answer), r.unitCode);
    if (!fields.city.isEmpty()) r.city = fields.city;  // the feed's name for the place
    const QString forecast = r.unitCode == "c"
                                 ? Read(settings::Key::ForecastSpanish) + "/weather/today/" +
                                       EncodeForAddress(r.oldCityCode)
                                 : Read(settings::Key::ForecastEnglish) + "/weather/today/l/" +
                                       EncodeForAddress(r.oldCityCode);
    const QString icon =
        Read(settings::Key::YahooIcons) + EncodeForAddress(fields.conditionCode) + ".gif";
    return YahooBody(fields, r.unitCode, forecast, icon);
  }

  bool WaitsForWholePage() const override { return true; }
};

}  // namespace

const Source& YahooSource() {
  static const Yahoo source;
  return source;
}

}  // namespace weather
