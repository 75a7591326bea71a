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

namespace weather {
namespace {

QString Read(settings::Key key) { return QString::fromStdString(settings::Options().Text(key)); }

// The service asks to be named where its data is shown.
constexpr const char* kSourceSite = "https://open-meteo.com/";

}  // namespace

void FrmDataWeather::OpenMeteo() {
  // Whatever happens now, an earlier answer's page is not shown as this one.
  const QString page = QString::fromStdString(settings::ProgramFile("weather.htm"));
  if (ExisteArchivo(page)) QFile::remove(page);
  // The message, if any, then the panel closes.
  auto fail = [this](const QString& text) {
    if (text.isEmpty()) {
      close();
      return;
    }
    // Closing or destroying the panel takes the ticket with it.
    platform::MsgBoxThen(text, platform::kOkOnly | platform::kExclamation, QStringLiteral("Error"),
                         MessageParent(), [this, ticket = QPointer<QObject>(fetch_.Ticket())](int) {
                           if (ticket) close();
                         });
  };

  const QString latitude = Read(settings::Key::Latitude),
                longitude = Read(settings::Key::Longitude);
  // A position off the globe, as earlier look-ups could store, is no place either.
  if (!IsPlacePosition(latitude, longitude))
    return fail(
        QStringLiteral("Elija primero su ciudad: en 'Ajustes' escriba el país y la ciudad "
                       "y pulse 'Buscar'."));
  const bool imperial = request_.unitCode == "f";
  const QString address =
      OpenMeteoForecastAddress(Read(settings::Key::OpenMeteoServer), latitude, longitude, imperial);
  // The window's own fetch: closed, it runs none of what follows.
  DownloadWeatherXml(
      fetch_, address, MessageParent(),
      [this, imperial, fail](FetchResult result, const QByteArray& text) {
        if (Unloaded()) return;
        if (result != FetchResult::Ok) return fail(QString());  // the download told the user
        downloadedText_ = text;
        const WeatherRequest& r = request_;
        const auto weather = ParseOpenMeteoForecast(text, imperial, r.languageCode == "en");
        if (!weather)
          return fail(
              QStringLiteral("Ha habido algún error, pruebe a cambiar de servidor "
                             "a través de Mapas en 'Método de datos'"));
        OwmFields fields = weather->fields;
        fields.cityName = r.city;
        const QString icon =
            QUrl::fromLocalFile(
                QString::fromStdString(settings::ShippedFile(weather->iconFile.toStdString())))
                .toString(QUrl::FullyEncoded);
        TextHtml2 = OpenWeatherMapBody(fields, r.country, QString::fromLatin1(kSourceSite), icon);
        PageOutput(false, [this] { ShowPanel(); });
      });
}

}  // namespace weather
