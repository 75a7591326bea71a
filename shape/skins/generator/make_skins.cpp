// Draws the ten waste-bin pictures of the bin window (five skins, each empty and full) and writes
// them as icons: one 64x64 image, 8 bits per pixel with a 256-colour palette, and a 1-bit mask.
// To remake them, from the source folder, with the build folder configured (cmake -S . -B build):
//
//   cmake --build build --target make_skins && build/shape/skins/generator/make_skins shape/skins
//
// The window cuts away every pixel of RGB(128,128,128), so no palette entry may be that grey.
// The mask is 1-bit, so the art is drawn four times larger, shrunk, and then cut at half
// coverage; a dark rim is put on every outer edge so the bins read on light and dark desktops.

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace {

constexpr int kSize = 64;
constexpr int kOver = 4;
constexpr double kPi = 3.14159265358979323846;
const QRgb kKey = qRgb(128, 128, 128);

// ---------------------------------------------------------------- drawing helpers

QColor gInk;  // outline colour of the skin being drawn

QPen InkPen(qreal width = 1.0, QColor colour = QColor()) {
  return QPen(colour.isValid() ? colour : gInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Fill(QPainter& p, const QPainterPath& path, const QBrush& brush, qreal line = 1.0) {
  if (line > 0)
    p.setPen(InkPen(line));
  else
    p.setPen(Qt::NoPen);
  p.setBrush(brush);
  p.drawPath(path);
}

void Stroke(QPainter& p, const QPainterPath& path, qreal width, QColor colour = QColor()) {
  p.setPen(InkPen(width, colour));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

// A closed outline through `count` points around c; at(i) gives the angle
// and the radius as a share of r.
template <typename At>
QPainterPath RadialPolygon(QPointF c, qreal r, int count, At at) {
  QPainterPath path;
  for (int i = 0; i < count; ++i) {
    const auto [a, k] = at(i);
    const QPointF pt = c + QPointF(std::cos(a) * r * k, std::sin(a) * r * k);
    if (i == 0)
      path.moveTo(pt);
    else
      path.lineTo(pt);
  }
  path.closeSubpath();
  return path;
}

QPainterPath Ellipse(QPointF c, qreal rx, qreal ry) {
  QPainterPath path;
  path.addEllipse(c, rx, ry);
  return path;
}

QRectF EllipseRect(QPointF c, qreal rx, qreal ry) {
  return QRectF(c.x() - rx, c.y() - ry, 2 * rx, 2 * ry);
}

// The lower (front) half of an ellipse, left to right.
QPainterPath FrontArc(QPointF c, qreal rx, qreal ry) {
  QPainterPath path;
  path.moveTo(c.x() - rx, c.y());
  path.arcTo(EllipseRect(c, rx, ry), 180, 180);
  return path;
}

QLinearGradient Across(qreal x0, qreal x1, QColor edge, QColor light, QColor shade) {
  QLinearGradient g(x0, 0, x1, 0);
  g.setColorAt(0.0, edge);
  g.setColorAt(0.32, light);
  g.setColorAt(0.75, shade);
  g.setColorAt(1.0, edge.darker(115));
  return g;
}

// ---------------------------------------------------------------- paper

// A crumpled ball: a lumpy outline, light from the upper left, a few creases.
void PaperBall(QPainter& p, QPointF c, qreal r, int seed) {
  static const std::array<qreal, 11> kBumps = {1.0, 0.84, 1.06, 0.9,  1.08, 0.83,
                                               1.0, 0.92, 1.07, 0.87, 0.97};
  const int n = static_cast<int>(kBumps.size());
  const QPainterPath path = RadialPolygon(c, r, n, [&](int i) {
    return std::make_pair(2 * kPi * i / n + seed * 0.7, kBumps[(i + seed) % n]);
  });
  QRadialGradient g(c + QPointF(-r * 0.35, -r * 0.45), r * 1.6);
  g.setColorAt(0, QColor(255, 255, 255));
  g.setColorAt(0.55, QColor(0xea, 0xee, 0xf3));
  g.setColorAt(1, QColor(0xaa, 0xb4, 0xc3));
  Fill(p, path, g, 0.9);
  // Creases turned differently on every ball, so that no two read as the same shape.
  const qreal turn = seed * 1.9;
  auto at = [&](qreal dx, qreal dy) {
    return c + QPointF(dx * std::cos(turn) - dy * std::sin(turn),
                       dx * std::sin(turn) + dy * std::cos(turn)) *
                   r;
  };
  QPainterPath crease;
  crease.moveTo(at(-0.6, -0.1));
  crease.lineTo(at(-0.1, 0.15));
  crease.lineTo(at(0.35, -0.45));
  crease.moveTo(at(-0.1, 0.15));
  crease.lineTo(at(0.2, 0.6));
  crease.moveTo(at(0.35, -0.45));
  crease.lineTo(at(0.65, -0.15));
  Stroke(p, crease, 0.6, QColor(0x7e, 0x8a, 0x9c));
}

// A ruled sheet with a dog-ear, turned by `angle` degrees about its centre.
void PaperSheet(QPainter& p, QPointF c, qreal w, qreal h, qreal angle) {
  p.save();
  p.translate(c);
  p.rotate(angle);
  const qreal x0 = -w / 2, y0 = -h / 2, ear = std::min(w, h) * 0.28;
  QPainterPath sheet;
  sheet.moveTo(x0, y0);
  sheet.lineTo(x0 + w - ear, y0);
  sheet.lineTo(x0 + w, y0 + ear);
  sheet.lineTo(x0 + w, y0 + h);
  sheet.lineTo(x0, y0 + h);
  sheet.closeSubpath();
  QLinearGradient g(x0, y0, x0 + w, y0 + h);
  g.setColorAt(0, QColor(0xff, 0xff, 0xfb));
  g.setColorAt(1, QColor(0xe4, 0xe2, 0xd6));
  Fill(p, sheet, g, 0.9);
  QPainterPath rules;
  for (qreal y = y0 + 4; y < y0 + h - 1.5; y += 2.6) {
    rules.moveTo(x0 + 1.6, y);
    rules.lineTo(x0 + w - 1.6, y);
  }
  Stroke(p, rules, 0.55, QColor(0x5d, 0x8f, 0xd8));
  QPainterPath dog;
  dog.moveTo(x0 + w - ear, y0);
  dog.lineTo(x0 + w - ear, y0 + ear);
  dog.lineTo(x0 + w, y0 + ear);
  Fill(p, dog, QColor(0xd2, 0xd0, 0xc4), 0.7);
  p.restore();
}

// Paper heaped above an opening centred at `o`; the bin's front, drawn next, hides the lower part.
void PaperHeap(QPainter& p, QPointF o) {
  PaperSheet(p, o + QPointF(-10, -6), 12, 15, -24);
  PaperSheet(p, o + QPointF(11, -6), 11, 14, 26);
  PaperBall(p, o + QPointF(-11, -2), 5, 7);
  PaperBall(p, o + QPointF(7, -8), 6.5, 1);
  PaperBall(p, o + QPointF(-3, -12.5), 6, 4);
}

// Paper that went over the front edge and onto the floor; drawn after the bin.
void PaperSpill(QPainter& p, QPointF hang, QPointF floor) {
  PaperSheet(p, hang, 9, 12, -62);
  PaperBall(p, floor, 4.6, 2);
}

// ---------------------------------------------------------------- open-topped bins

// A round bin seen from a little above: an elliptic rim, a body narrowing to the floor.
struct Bucket {
  QPointF top;  // centre of the rim
  qreal rx, ry;
  qreal lip;
  qreal bottomY, bottomRx, bottomRy;
  qreal bulge;  // how far the sides bow outwards

  QPointF bottom() const { return QPointF(top.x(), bottomY); }
  QPainterPath Opening() const { return Ellipse(top, rx - lip, ry - lip * 0.55); }
  QPainterPath Body() const {
    QPainterPath path;
    const qreal midY = (top.y() + bottomY) / 2;
    const qreal midX = (rx + bottomRx) / 2 + bulge;
    path.moveTo(top.x() - rx, top.y());
    path.quadTo(top.x() - midX, midY, top.x() - bottomRx, bottomY);
    path.arcTo(EllipseRect(bottom(), bottomRx, bottomRy), 180, 180);
    path.quadTo(top.x() + midX, midY, top.x() + rx, top.y());
    path.arcTo(EllipseRect(top, rx, ry), 0, -180);
    path.closeSubpath();
    return path;
  }
  // Half width of the body at height y (for bands that wrap around it).
  qreal HalfWidthAt(qreal y) const {
    const qreal t = (y - top.y()) / (bottomY - top.y());
    const qreal midX = (rx + bottomRx) / 2 + bulge;
    return (1 - t) * (1 - t) * rx + 2 * t * (1 - t) * midX + t * t * bottomRx;
  }
};

struct BucketLook {
  QColor rim, inside, insideDeep, edge, light, shade;
};

// Back of the rim and the dark inside; the heap of paper goes between this and DrawFront.
void DrawBack(QPainter& p, const Bucket& b, const BucketLook& look) {
  QLinearGradient rim(b.top.x() - b.rx, 0, b.top.x() + b.rx, 0);
  rim.setColorAt(0, look.rim.darker(120));
  rim.setColorAt(0.35, look.rim.lighter(108));
  rim.setColorAt(1, look.rim.darker(125));
  Fill(p, Ellipse(b.top, b.rx, b.ry), rim);
  QRadialGradient in(b.top + QPointF(0, b.ry * 0.6), b.rx);
  in.setColorAt(0, look.inside);
  in.setColorAt(1, look.insideDeep);
  Fill(p, b.Opening(), in, 0.8);
}

void DrawFront(QPainter& p, const Bucket& b, const BucketLook& look) {
  Fill(p, b.Body(), Across(b.top.x() - b.rx, b.top.x() + b.rx, look.edge, look.light, look.shade));
  // The front half of the rim lies over the body and over any paper in the bin.
  QPainterPath lip = Ellipse(b.top, b.rx, b.ry).subtracted(b.Opening());
  QPainterPath lower;
  lower.addRect(b.top.x() - b.rx - 2, b.top.y(), 2 * b.rx + 4, b.ry + 2);
  lip = lip.intersected(lower);
  QLinearGradient rim(b.top.x() - b.rx, 0, b.top.x() + b.rx, 0);
  rim.setColorAt(0, look.rim.darker(115));
  rim.setColorAt(0.35, look.rim.lighter(110));
  rim.setColorAt(1, look.rim.darker(125));
  Fill(p, lip, rim, 0);
  Stroke(p, FrontArc(b.top, b.rx - b.lip, b.ry - b.lip * 0.55), 0.8);
  Stroke(p, FrontArc(b.top, b.rx, b.ry), 1.0);
}

// A line that wraps around the body at height y (front half only).
QPainterPath Band(const Bucket& b, qreal y, qreal inset = 0.4) {
  const qreal hw = b.HalfWidthAt(y) - inset;
  return FrontArc(QPointF(b.top.x(), y), hw, b.ry * hw / b.rx);
}

// ---------------------------------------------------------------- Default: ribbed plastic basket

void DrawDefault(QPainter& p, bool full) {
  const Bucket b{{32, 21}, 21, 5.2, 2.6, 59.5, 15, 2.6, 0};
  const BucketLook look{QColor(0xc9, 0xe6, 0xfb), QColor(0x3b, 0x5f, 0x86),
                        QColor(0x16, 0x2a, 0x44), QColor(0x3f, 0x86, 0xc8),
                        QColor(0xc8, 0xe6, 0xff), QColor(0x6a, 0xa9, 0xe3)};
  DrawBack(p, b, look);
  if (full) PaperHeap(p, b.top + QPointF(0, 1));
  DrawFront(p, b, look);
  p.save();
  p.setClipPath(b.Body());
  QPainterPath ribs;
  for (int i = -3; i <= 3; ++i) {
    const qreal t = i / 4.0;
    const qreal s = std::sqrt(1 - t * t);
    ribs.moveTo(b.top.x() + t * b.rx, b.top.y() + b.ry * s + 1.5);
    ribs.lineTo(b.top.x() + t * b.bottomRx, b.bottomY + b.bottomRy * s - 3);
  }
  Stroke(p, ribs, 0.9, QColor(0x2c, 0x6a, 0xa8));
  Stroke(p, Band(b, 55.5), 1.0, QColor(0x2c, 0x6a, 0xa8));
  p.restore();
  if (full) PaperSpill(p, QPointF(14, 27), QPointF(56.5, 57.5));
}

// ---------------------------------------------------------------- Modern: pedal bin with lid

void ModernLid(QPainter& p) {
  QPainterPath handle;
  handle.addRoundedRect(QRectF(14, -9, 10, 4), 1.5, 1.5);
  Fill(p, handle, QColor(0x2b, 0x34, 0x40));
  QPainterPath lid;
  lid.addRoundedRect(QRectF(0, -6, 38, 7), 2.5, 2.5);
  QLinearGradient g(0, -6, 0, 1);
  g.setColorAt(0, QColor(0x5e, 0xe6, 0xdc));
  g.setColorAt(1, QColor(0x0f, 0x8a, 0x84));
  Fill(p, lid, g);
  QPainterPath shine;
  shine.moveTo(3, -4.2);
  shine.lineTo(22, -4.2);
  Stroke(p, shine, 0.8, QColor(0xc9, 0xff, 0xf8));
}

void DrawModern(QPainter& p, bool full) {
  const QRectF body(15, 22, 34, 38);
  if (full) {
    QPainterPath inside;
    inside.addRect(QRectF(16, 18, 32, 5));
    Fill(p, inside, QColor(0x22, 0x2a, 0x33), 0.8);
    PaperHeap(p, QPointF(32, 22));
  }
  QPainterPath pedal;
  pedal.addRoundedRect(QRectF(25, 57, 14, 5), 1.5, 1.5);
  Fill(p, pedal, QColor(0x3a, 0x44, 0x52));
  QPainterPath box;
  box.addRoundedRect(body, 3, 3);
  QLinearGradient g(body.left(), 0, body.right(), 0);
  g.setColorAt(0, QColor(0xc3, 0xcc, 0xd6));
  g.setColorAt(0.28, QColor(0xff, 0xff, 0xff));
  g.setColorAt(0.7, QColor(0xe3, 0xe8, 0xee));
  g.setColorAt(1, QColor(0xa5, 0xb1, 0xbe));
  Fill(p, box, g);
  QPainterPath band;
  band.addRect(QRectF(body.left(), 40, body.width(), 6));
  Fill(p, band, QColor(0x17, 0xa8, 0xa0), 0.8);
  QPainterPath bandShine;
  bandShine.moveTo(body.left() + 1, 41.3);
  bandShine.lineTo(body.right() - 1, 41.3);
  Stroke(p, bandShine, 0.7, QColor(0x8c, 0xf2, 0xea));
  // A drop-shaped badge on the band's left, the maker's mark of this bin.
  QPainterPath leaf;
  leaf.moveTo(22, 50.5);
  leaf.quadTo(27.5, 50, 27, 55);
  leaf.quadTo(21.5, 55.5, 22, 50.5);
  Fill(p, leaf, QColor(0x17, 0xa8, 0xa0), 0.7);
  QPainterPath edge;
  edge.moveTo(body.right() - 3.5, 24);
  edge.lineTo(body.right() - 3.5, 58);
  Stroke(p, edge, 0.6, QColor(0x8e, 0x9b, 0xaa));
  p.save();
  if (full) {
    // The lid is hinged at the back right and stands open.
    p.translate(51, 21);
    p.rotate(24);
    p.translate(-38, 0);
  } else {
    p.translate(13, 21);
  }
  ModernLid(p);
  p.restore();
  if (full) PaperSpill(p, QPointF(12.5, 30), QPointF(56, 57.5));
}

// ---------------------------------------------------------------- Space: a pod with a glowing
// mouth

void SpaceStar(QPainter& p, QPointF c, qreal r) {
  const QPainterPath star = RadialPolygon(
      c, r, 8, [](int i) { return std::make_pair(kPi * i / 4 - kPi / 2, (i % 2) ? 0.38 : 1.0); });
  Fill(p, star, QColor(0xff, 0xe8, 0x5c), 0.8);
}

void DrawSpace(QPainter& p, bool full) {
  const Bucket b{{32, 22}, 19, 5.0, 2.4, 55.5, 12, 2.4, 6};
  const BucketLook look{QColor(0xe4, 0xdc, 0xff), QColor(0x8c, 0xfb, 0xff),
                        QColor(0x1d, 0x1f, 0x8e), QColor(0x5b, 0x44, 0xc9),
                        QColor(0xe0, 0xd8, 0xff), QColor(0x92, 0x7c, 0xf2)};
  // Fins and a nozzle behind the body.
  QPainterPath fins;
  fins.moveTo(b.top.x() - 16, 40);
  fins.quadTo(b.top.x() - 25, 50, b.top.x() - 24, 61);
  fins.lineTo(b.top.x() - 10, 55);
  fins.closeSubpath();
  fins.moveTo(b.top.x() + 16, 40);
  fins.quadTo(b.top.x() + 25, 50, b.top.x() + 24, 61);
  fins.lineTo(b.top.x() + 10, 55);
  fins.closeSubpath();
  QLinearGradient fg(0, 40, 0, 61);
  fg.setColorAt(0, QColor(0xff, 0xb0, 0x5c));
  fg.setColorAt(1, QColor(0xe8, 0x4a, 0x2c));
  Fill(p, fins, fg);
  QPainterPath nozzle;
  nozzle.moveTo(b.top.x() - 6, 56);
  nozzle.lineTo(b.top.x() - 8, 62);
  nozzle.lineTo(b.top.x() + 8, 62);
  nozzle.lineTo(b.top.x() + 6, 56);
  nozzle.closeSubpath();
  Fill(p, nozzle, QColor(0x4a, 0x3f, 0x7a));
  DrawBack(p, b, look);
  if (full) PaperHeap(p, b.top + QPointF(0, 1));
  DrawFront(p, b, look);
  p.save();
  p.setClipPath(b.Body());
  Stroke(p, Band(b, 39, 0), 2.6, QColor(0x2b, 0xe0, 0xff));
  Stroke(p, Band(b, 37.6, 0), 0.8, QColor(0xd8, 0xff, 0xff));
  p.restore();
  // Port-holes along the band.
  for (int i = -1; i <= 1; ++i) {
    const QPointF c(b.top.x() + i * 8.5, 48 + std::abs(i) * -0.8);
    QRadialGradient g(c + QPointF(-0.6, -0.6), 2.6);
    g.setColorAt(0, QColor(0xff, 0xfa, 0xc8));
    g.setColorAt(1, QColor(0xff, 0xb8, 0x2e));
    Fill(p, Ellipse(c, 2.1, 2.1), g, 0.8);
  }
  if (full) {
    PaperSpill(p, QPointF(13.5, 28), QPointF(57, 42));
    SpaceStar(p, QPointF(56, 10), 5);
  } else {
    SpaceStar(p, QPointF(55, 11), 4.5);
  }
}

// ---------------------------------------------------------------- Metal: a dustbin with a lid

void MetalLid(QPainter& p, const Bucket& b) {
  const qreal w = b.rx + 2.5;
  QPainterPath handle;
  handle.moveTo(-6, -8.5);
  handle.cubicTo(-6, -14, 6, -14, 6, -8.5);
  Stroke(p, handle, 3.2);
  Stroke(p, handle, 1.4, QColor(0xc9, 0xd1, 0xda));
  QPainterPath dome;
  dome.moveTo(-w, 0);
  dome.cubicTo(-w * 0.8, -10.5, w * 0.8, -10.5, w, 0);
  dome.arcTo(EllipseRect(QPointF(0, 0), w, b.ry + 0.8), 0, -180);
  dome.closeSubpath();
  QLinearGradient g(-w, 0, w, 0);
  g.setColorAt(0, QColor(0x8c, 0x97, 0xa3));
  g.setColorAt(0.33, QColor(0xf4, 0xf7, 0xfa));
  g.setColorAt(0.75, QColor(0xb8, 0xc2, 0xcc));
  g.setColorAt(1, QColor(0x78, 0x84, 0x91));
  Fill(p, dome, g);
  Stroke(p, FrontArc(QPointF(0, -2.2), w - 1.5, b.ry - 1.2), 0.8, QColor(0x6c, 0x78, 0x86));
}

void DrawMetal(QPainter& p, bool full) {
  const Bucket b{{32, 24}, 18, 4.6, 2.0, 59.5, 16, 2.6, 0.5};
  const BucketLook look{QColor(0xd8, 0xde, 0xe5), QColor(0x4c, 0x55, 0x60),
                        QColor(0x1c, 0x21, 0x28), QColor(0x7a, 0x86, 0x93),
                        QColor(0xf2, 0xf5, 0xf8), QColor(0xb0, 0xba, 0xc5)};
  // Side handles behind the body.
  QPainterPath handles;
  handles.addRoundedRect(QRectF(b.top.x() - b.rx - 4, 30, 7, 7), 2.5, 2.5);
  handles.addRoundedRect(QRectF(b.top.x() + b.rx - 3, 30, 7, 7), 2.5, 2.5);
  Fill(p, handles, QColor(0x5f, 0x6a, 0x77));
  DrawBack(p, b, look);
  if (full) PaperHeap(p, b.top + QPointF(0, 1));
  DrawFront(p, b, look);
  p.save();
  p.setClipPath(b.Body());
  for (qreal y : {36.0, 48.0}) {
    Stroke(p, Band(b, y), 1.4, QColor(0x5a, 0x65, 0x72));
    Stroke(p, Band(b, y + 1.3), 0.8, QColor(0xfa, 0xfc, 0xff));
  }
  p.restore();
  p.save();
  if (full) {
    // Pushed up and aside by what is inside.
    p.translate(17, 16);
    p.rotate(-32);
  } else {
    p.translate(b.top);
  }
  MetalLid(p, b);
  p.restore();
  if (full) PaperSpill(p, QPointF(53, 31), QPointF(57, 57.5));
}

// ---------------------------------------------------------------- Cute: a pink bin with a face

void DrawCute(QPainter& p, bool full) {
  const Bucket b{{32, 24}, 20, 5.0, 2.4, 59, 14.5, 2.8, 4};
  const BucketLook look{QColor(0xff, 0xd9, 0xe8), QColor(0xc0, 0x4f, 0x84),
                        QColor(0x5a, 0x12, 0x38), QColor(0xe5, 0x5c, 0x98),
                        QColor(0xff, 0xd2, 0xe4), QColor(0xf6, 0x8e, 0xbb)};
  // Ears behind the rim.
  for (int side : {-1, 1}) {
    QPainterPath ear;
    ear.moveTo(b.top.x() + side * 19.5, b.top.y() + 1);
    ear.quadTo(b.top.x() + side * 21, b.top.y() - 11, b.top.x() + side * 18, b.top.y() - 12.5);
    ear.quadTo(b.top.x() + side * 14, b.top.y() - 10, b.top.x() + side * 8, b.top.y() - 3);
    ear.closeSubpath();
    Fill(p, ear, QColor(0xf0, 0x6c, 0xa5));
    QPainterPath inner;
    inner.moveTo(b.top.x() + side * 17.5, b.top.y() - 3);
    inner.quadTo(b.top.x() + side * 18.5, b.top.y() - 9, b.top.x() + side * 17.5, b.top.y() - 9.5);
    inner.quadTo(b.top.x() + side * 14.5, b.top.y() - 7.5, b.top.x() + side * 12, b.top.y() - 4);
    inner.closeSubpath();
    Fill(p, inner, QColor(0xff, 0xc4, 0xdc), 0);
  }
  DrawBack(p, b, look);
  if (full) PaperHeap(p, b.top + QPointF(0, 1));
  DrawFront(p, b, look);
  const qreal eyeY = 40;
  for (int side : {-1, 1}) {
    const QPointF eye(b.top.x() + side * 7.5, eyeY);
    if (full) {
      // Happy, eyes closed.
      QPainterPath arc;
      arc.moveTo(eye + QPointF(-2.8, 1.2));
      arc.quadTo(eye + QPointF(0, -3.5), eye + QPointF(2.8, 1.2));
      Stroke(p, arc, 1.5);
    } else {
      Fill(p, Ellipse(eye, 2.4, 3.1), gInk, 0);
      Fill(p, Ellipse(eye + QPointF(-0.7, -1.1), 0.95, 0.95), QColor(255, 255, 255), 0);
    }
    Fill(p, Ellipse(QPointF(b.top.x() + side * 13, eyeY + 4.5), 3.0, 1.7), QColor(0xff, 0x5f, 0x93),
         0);
  }
  QPainterPath mouth;
  if (full) {
    mouth.moveTo(b.top.x() - 3.2, eyeY + 3);
    mouth.lineTo(b.top.x() + 3.2, eyeY + 3);
    mouth.quadTo(b.top.x() + 3, eyeY + 8, b.top.x(), eyeY + 8);
    mouth.quadTo(b.top.x() - 3, eyeY + 8, b.top.x() - 3.2, eyeY + 3);
    mouth.closeSubpath();
    Fill(p, mouth, QColor(0xa3, 0x1f, 0x4f), 0.9);
    Fill(p, Ellipse(QPointF(b.top.x(), eyeY + 6.8), 1.8, 1.0), QColor(0xff, 0x8a, 0xb0), 0);
  } else {
    mouth.moveTo(b.top.x() - 2.6, eyeY + 3.4);
    mouth.quadTo(b.top.x() - 1.3, eyeY + 5.6, b.top.x(), eyeY + 3.8);
    mouth.quadTo(b.top.x() + 1.3, eyeY + 5.6, b.top.x() + 2.6, eyeY + 3.4);
    Stroke(p, mouth, 1.1);
  }
  if (full) PaperSpill(p, QPointF(12, 31), QPointF(56.5, 57.5));
}

// ---------------------------------------------------------------- picture to icon

struct Skin {
  const char* emptyName;
  const char* fullName;
  QColor ink;
  void (*draw)(QPainter&, bool full);
};

// Draws large and shrinks, so the inside keeps smooth shading while the edge is cut hard.
QImage Render(const Skin& skin, bool full) {
  gInk = skin.ink;
  QImage big(kSize * kOver, kSize * kOver, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::transparent);
  {
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kOver, kOver);
    skin.draw(p, full);
  }
  QImage out(kSize, kSize, QImage::Format_ARGB32);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      int r = 0, g = 0, bl = 0, a = 0;
      for (int dy = 0; dy < kOver; ++dy) {
        const QRgb* row = reinterpret_cast<const QRgb*>(big.constScanLine(y * kOver + dy));
        for (int dx = 0; dx < kOver; ++dx) {
          const QRgb px = row[x * kOver + dx];
          r += qRed(px);
          g += qGreen(px);
          bl += qBlue(px);
          a += qAlpha(px);
        }
      }
      const int n = kOver * kOver;
      if (a < 128 * n) {
        out.setPixel(x, y, qRgba(0, 0, 0, 0));
      } else {
        out.setPixel(x, y,
                     qRgba(std::min(255, r * 255 / a), std::min(255, g * 255 / a),
                           std::min(255, bl * 255 / a), 255));
      }
    }
  }
  // Every pixel on the silhouette's edge takes the ink, so the outline never frays.
  QImage edged = out;
  const QRgb ink = skin.ink.rgb() | 0xff000000u;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (qAlpha(out.pixel(x, y)) == 0) continue;
      const bool edge = x == 0 || y == 0 || x == kSize - 1 || y == kSize - 1 ||
                        qAlpha(out.pixel(x - 1, y)) == 0 || qAlpha(out.pixel(x + 1, y)) == 0 ||
                        qAlpha(out.pixel(x, y - 1)) == 0 || qAlpha(out.pixel(x, y + 1)) == 0;
      if (edge) edged.setPixel(x, y, ink);
    }
  }
  return edged;
}

int Distance(QRgb a, QRgb b) {
  const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
  return dr * dr + dg * dg + db * db;
}

// Median cut down to `count` colours, weighted by how often each colour is used.
std::vector<QRgb> Quantize(const std::vector<QRgb>& pixels, size_t count) {
  std::map<QRgb, int> seen;
  for (QRgb px : pixels) ++seen[px & 0xffffffu];
  if (seen.size() <= count) {
    std::vector<QRgb> exact;
    for (const auto& entry : seen) exact.push_back(entry.first);
    return exact;
  }
  using Box = std::vector<QRgb>;
  std::vector<Box> boxes(1, Box(pixels.begin(), pixels.end()));
  auto channel = [](QRgb c, int ch) { return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c); };
  while (boxes.size() < count) {
    int best = -1, bestChannel = 0, bestRange = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
      for (int ch = 0; ch < 3; ++ch) {
        int lo = 255, hi = 0;
        for (QRgb c : boxes[i]) {
          lo = std::min(lo, channel(c, ch));
          hi = std::max(hi, channel(c, ch));
        }
        if (hi - lo > bestRange) {
          best = static_cast<int>(i);
          bestChannel = ch;
          bestRange = hi - lo;
        }
      }
    }
    if (best < 0) break;
    Box& box = boxes[best];
    std::sort(box.begin(), box.end(),
              [&](QRgb l, QRgb r) { return channel(l, bestChannel) < channel(r, bestChannel); });
    size_t mid = box.size() / 2;
    while (mid > 0 && channel(box[mid - 1], bestChannel) == channel(box[mid], bestChannel)) --mid;
    if (mid == 0) mid = box.size() / 2;
    Box upper(box.begin() + static_cast<long>(mid), box.end());
    box.resize(mid);
    boxes.push_back(std::move(upper));
  }
  std::vector<QRgb> palette;
  for (const Box& box : boxes) {
    long r = 0, g = 0, bl = 0;
    for (QRgb c : box) {
      r += qRed(c);
      g += qGreen(c);
      bl += qBlue(c);
    }
    const long n = static_cast<long>(box.size());
    palette.push_back(qRgb(static_cast<int>((r + n / 2) / n), static_cast<int>((g + n / 2) / n),
                           static_cast<int>((bl + n / 2) / n)));
  }
  return palette;
}

void Put16(QByteArray& out, int v) {
  out.append(static_cast<char>(v & 0xff));
  out.append(static_cast<char>((v >> 8) & 0xff));
}

void Put32(QByteArray& out, qint64 v) {
  Put16(out, static_cast<int>(v & 0xffff));
  Put16(out, static_cast<int>((v >> 16) & 0xffff));
}

QByteArray EncodeIcon(const QImage& img) {
  std::vector<QRgb> opaque;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      if (qAlpha(img.pixel(x, y)) != 0) opaque.push_back(img.pixel(x, y));
  // Entry 0 is black: the transparent pixels point at it, which is what an icon's
  // colour plane holds under a set mask bit.
  std::vector<QRgb> palette{qRgb(0, 0, 0)};
  for (QRgb c : Quantize(opaque, 255)) palette.push_back(c);
  for (QRgb& c : palette)
    if ((c & 0xffffffu) == (kKey & 0xffffffu)) c = qRgb(129, 129, 129);
  palette.resize(256, qRgb(0, 0, 0));

  std::map<QRgb, int> lookup;
  auto indexOf = [&](QRgb c) {
    c |= 0xff000000u;
    auto it = lookup.find(c);
    if (it != lookup.end()) return it->second;
    int best = 1;
    for (int i = 1; i < 256; ++i)
      if (Distance(palette[i], c) < Distance(palette[best], c)) best = i;
    lookup[c] = best;
    return best;
  };

  const int pixelBytes = kSize * kSize, maskBytes = kSize / 8 * kSize;
  const int imageBytes = 40 + 256 * 4 + pixelBytes + maskBytes;
  QByteArray out;
  Put16(out, 0);  // icon file header
  Put16(out, 1);
  Put16(out, 1);
  out.append(static_cast<char>(kSize));  // the one directory entry
  out.append(static_cast<char>(kSize));
  out.append('\0');  // colour count: 0 for 256
  out.append('\0');
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, imageBytes);
  Put32(out, 22);
  Put32(out, 40);  // bitmap header: height counts the colour plane and the mask
  Put32(out, kSize);
  Put32(out, 2 * kSize);
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 0);
  Put32(out, pixelBytes + maskBytes);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  for (QRgb c : palette) {
    out.append(static_cast<char>(qBlue(c)));
    out.append(static_cast<char>(qGreen(c)));
    out.append(static_cast<char>(qRed(c)));
    out.append('\0');
  }
  for (int y = kSize - 1; y >= 0; --y)
    for (int x = 0; x < kSize; ++x) {
      const QRgb c = img.pixel(x, y);
      out.append(static_cast<char>(qAlpha(c) == 0 ? 0 : indexOf(c)));
    }
  for (int y = kSize - 1; y >= 0; --y)
    for (int byte = 0; byte < kSize / 8; ++byte) {
      int bits = 0;
      for (int bit = 0; bit < 8; ++bit)
        if (qAlpha(img.pixel(byte * 8 + bit, y)) == 0) bits |= 0x80 >> bit;
      out.append(static_cast<char>(bits));
    }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  // These names are the picture holders the bin window and the settings file refer to.
  const Skin skins[] = {
      {"ImgDefaultEmpty", "ImgDefaultFull", QColor(0x14, 0x26, 0x3d), DrawDefault},
      {"ImgModern", "ImgModernFull", QColor(0x16, 0x24, 0x2c), DrawModern},
      {"ImgFuturEmpty", "ImgFuturFull", QColor(0x1a, 0x12, 0x48), DrawSpace},
      {"ImgMiniEmpty", "ImgMiniFull", QColor(0x1c, 0x22, 0x2a), DrawMetal},
      {"ImgCutEmpty", "ImgCuteFull", QColor(0x4a, 0x14, 0x30), DrawCute},
  };
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.exists()) {
    std::fprintf(stderr, "%s: no such folder\n", argv[1]);
    return 1;
  }
  for (const Skin& skin : skins) {
    for (bool full : {false, true}) {
      const QString name = QString::fromLatin1(full ? skin.fullName : skin.emptyName) + ".ico";
      QFile file(dir.filePath(name));
      const QByteArray bytes = EncodeIcon(Render(skin, full));
      if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
          file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return 1;
      }
    }
  }
  return 0;
}
