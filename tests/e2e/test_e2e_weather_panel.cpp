// The weather panel as a person sees it, with the program folder apart from
// the executable's: its background picture, the condition icon from the icon
// host, every line inside the panel without a scroll bar, the viewer filled by
// its page in both sizes, and no earlier values after a failed download.
#include <QImage>
#include <QPainter>

#include "support/E2eProgram.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"
#include "support/WeatherAnswers.h"

using namespace testsupport;
using E2eWeatherPanel = E2eTest;

namespace {

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

QImage Shot(const std::string& window, const std::filesystem::path& file) {
  if (Shell("import -window " + window + " '" + file.string() + "' 2>/dev/null") != 0)
    return QImage();
  return QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_RGB32);
}

template <typename Pred>
int Count(const QImage& img, const QRect& area, Pred pred) {
  int n = 0;
  const QRect r = area & img.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += pred(img.pixel(x, y));
  return n;
}

// Where the rice paper shows: the panel.
QRect PaperBox(const QImage& img) {
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (Rice(img.pixel(x, y))) box |= QRect(x, y, 1, 1);
  return box;
}

// The runs of rows with text in them, left of the panel's buttons.
std::vector<std::pair<int, int>> TextLines(const QImage& img, const QRect& panel) {
  std::vector<std::pair<int, int>> lines;
  const QRect text(panel.left(), panel.top(), std::max(panel.width() - 100, 1), panel.height());
  for (int y = text.top(); y <= text.bottom(); ++y) {
    const bool ink = Count(img, QRect(text.left(), y, text.width(), 1), Ink) > 0;
    if (!ink) continue;
    if (!lines.empty() && lines.back().second == y - 1)
      lines.back().second = y;
    else
      lines.push_back({y, y});
  }
  // A link's underline is no line of its own.
  lines.erase(std::remove_if(lines.begin(), lines.end(),
                             [](const auto& l) { return l.second - l.first < 3; }),
              lines.end());
  return lines;
}

struct Size {
  const char* setting;
  QPoint moreInfo;  // the button's middle in the viewer
};

void Scenario(const Size& size) {
  E2eProgram p;
  // The satellite picture: plain orange.
  QImage satellite(855, 520, QImage::Format_RGB32);
  satellite.fill(QColor(255, 128, 0));
  ASSERT_TRUE(satellite.save(QString::fromStdString((p.home() / "sat.jpg").string()), "JPG", 95));
  QImage icon(50, 50, QImage::Format_ARGB32);
  icon.fill(QColor(255, 0, 255));
  ASSERT_TRUE(icon.save(QString::fromStdString((p.home() / "icon.png").string()), "PNG"));
  LocalHttpServer server;
  server.Set("/", LocalHttpServer::Answer(200, "up"));
  server.Set("/WxImages/Satellite/europ.jpg",
             LocalHttpServer::Answer(200, QByteArray::fromStdString(ReadFile(p.home() / "sat.jpg")),
                                     "image/jpeg"));
  server.Set("/data/2.5/weather",
             LocalHttpServer::Answer(200, weathertest::OwmAnswer(), "application/xml"));
  server.Set("/img/w/01d.png",
             LocalHttpServer::Answer(
                 200, QByteArray::fromStdString(ReadFile(p.home() / "icon.png")), "image/png"));
  const std::string url = server.Url("").toStdString();
  p.WriteOptions(
      "[Settings]\r\nHotkeys=Verdadero\r\nMetodoDatos=OpenWeatherMap\r\ncodecity="
      "1234567\r\nTamaño=" +
      std::string(size.setting) + "\r\n[Servidores]\r\nConexion=" + url.substr(7) +
      "\r\nSatelite=" + url + "\r\nOpenWeatherMap=" + url + "\r\nOpenWeatherMapWeb=" + url +
      "\r\n");
  // The program folder holds no picture: they ship beside the executable.
  ASSERT_FALSE(std::filesystem::exists(p.folder() / "Rice_Field.jpg"));
  ASSERT_TRUE(p.Start());

  HotKey('w');
  std::string viewer;
  ASSERT_TRUE(SpinUntil([&] { return !(viewer = WindowNamed("Mapa del tiempo")).empty(); }, 20000));
  const auto orange = [](QRgb c) { return qRed(c) > 235 && qGreen(c) > 100 && qGreen(c) < 150; };
  QImage shot;
  ASSERT_TRUE(SpinUntil(
      [&] {
        shot = Shot(viewer, p.home() / "viewer.png");
        return Count(shot, shot.rect(), orange) > 100000;
      },
      30000));
  // The page covers the whole window: no strip of the window's grey below it.
  const QRect bottom(0, shot.height() - 4, shot.width() - 140, 4);
  EXPECT_EQ(Count(shot, bottom, Grey), 0) << size.setting << ": grey strip under the image";

  Shell("xdotool mousemove --window " + viewer + " " + std::to_string(size.moreInfo.x()) + " " +
        std::to_string(size.moreInfo.y()) + " click 1");
  ASSERT_TRUE(SpinUntil(
      [&] {
        shot = Shot(viewer, p.home() / "panel.png");
        return Count(shot, shot.rect(), Magenta) > 1500;
      },
      30000))
      << size.setting << ": the icon from the icon host never showed";
  SpinUntil([] { return false; }, 1500);  // the panel takes its page's size
  shot = Shot(viewer, p.home() / "panel.png");
  const QRect panel = PaperBox(shot);
  ASSERT_GT(Count(shot, panel, Rice), 15000) << size.setting << ": no background picture";
  EXPECT_GT(Count(shot, panel, Magenta), 1500) << "the icon is not on the panel";

  // Link, condition and pressure, temperature, humidity and wind, last update.
  const auto lines = TextLines(shot, panel);
  EXPECT_EQ(lines.size(), 5u) << size.setting << ": lines cut off or wrapped";
  EXPECT_LE(lines.back().second, panel.bottom() - 2) << "the last line touches the panel's edge";
  const QRect right(panel.right() - 14, panel.top() + 30, 15, panel.height() - 30);
  const QRect under(panel.left(), panel.bottom() - 14, panel.width(), 15);
  EXPECT_LT(Count(shot, right, Grey), right.width() * right.height() / 5) << "a scroll bar";
  EXPECT_LT(Count(shot, under, Grey), under.width() * under.height() / 5) << "a scroll bar";

  // Closed, then opened again while the service fails: no values of before.
  const QPoint close = panel.topRight() + QPoint(-8, 8);
  Shell("xdotool mousemove --window " + viewer + " " + std::to_string(close.x()) + " " +
        std::to_string(close.y()) + " click 1");
  ASSERT_TRUE(SpinUntil(
      [&] {
        shot = Shot(viewer, p.home() / "viewer.png");
        return Count(shot, shot.rect(), Magenta) == 0;
      },
      5000));
  server.Set("/data/2.5/weather", LocalHttpServer::Answer(500, "no"));
  Shell("xdotool mousemove --window " + viewer + " " + std::to_string(size.moreInfo.x()) + " " +
        std::to_string(size.moreInfo.y()) + " click 1");
  std::string error;
  ASSERT_TRUE(SpinUntil([&] { return !(error = WindowNamed("^Error$")).empty(); }, 20000));
  Shell("xdotool windowactivate --sync " + error + " sleep 0.2 key Return");
  SpinUntil([] { return false; }, 2000);
  const QImage screen = Shot("root", p.home() / "screen.png");
  EXPECT_EQ(Count(screen, screen.rect(), Magenta), 0) << "the earlier icon shows";
  const QRect empty = PaperBox(screen);
  EXPECT_GT(Count(screen, empty, Rice), 15000) << "no empty panel";
  EXPECT_TRUE(TextLines(screen, empty).empty()) << "the earlier values show";

  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

}  // namespace

TEST_F(E2eWeatherPanel, LargeViewer) {
  CoreApp();
  Scenario({"Grande", QPoint(11500 / 15 + 40, 7500 / 15 + 11)});
}

TEST_F(E2eWeatherPanel, SmallViewer) {
  CoreApp();
  Scenario({"Pequeño", QPoint(9400 / 15 + 40, 7000 / 15 + 11)});
}
