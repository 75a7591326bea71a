// The data panel's key-free source. Its page goes through the same body and
// page output as OpenWeatherMap's; only the values come from elsewhere.
#include <QFile>
#include <QPointer>
#include <QUrl>

#include "platform/MessageBox.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "weather/FrmDataWeather.h"
#include "weather/OpenMeteo.h"
#include "weather/WeatherText.h"
#include "weather/WeatherValues.h"

namespace weather {
namespace {

QString Read(settings::Key key) { return QString::fromStdString(settings::Options().Text(key)); }

// The service asks to be named where its data is shown.
constexpr const char* kSourceSite = "https://open-meteo.com/";

}  // namespace

void FrmDataWeather::OpenMeteo() {
  WeatherValues& v = Values();
  QPointer<FrmDataWeather> self(this);
  // Whatever happens now, an earlier answer's page is not shown as this one.
  const QString page = QString::fromStdString(settings::ProgramFile("weather.htm"));
  if (ExisteArchivo(page)) QFile::remove(page);
  auto fail = [&](const QString& text) {
    if (!text.isEmpty())
      platform::MsgBox(text, platform::kOkOnly | platform::kExclamation, QStringLiteral("Error"),
                       this);
    if (self && !unloaded_) close();
  };

  const QString latitude = Read(settings::Key::Latitude),
                longitude = Read(settings::Key::Longitude);
  if (latitude.isEmpty() || longitude.isEmpty())
    return fail(
        QStringLiteral("Elija primero su ciudad: en 'Ajustes' escriba el país y la ciudad "
                       "y pulse 'Buscar'."));
  const bool imperial = v.unitCode == "f";
  v.downloadAddress =
      OpenMeteoForecastAddress(Read(settings::Key::OpenMeteoServer), latitude, longitude, imperial);
  const FetchResult result = DownloadWeatherXml(fetch_, this);
  if (result == FetchResult::Cancelled || !self || unloaded_) return;
  if (result != FetchResult::Ok) return fail(QString());  // the download told the user

  const auto weather = ParseOpenMeteoForecast(v.downloadedText, imperial, v.languageCode == "en");
  if (!weather)
    return fail(
        QStringLiteral("Ha habido algún error, pruebe a cambiar de servidor a través de "
                       "Mapas en 'Método de datos'"));
  OwmFields fields = weather->fields;
  fields.cityName = v.city;
  const QString icon =
      QUrl::fromLocalFile(
          QString::fromStdString(settings::ShippedFile(weather->iconFile.toStdString())))
          .toString(QUrl::FullyEncoded);
  TextHtml2 = OpenWeatherMapBody(fields, v.country, QString::fromLatin1(kSourceSite), icon);
  if (!PageOutput(false) || !self || unloaded_) return;
  ShowPanel();
}

}  // namespace weather
