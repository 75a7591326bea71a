// The weather corner end to end, every service a server on 127.0.0.1.
#include <QBuffer>
#include <QStringList>
#include <tuple>

#include "support/E2eProgram.h"
#include "support/LocalHttpServer.h"
#include "support/WeatherAnswers.h"

using namespace testsupport;
using E2eWeather = E2eTest;

namespace {

// A picture of one colour no page has, as the servers answer it, found on the screen by it.
QByteArray Plain(QColor colour, QSize size, const char* format) {
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(colour);
  QByteArray bytes;
  QBuffer out(&bytes);
  out.open(QIODevice::WriteOnly);
  picture.save(&out, format, 95);
  return bytes;
}
const QByteArray kSatellite = Plain(QColor(255, 128, 0), {855, 520}, "JPG");
bool Orange(QRgb c) { return qRed(c) > 235 && qGreen(c) > 108 && qGreen(c) < 148 && qBlue(c) < 30; }
// The rice paper: pale cream, clearly less blue than red (not white, not grey).
bool Rice(QRgb c) {
  return qRed(c) >= 218 && qGreen(c) >= 210 && qBlue(c) >= 185 && qBlue(c) <= 236 &&
         qRed(c) - qBlue(c) >= 14;
}
// The icon the test's host serves: pure magenta, which no page here has.
bool Magenta(QRgb c) { return qRed(c) > 220 && qGreen(c) < 40 && qBlue(c) > 220; }
// Text: dark in red and green (black text, blue links), which the icon is not.
bool Ink(QRgb c) { return qRed(c) < 110 && qGreen(c) < 110; }
// The window's own grey, or a scroll bar's.
bool Grey(QRgb c) {
  return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && qRed(c) >= 150 && qRed(c) <= 245;
}

// Where the rice paper shows: the panel.
QRect PaperBox(const QImage& img) {
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (Rice(img.pixel(x, y))) box |= QRect(x, y, 1, 1);
  return box;
}

// The last row of each run of 4+ rows with text left of the panel's buttons (no underline).
std::vector<int> TextLines(const QImage& img, const QRect& panel) {
  std::vector<int> lines;
  for (int y = panel.top(), run = 0; y <= panel.bottom() + 1; ++y) {
    const QRect row(panel.left(), y, std::max(panel.width() - 100, 1), 1);
    const bool ink = y <= panel.bottom() && Count(img, Ink, row) > 0;
    if (!ink && run > 3) lines.push_back(y - 1);
    run = ink ? run + 1 : 0;
  }
  return lines;
}

void Click(const std::string& window, QPoint at) {
  Shell("xdotool mousemove --window " + window + " " + std::to_string(at.x()) + " " +
        std::to_string(at.y()) + " click 1");
}

}  // namespace

// The key-free source and OpenWeatherMap in the large viewer, OpenWeatherMap in the small one.
TEST_F(E2eWeather, EachSourcesWeatherShowsWithItsIconFitsItsPanelAndAFailureShowsNoEarlierValues) {
  CoreApp();
  const QByteArray png = Plain(QColor(255, 0, 255), {50, 50}, "PNG");
  // The size, its "More Info" button's middle in the viewer, whether from OpenWeatherMap.
  for (const auto& [size, moreInfo, owm] :
       {std::tuple{"Grande", QPoint(11500 / 15 + 40, 7500 / 15 + 11), false},
        {"Grande", QPoint(11500 / 15 + 40, 7500 / 15 + 11), true},
        {"Pequeño", QPoint(9400 / 15 + 40, 7000 / 15 + 11), true}}) {
    SCOPED_TRACE(std::string(size) + (owm ? ", OpenWeatherMap" : ", key-free"));
    E2eProgram p;
    LocalHttpServer server;
    const std::string url = server.Url("").toStdString();
    server.Set("/", LocalHttpServer::Answer(200, "up"));
    for (const char* path : {"/wms.cgi", "/WxImages/Satellite/europ.jpg"})
      server.Set(path, LocalHttpServer::Answer(200, kSatellite, "image/jpeg"));
    server.Set("/data/2.5/weather",
               LocalHttpServer::Answer(200, weathertest::OwmAnswer(), "application/xml"));
    server.Set("/img/w/01d.png", LocalHttpServer::Answer(200, png, "image/png"));
    server.Set("/v1/forecast",
               LocalHttpServer::Answer(200, weathertest::MeteoForecast(false, "", "0"),
                                       "application/json"));
    // The key-free source is the new file's default; the rest is what the look-up stores. The
    // check puts "https://" before any address that lacks it: host and port only.
    p.WriteOptions("[Servidores]\r\nConexion=" + url.substr(7) + "\r\n" +
                   (owm ? "Satelite=" + url + "\r\nOpenWeatherMap=" + url +
                              "\r\nOpenWeatherMapWeb=" + url +
                              "\r\n[Settings]\r\nMetodoDatos=OpenWeatherMap\r\ncodecity=1234567\r\n"
                        : "SateliteWMS=" + url + "/wms.cgi\r\nOpenMeteo=" + url +
                              "\r\n[Settings]\r\nLatitud=36.72016\r\nLongitud=-4.42034\r\n"
                              "Ciudad=Málaga\r\nPaís=ES\r\ncodecity=2514256\r\n") +
                   "Hotkeys=Verdadero\r\nTamaño=" + size + "\r\n");
    ASSERT_TRUE(p.Start());
    HotKey('w');
    const std::string viewer = AwaitWindow("Mapa del tiempo", 20000);
    ASSERT_TRUE(WaitFor([&] { return Count(Shot(viewer), Orange) > 80000; }, 30000))
        << "no satellite picture";
    // The page covers the whole window: no strip of the window's grey below it.
    QImage shot = Shot(viewer);
    EXPECT_EQ(Count(shot, Grey, QRect(0, shot.height() - 4, shot.width() - 140, 4)), 0)
        << "grey strip under the image";

    Click(viewer, moreInfo);
    // In the program's Spanish locale.
    const QStringList texts =
        owm ? QStringList{"Madrid</a>", "cielo claro", "Temp: 20,5 &deg;C", "Viento: 18 k/h"}
            : QStringList{"Málaga</a> (ES)", "Despejado", "Temp: 16,4 &deg;C",
                          "Viento: SW 12,6 k/h", "Última act.: 07/12/2026 19:00<"};
    const auto page = [&] { return QString::fromStdString(ReadFile(p.folder() / "weather.htm")); };
    for (const QString& text : texts)
      EXPECT_TRUE(WaitFor([&] { return page().contains(text); }, 20000)) << text.toStdString();
    if (!owm) {  // the sun of our own picture, on the panel docked in the viewer's corner
      EXPECT_EQ(server.Requests("/v1/forecast"), 1);
      const auto sun = [](QRgb k) {
        return qRed(k) > 235 && qGreen(k) > 175 && qGreen(k) < 225 && qBlue(k) < 90;
      };
      EXPECT_TRUE(WaitFor([&] { return Count(Shot(viewer), sun) > 64; }, 20000));
      EXPECT_EQ(p.Stop(SIGTERM), 0);
      continue;
    }
    const auto magenta = [&] { return Count(shot = Shot(viewer), Magenta); };
    ASSERT_TRUE(WaitFor([&] { return magenta() > 1500; }, 30000)) << "no icon from the icon host";
    Pause(1500);  // the panel takes its page's size
    shot = Shot(viewer);
    const QRect panel = PaperBox(shot);
    ASSERT_GT(Count(shot, Rice, panel), 15000) << "no background picture";
    EXPECT_GT(Count(shot, Magenta, panel), 1500) << "the icon is not on the panel";
    // Link, condition and pressure, temperature, humidity and wind, last update.
    const auto lines = TextLines(shot, panel);
    EXPECT_EQ(lines.size(), 5u) << "lines cut off or wrapped";
    EXPECT_LE(lines.back(), panel.bottom() - 2) << "the last line touches the panel's edge";
    const QRect right(panel.right() - 14, panel.top() + 30, 15, panel.height() - 30);
    const QRect under(panel.left(), panel.bottom() - 14, panel.width(), 15);
    for (const QRect& edge : {right, under})
      EXPECT_LT(Count(shot, Grey, edge), edge.width() * edge.height() / 5) << "a scroll bar";

    // Closed, then opened again while the service fails.
    Click(viewer, panel.topRight() + QPoint(-8, 8));
    ASSERT_TRUE(WaitFor([&] { return magenta() == 0; }, 5000));
    server.Set("/data/2.5/weather", LocalHttpServer::Answer(500, "no"));
    Click(viewer, moreInfo);
    ASSERT_NE(Keys("^Error$", "key Return", 20000), "");
    Pause(2000);
    const QImage screen = Shot("root");
    EXPECT_EQ(Count(screen, Magenta), 0) << "the earlier icon shows";
    const QRect empty = PaperBox(screen);
    EXPECT_GT(Count(screen, Rice, empty), 15000) << "no empty panel";
    EXPECT_TRUE(TextLines(screen, empty).empty()) << "the earlier values show";
    EXPECT_EQ(p.Stop(SIGTERM), 0);
  }
}
