// The weather corner end to end, once with each source: Alt+W opens the viewer, which shows the
// region's picture from the map service or from the "Satelite" path; "More Info" shows the
// current weather from the key-free source or from OpenWeatherMap. Every service is a server on
// 127.0.0.1.
#include <QDateTime>
#include <QUrlQuery>

#include "support/E2eProgram.h"
#include "support/LocalHttpServer.h"
#include "support/OpenMeteoAnswers.h"
#include "support/QtApp.h"
#include "support/WeatherAnswers.h"
#include "weather/SatelliteWms.h"

using namespace testsupport;

struct WeatherCorner : E2eTest, ::testing::WithParamInterface<bool> {};

TEST_P(WeatherCorner, AltWShowsThePictureAndMoreInfoTheWeather) {
  const bool keyFree = GetParam();
  CoreApp();
  E2eProgram p;
  const QByteArray jpeg = OrangeSatelliteJpeg();
  ASSERT_FALSE(jpeg.isEmpty());
  LocalHttpServer server;
  const std::string url = server.Url("").toStdString();
  server.Set("/", LocalHttpServer::Answer(200, "up"));
  // The check puts "https://" before any address that lacks it: host and port only.
  std::string options = "[Servidores]\r\nConexion=" + url.substr(7) + "\r\n";
  if (keyFree) {
    server.Set("/wms.cgi", LocalHttpServer::Answer(200, jpeg, "image/jpeg"));
    server.Set("/v1/forecast",
               LocalHttpServer::Answer(200, weathertest::MeteoForecast(false, "", "0"),
                                       "application/json"));
    // What the look-up and the settings window store; the data source is the new file's default.
    options += "SateliteWMS=" + url + "/wms.cgi\r\nOpenMeteo=" + url +
               "\r\n[Settings]\r\nLatitud=36.72016\r\nLongitud=-4.42034\r\nCiudad=Málaga\r\n"
               "País=ES\r\ncodecity=2514256\r\nTamaño=Grande\r\n";
  } else {
    server.Set("/WxImages/Satellite/europ.jpg", LocalHttpServer::Answer(200, jpeg, "image/jpeg"));
    server.Set("/data/2.5/weather",
               LocalHttpServer::Answer(200, weathertest::OwmAnswer(), "text/xml"));
    options += "Satelite=" + url + "\r\nOpenWeatherMap=" + url +
               "\r\n[Settings]\r\nMetodoDatos=OpenWeatherMap\r\ncodecity=1234567\r\nPaís=ES\r\n";
  }
  p.WriteOptions(options + "Hotkeys=Verdadero\r\n");
  ASSERT_TRUE(p.Start());

  HotKey('w');
  std::string viewer;
  ASSERT_TRUE(SpinUntil([&] { return !(viewer = WindowNamed("Mapa del tiempo")).empty(); }, 20000));
  const auto orange = [](QRgb c) {
    return qRed(c) > 235 && qGreen(c) > 108 && qGreen(c) < 148 && qBlue(c) < 30;
  };
  int n = 0;
  EXPECT_TRUE(SpinUntil(
      [&] { return (n = CountPixels(viewer, p.home() / "w.png", orange)) > 5000; }, 30000))
      << n << " orange samples";
  if (keyFree) {
    // The GetMap the viewer sent: Europe's box at the large picture's size, in JPEG.
    QString getMap;
    for (const QString& target : server.targets)
      if (target.startsWith("/wms.cgi?")) getMap = target;
    ASSERT_FALSE(getMap.isEmpty()) << server.targets.join(' ').toStdString();
    const QUrlQuery asked(QUrl(getMap).query());
    const QUrlQuery expected(QUrl(weather::WmsGetMapAddress("/wms.cgi", "europ", 855, 520,
                                                            QDateTime::currentDateTimeUtc().date()))
                                 .query());
    for (const char* key : {"REQUEST", "LAYERS", "CRS", "BBOX", "WIDTH", "HEIGHT", "FORMAT"})
      EXPECT_EQ(asked.queryItemValue(key), expected.queryItemValue(key)) << key;
    EXPECT_EQ(asked.queryItemValue("LAYERS"), "VIIRS_SNPP_CorrectedReflectance_TrueColor");
    EXPECT_EQ(asked.queryItemValue("FORMAT"), "image/jpeg");
  } else {
    EXPECT_GE(server.Requests("/WxImages/Satellite/europ.jpg"), 1);
  }

  // "More Info" sits at the lower right of the large layout.
  Shell("xdotool mousemove --window " + viewer + " 806 511 click 1");
  const auto page = [&] { return QString::fromStdString(ReadFile(p.folder() / "weather.htm")); };
  const QString shown =
      keyFree ? QStringLiteral("Málaga</a> (ES)") : QStringLiteral("Madrid</a> (ES)");
  ASSERT_TRUE(SpinUntil([&] { return page().contains(shown); }, 20000)) << page().toStdString();
  // In the program's Spanish locale.
  for (const QString& text :
       keyFree ? QStringList{"Despejado", "Temp: 16,4 &deg;C", "Viento: SW 12,6 k/h"}
               : QStringList{"cielo claro", "Temp: 20,5 &deg;C", "Viento: 18 k/h"})
    EXPECT_TRUE(page().contains(text)) << text.toStdString() << "\n" << page().toStdString();
  EXPECT_EQ(server.Requests(keyFree ? "/v1/forecast" : "/data/2.5/weather"), 1);
  if (keyFree) {
    // The sun of our own picture, on the panel docked in the viewer's corner.
    const auto sun = [](QRgb c) {
      return qRed(c) > 235 && qGreen(c) > 175 && qGreen(c) < 225 && qBlue(c) < 90;
    };
    EXPECT_TRUE(
        SpinUntil([&] { return (n = CountPixels(viewer, p.home() / "i.png", sun)) > 4; }, 20000))
        << n << " sun samples";
  }
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

INSTANTIATE_TEST_SUITE_P(EachSource, WeatherCorner, ::testing::Values(true, false),
                         [](const auto& param) {
                           return param.param ? "OpenMeteoAndMapService" : "OpenWeatherMapAndPath";
                         });
