// Makes the condition pictures of the weather page for the key-free source, one for each group of
// weather codes: clear, partly cloudy, cloudy, fog, drizzle, rain, snow, showers, thunderstorm.
// 50 x 50 pixels, transparent around the drawing, so they sit on either page background.
// To remake them, from the source folder, with the build folder configured:
//
// clang-format off
//   cmake --build build --target make_weather_icons && build/assets/generator/make_weather_icons assets
// clang-format on
//
// Plain shapes only, no fonts and no noise: the same source always gives the same files.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kSide = 50;
const QColor kSun(255, 196, 32), kSunEdge(224, 132, 16);
const QColor kCloud(246, 248, 252), kCloudEdge(120, 132, 150);
const QColor kDarkCloud(150, 158, 172), kDarkEdge(78, 86, 100);
const QColor kWater(40, 120, 220), kSnow(120, 170, 230), kBolt(255, 214, 40);

void Sun(QPainter& p, QPointF c, double r) {
  p.setPen(QPen(kSunEdge, 2.2, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 8; ++i) {
    const double a = i * M_PI / 4;
    p.drawLine(QPointF(c.x() + std::cos(a) * r * 1.35, c.y() + std::sin(a) * r * 1.35),
               QPointF(c.x() + std::cos(a) * r * 1.85, c.y() + std::sin(a) * r * 1.85));
  }
  QRadialGradient g(c - QPointF(r / 3, r / 3), r * 1.4);
  g.setColorAt(0, kSun.lighter(125));
  g.setColorAt(1, kSun);
  p.setBrush(g);
  p.setPen(QPen(kSunEdge, 1.5));
  p.drawEllipse(c, r, r);
}

// A cloud of three puffs on a flat base; left, top, width as the base's box.
void Cloud(QPainter& p, double x, double y, double w, bool dark) {
  const double h = w * 0.55;
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);  // the puffs' overlaps are inside, not holes
  path.addRoundedRect(QRectF(x, y + h * 0.45, w, h * 0.55), h * 0.27, h * 0.27);
  path.addEllipse(QRectF(x + w * 0.08, y + h * 0.22, w * 0.42, w * 0.42));
  path.addEllipse(QRectF(x + w * 0.30, y, w * 0.48, w * 0.48));
  path.addEllipse(QRectF(x + w * 0.58, y + h * 0.30, w * 0.34, w * 0.34));
  path = path.simplified();
  QLinearGradient g(0, y, 0, y + h);
  g.setColorAt(0, dark ? kDarkCloud.lighter(115) : kCloud);
  g.setColorAt(1, dark ? kDarkCloud : kCloud.darker(108));
  p.setBrush(g);
  p.setPen(QPen(dark ? kDarkEdge : kCloudEdge, 1.5));
  p.drawPath(path);
}

void Drops(QPainter& p, double y, int count, double length) {
  p.setPen(QPen(kWater, 2.4, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < count; ++i) {
    const double x = 14 + i * (24.0 / std::max(1, count - 1));
    p.drawLine(QPointF(x, y), QPointF(x - length * 0.35, y + length));
  }
}

void Flake(QPainter& p, QPointF c, double r) {
  p.setPen(QPen(kSnow, 1.8, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 3; ++i) {
    const double a = i * M_PI / 3 + M_PI / 6;
    p.drawLine(c + QPointF(std::cos(a) * r, std::sin(a) * r),
               c - QPointF(std::cos(a) * r, std::sin(a) * r));
  }
}

QImage Draw(const std::function<void(QPainter&)>& draw) {
  QImage img(kSide, kSide, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_weather_icons FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]) + "/";
  // The names are the ones the page asks for.
  const std::pair<const char*, std::function<void(QPainter&)>> icons[] = {
      {"tiempo_despejado.png",
       [](QPainter& p) {
         Sun(p, {25, 25}, 10);
       }},
      {"tiempo_intervalos.png",
       [](QPainter& p) {
         Sun(p, {18, 17}, 8);
         Cloud(p, 14, 20, 32, false);
       }},
      {"tiempo_nuboso.png",
       [](QPainter& p) {
         Cloud(p, 4, 8, 30, true);
         Cloud(p, 12, 18, 34, false);
       }},
      {"tiempo_niebla.png",
       [](QPainter& p) {
         Cloud(p, 8, 4, 34, false);
         p.setPen(QPen(kCloudEdge, 2.6, Qt::SolidLine, Qt::RoundCap));
         for (int i = 0; i < 3; ++i)
           p.drawLine(QPointF(8 + (i % 2) * 4, 31 + i * 6), QPointF(42 - (i % 2) * 4, 31 + i * 6));
       }},
      {"tiempo_llovizna.png",
       [](QPainter& p) {
         Cloud(p, 7, 4, 36, false);
         Drops(p, 32, 4, 5);
       }},
      {"tiempo_lluvia.png",
       [](QPainter& p) {
         Cloud(p, 7, 4, 36, true);
         Drops(p, 31, 4, 11);
       }},
      {"tiempo_nieve.png",
       [](QPainter& p) {
         Cloud(p, 7, 4, 36, false);
         for (QPointF c : {QPointF(15, 36), QPointF(25, 42), QPointF(35, 36)}) Flake(p, c, 5);
       }},
      {"tiempo_chubascos.png",
       [](QPainter& p) {
         Sun(p, {16, 14}, 7);
         Cloud(p, 10, 12, 34, true);
         Drops(p, 35, 3, 9);
       }},
      {"tiempo_tormenta.png",
       [](QPainter& p) {
         Cloud(p, 6, 3, 38, true);
         QPolygonF bolt({{27, 28}, {19, 39}, {25, 39}, {21, 49}, {33, 35}, {27, 35}, {31, 28}});
         p.setBrush(kBolt);
         p.setPen(QPen(kSunEdge, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
         p.drawPolygon(bolt);
       }},
  };
  for (const auto& [name, draw] : icons)
    if (!Draw(draw).save(folder + name, "PNG")) return 1;
  return 0;
}
