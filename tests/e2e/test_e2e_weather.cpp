// The weather corner end to end, once with each source: Alt+W opens the viewer, which shows the
// region's picture from the map service or from the "Satelite" path; "More Info" shows the
// current weather from the key-free source or from OpenWeatherMap. Every service is a server on
// 127.0.0.1.
#include <QDateTime>
#include <QImage>
#include <QUrlQuery>
#include <algorithm>

#include "support/E2eProgram.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"
#include "support/WeatherAnswers.h"
#include "weather/SatelliteWms.h"

using namespace testsupport;

namespace {

QImage Shot(const std::string& window, const std::filesystem::path& file) {
  if (Shell("import -window " + window + " '" + file.string() + "' 2>/dev/null") != 0)
    return QImage();
  return QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

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
       keyFree ? QStringList{"Despejado", "Temp: 16,4 &deg;C", "Viento: SW 12,6 k/h",
                             QStringLiteral("Última act.: 07/12/2026 19:00<")}
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

namespace {

// The highlight of the list's chosen row.
bool Blue(QRgb c) { return qBlue(c) > 150 && qBlue(c) - qRed(c) > 70; }

// The rows of the window where the list's highlight bar is: the longest run of rows that are
// mostly blue (a focus frame's edge is one row).
std::pair<int, int> Highlight(const QImage& shot) {
  std::pair<int, int> best{-1, -2}, run{-1, -2};
  for (int y = 0; y < shot.height(); ++y) {
    int blue = 0;
    for (int x = 0; x < shot.width(); ++x) blue += Blue(shot.pixel(x, y));
    if (blue < shot.width() / 4) continue;
    run = run.second == y - 1 ? std::pair{run.first, y} : std::pair{y, y};
    if (run.second - run.first > best.second - best.first) best = run;
  }
  return best;
}

}  // namespace

// The settings window's look-up with the key-free source, typed and clicked as a person does:
// a name nothing answers to keeps the old place and says so; a look-up stores the place it
// lists first, never one off the globe; the list shows five places without scrolling, and
// choosing one stores it whole.
using WeatherLookUp = E2eTest;

TEST_F(WeatherLookUp, TheLookUpChangesThePlaceWhole) {
  CoreApp();
  E2eProgram p;
  LocalHttpServer server;
  const std::string url = server.Url("").toStdString();
  server.Set("/", LocalHttpServer::Answer(200, "up"));
  server.Set("/wms.cgi", LocalHttpServer::Answer(200, OrangeSatelliteJpeg(), "image/jpeg"));
  const auto answer = [&](const QByteArray& places) {
    server.Set("/geo/v1/search", LocalHttpServer::Answer(200, places, "application/json"));
  };
  answer(weathertest::MeteoNoPlaces());
  p.WriteOptions("[Servidores]\r\nConexion=" + url.substr(7) + "\r\nSateliteWMS=" + url +
                 "/wms.cgi\r\nOpenMeteoLugares=" + url +
                 "/geo\r\n[Settings]\r\nHotkeys=Verdadero\r\nLatitud=36.72016\r\n"
                 "Longitud=-4.42034\r\nCiudad=Málaga\r\nPaís=ES\r\ncodecity=2514256\r\n");
  const auto place = [&] {
    std::string all;
    for (const char* key : {"Ciudad", "País", "codecity", "Latitud", "Longitud"})
      all += p.Option("Settings", key) + "|";
    return all;
  };
  const std::string malaga = "Málaga|ES|2514256|36.72016|-4.42034|";
  ASSERT_TRUE(p.Start());
  HotKey('w');
  std::string viewer, maps;
  ASSERT_TRUE(SpinUntil([&] { return !(viewer = WindowNamed("Mapa del tiempo")).empty(); }, 20000));
  // "Ajustes", above "More Info" in the large layout.
  Shell("xdotool mousemove --window " + viewer + " 806 441 click 1");
  ASSERT_TRUE(SpinUntil([&] { return !(maps = WindowNamed("Mapas y ciudades")).empty(); }, 20000));

  // From the region list to the city, a name nobody knows, then "Buscar".
  Keys(maps, "key Tab Tab ctrl+a");
  Keys(maps, "type Nowhere");
  Keys(maps, "key Tab space");
  std::string error;
  ASSERT_TRUE(SpinUntil([&] { return !(error = WindowNamed("^Error$")).empty(); }, 20000));
  EXPECT_EQ(server.targets.back(), "/geo/v1/search?name=Nowhere&count=10&language=es&format=json");
  Shell("xdotool windowactivate --sync " + error + " sleep 0.2 key Return");
  ASSERT_TRUE(SpinUntil([&] { return WindowNamed("^Error$").empty(); }, 5000));
  EXPECT_EQ(place(), malaga) << "a look-up that found nothing changed the place";

  // The focus is back on the city.
  answer(weathertest::MeteoManyPlaces(8));
  Keys(maps, "key ctrl+a");
  Keys(maps, "type Lugar");
  Keys(maps, "key Tab space");
  // Each key is its own write of the file: the place is read once all are in.
  const std::string lugar2 = "Lugar 2|ES|1002|40.2|-3.5|";
  EXPECT_TRUE(SpinUntil([&] { return place() == lugar2; }, 20000)) << place();

  // On the first place, then four down: the bar goes four rows down, nothing scrolls.
  QImage shot;
  std::pair<int, int> first, fifth;
  ASSERT_TRUE(SpinUntil(
      [&] {
        shot = Shot(maps, p.home() / "maps.png");
        first = Highlight(shot);
        return first.second - first.first >= 8;
      },
      10000));
  const int middle = (first.first + first.second) / 2;
  int left = shot.width(), right = 0;
  for (int x = 0; x < shot.width(); ++x)
    if (Blue(shot.pixel(x, middle))) left = std::min(left, x), right = std::max(right, x);
  Shell("xdotool mousemove --window " + maps + " " + std::to_string((left + right) / 2) + " " +
        std::to_string(middle) + " click 1");
  Keys(maps, "key Down Down Down Down");
  EXPECT_TRUE(SpinUntil([&] { return place() == "Lugar 6|ES|1006|40.6|-3.5|"; }, 10000)) << place();
  ASSERT_TRUE(SpinUntil(
      [&] {
        fifth = Highlight(shot = Shot(maps, p.home() / "maps.png"));
        return fifth.first > first.first;
      },
      5000));
  const int row = fifth.second - fifth.first + 1;
  EXPECT_NEAR(fifth.second - first.second, 4 * row, 2)
      << "bar at rows " << first.first << "-" << first.second << ", then " << fifth.first << "-"
      << fifth.second;
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
