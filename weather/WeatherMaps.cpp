#include "weather/WeatherMaps.h"

#include <QPointer>

#include "platform/MessageBox.h"
#include "settings/Options.h"
#include "tools/InternetCheck.h"
#include "weather/FrmWeather.h"

namespace weather {

WeatherMapsTool::WeatherMapsTool()
    : Tool({tools::MenuPlace::Utilities, "MnuMaps",
            QStringLiteral("Mapa Satélite Meteorológico -- Alt + w"), 'W'}) {}

WeatherMapsTool::~WeatherMapsTool() = default;

// The check waits on the network off the interface thread; the bin and its
// hot keys go on meanwhile. A request while one is on its way adds nothing.
void WeatherMapsTool::Open(tools::ToolHost& host) {
  if (checking_) return;
  checking_ = std::make_unique<QObject>();
  tools::CheckInternet(settings::Options().Text(settings::Key::ConnectionCheckServer),
                       checking_.get(), [this, &host](bool reachable) {
                         if (reachable) {
                           checking_.reset();
                           FrmWeather::Open();
                           return;
                         }
                         // Until the message is answered a request adds nothing either.
                         platform::MsgBoxThen(
                             QStringLiteral("Problemas al conectar, compruebe su conexión a "
                                            "internet o vuélvalo a intentar."),
                             platform::kExclamation, QStringLiteral("Error-Info WasteWell"),
                             host.HostWindow(),
                             [this, pending = QPointer<QObject>(checking_.get())](int) {
                               if (pending) checking_.reset();  // else the tool went first
                             });
                       });
}

}  // namespace weather
