// Makes the two backgrounds of the weather page: "Rice_Field.jpg", pale rice paper with fibres,
// and "bg92.gif", a soft mottled blue-green. Both are tiles; the page repeats them.
// To remake them, from the source folder, with the build folder configured:
//
// clang-format off
//   cmake --build build --target make_backgrounds && build/assets/generator/make_backgrounds assets
// clang-format on
//
// The noise comes from a fixed-seed generator, so the same source always gives the same files.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  double Next() {  // 0..1, xorshift32
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_ / 4294967296.0;
  }

 private:
  uint32_t state_;
};

// Smooth value noise that wraps at size, so the tile repeats without seams.
class Field {
 public:
  Field(int cells, uint32_t seed) : cells_(cells), values_(cells * cells) {
    Noise n(seed);
    for (double& v : values_) v = n.Next();
  }
  double At(double x, double y) const {  // x, y in 0..1
    const double fx = x * cells_, fy = y * cells_;
    const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    const double tx = Smooth(fx - x0), ty = Smooth(fy - y0);
    auto v = [&](int i, int j) { return values_[((j % cells_) * cells_) + (i % cells_)]; };
    const double a = v(x0, y0) + (v(x0 + 1, y0) - v(x0, y0)) * tx;
    const double b = v(x0, y0 + 1) + (v(x0 + 1, y0 + 1) - v(x0, y0 + 1)) * tx;
    return a + (b - a) * ty;
  }

 private:
  static double Smooth(double t) { return t * t * (3 - 2 * t); }
  int cells_;
  std::vector<double> values_;
};

QImage RicePaper() {
  const int size = 256;
  QImage img(size, size, QImage::Format_RGB32);
  Field coarse(8, 11), fine(32, 12);
  Noise grain(13);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double s = 0.6 * coarse.At(x / double(size), y / double(size)) +
                       0.4 * fine.At(x / double(size), y / double(size));
      const double shade = -10 + 16 * s + 4 * (grain.Next() - 0.5);
      img.setPixel(x, y, qRgb(int(243 + shade), int(236 + shade), int(214 + shade * 1.2)));
    }
  // Fibres: short pale curves, drawn on a 3 × 3 tiling so they wrap.
  QImage big(size * 3, size * 3, QImage::Format_RGB32);
  QPainter p(&big);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) p.drawImage(i * size, j * size, img);
  p.setRenderHint(QPainter::Antialiasing);
  Noise n(14);
  std::vector<QPainterPath> fibres;
  for (int k = 0; k < 140; ++k) {
    QPainterPath path;
    double x = n.Next() * size, y = n.Next() * size, a = n.Next() * 6.283;
    path.moveTo(x, y);
    const int steps = 4 + int(n.Next() * 10);
    for (int s = 0; s < steps; ++s) {
      a += (n.Next() - 0.5) * 0.7;
      x += std::cos(a) * 3;
      y += std::sin(a) * 3;
      path.lineTo(x, y);
    }
    fibres.push_back(path);
  }
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (size_t k = 0; k < fibres.size(); ++k) {
        const bool dark = k % 5 == 0;
        p.setPen(
            QPen(dark ? QColor(214, 202, 170, 120) : QColor(252, 249, 238, 170), dark ? 0.8 : 1.2));
        p.drawPath(fibres[k].translated(i * size, j * size));
      }
  p.end();
  return big.copy(size, size, size, size);
}

// 8-bit indexed mottle: three layers of soft noise over a blue-green ramp.
QImage Mottle(std::vector<QRgb>& palette) {
  const int size = 128;
  palette.clear();
  for (int i = 0; i < 256; ++i) {
    const double t = i / 255.0;
    palette.push_back(qRgb(int(196 + 40 * t), int(214 + 30 * t), int(222 + 26 * t)));
  }
  QImage img(size, size, QImage::Format_Indexed8);
  img.setColorTable(QList<QRgb>(palette.begin(), palette.end()));
  Field a(4, 21), b(8, 22), c(16, 23);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double u = x / double(size), v = y / double(size);
      const double s = 0.5 * a.At(u, v) + 0.3 * b.At(u, v) + 0.2 * c.At(u, v);
      img.setPixel(x, y, std::min(255, std::max(0, int((s - 0.2) / 0.6 * 255))));
    }
  return img;
}

// GIF89a with a plain LZW stream: 9-bit codes, a clear code before the table
// would grow, so no string table is needed. Larger than a packed GIF, still valid.
bool WriteGif(const QImage& img, const std::vector<QRgb>& palette, const char* path) {
  std::ofstream out(path, std::ios::binary);
  auto u8 = [&](int v) { out.put(char(v & 0xFF)); };
  auto u16 = [&](int v) {
    u8(v);
    u8(v >> 8);
  };
  out.write("GIF89a", 6);
  u16(img.width());
  u16(img.height());
  u8(0xF7);  // global table of 256 colours
  u8(0);
  u8(0);
  for (QRgb c : palette) {
    u8(qRed(c));
    u8(qGreen(c));
    u8(qBlue(c));
  }
  u8(0x2C);
  u16(0);
  u16(0);
  u16(img.width());
  u16(img.height());
  u8(0);
  u8(8);  // minimum code size
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int bits = 0;
  auto code = [&](int c) {
    acc |= uint32_t(c) << bits;
    bits += 9;
    while (bits >= 8) {
      bytes.push_back(uint8_t(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  };
  const int clear = 256, end = 257;
  int run = 0;
  code(clear);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      if (run == 250) {
        code(clear);
        run = 0;
      }
      code(img.pixelIndex(x, y));
      ++run;
    }
  code(end);
  if (bits > 0) bytes.push_back(uint8_t(acc & 0xFF));
  for (size_t i = 0; i < bytes.size(); i += 255) {
    const size_t n = std::min<size_t>(255, bytes.size() - i);
    u8(int(n));
    out.write(reinterpret_cast<const char*>(bytes.data() + i), std::streamsize(n));
  }
  u8(0);
  u8(0x3B);
  return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_backgrounds FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!RicePaper().save(folder + "/Rice_Field.jpg", "JPG", 85)) return 1;
  std::vector<QRgb> palette;
  const QImage mottle = Mottle(palette);
  return WriteGif(mottle, palette, (folder + "/bg92.gif").toLocal8Bit().constData()) ? 0 : 1;
}
