#include "weather/WeatherMaps.h"

#include "app/settings/Options.h"
#include "platform/MessageBox.h"
#include "tools/InternetCheck.h"
#include "weather/FrmWeather.h"

namespace weather {

WeatherMapsTool::WeatherMapsTool()
    : Tool({tools::MenuPlace::Utilities, "MnuMaps",
            QStringLiteral("Mapa Satélite Meteorológico -- Alt + w"), 'W',
            tools::KeyRepeat::WhileHeld}) {}

void WeatherMapsTool::Open(tools::ToolHost& host) {
  std::string address = app::Options().Text(app::Key::ConnectionCheckServer);
  if (tools::IsInternetReachable(address)) {
    FrmWeather::Open();
    return;
  }
  platform::MsgBox(QStringLiteral("Problemas al conectar, compruebe su conexión a internet o "
                                  "vuélvalo a intentar."),
                   platform::kExclamation, QStringLiteral("Error-Info WasteWell"),
                   host.HostWindow());
}

}  // namespace weather
