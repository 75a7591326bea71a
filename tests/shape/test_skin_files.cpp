// The ten committed skin pictures, and the decoder that reads them.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <array>
#include <cstdlib>
#include <string>

#include "shape/SkinImage.h"

namespace {

const std::array<const char*, 10> kNames = {
    "ImgDefaultEmpty", "ImgDefaultFull", "ImgModern",   "ImgModernFull", "ImgFuturEmpty",
    "ImgFuturFull",    "ImgMiniEmpty",   "ImgMiniFull", "ImgCutEmpty",   "ImgCuteFull"};
// Empty and full picture of each skin.
const std::array<std::pair<const char*, const char*>, 5> kPairs = {{
    {"ImgDefaultEmpty", "ImgDefaultFull"},
    {"ImgModern", "ImgModernFull"},
    {"ImgFuturEmpty", "ImgFuturFull"},
    {"ImgMiniEmpty", "ImgMiniFull"},
    {"ImgCutEmpty", "ImgCuteFull"},
}};

QByteArray SourceFile(const std::string& name) {
  const char* root = std::getenv("WW_SOURCE_DIR");
  if (!root) return {};
  QFile file(QString::fromStdString(std::string(root) + "/shape/skins/" + name + ".ico"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

unsigned U8(const QByteArray& b, int at) { return static_cast<unsigned char>(b.at(at)); }
unsigned U16(const QByteArray& b, int at) { return U8(b, at) | U8(b, at + 1) << 8; }
unsigned U32(const QByteArray& b, int at) { return U16(b, at) | U16(b, at + 2) << 16; }

constexpr int kPalette = 22 + 40;
constexpr int kPixels = kPalette + 1024;
constexpr int kMask = kPixels + 4096;

void Put32(QByteArray& b, int at, unsigned v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

TEST(SkinFiles, LayoutIsTheOneIconWithPaletteAndMask) {
  for (const char* name : kNames) {
    SCOPED_TRACE(name);
    const QByteArray b = SourceFile(name);
    ASSERT_EQ(b.size(), 5694) << "WW_SOURCE_DIR must name the source folder";
    EXPECT_EQ(U16(b, 0), 0u);
    EXPECT_EQ(U16(b, 2), 1u);
    EXPECT_EQ(U16(b, 4), 1u);
    EXPECT_EQ(U8(b, 6), 64u);
    EXPECT_EQ(U8(b, 7), 64u);
    EXPECT_EQ(U8(b, 8), 0u);
    EXPECT_EQ(U16(b, 10), 1u);
    EXPECT_EQ(U16(b, 12), 8u);
    EXPECT_EQ(U32(b, 14), 5694u - 22u);
    EXPECT_EQ(U32(b, 18), 22u);
    EXPECT_EQ(U32(b, 22), 40u);
    EXPECT_EQ(U32(b, 26), 64u);
    EXPECT_EQ(U32(b, 30), 128u);
    EXPECT_EQ(U16(b, 34), 1u);
    EXPECT_EQ(U16(b, 36), 8u);
    EXPECT_EQ(U32(b, 38), 0u);
    EXPECT_EQ(U32(b, 42), 4096u + 512u);
    EXPECT_EQ(U32(b, 54), 0u);
    for (int i = 0; i < 256; ++i) {
      const int at = kPalette + 4 * i;
      EXPECT_FALSE(U8(b, at) == 128 && U8(b, at + 1) == 128 && U8(b, at + 2) == 128)
          << "palette entry " << i << " is the window's key colour";
    }
  }
}

// Decoding agrees with the raw bytes; the picture has both a body and a see-through part; no
// opaque pixel can be cut away as key colour, and every transparent one shows what lies behind.
TEST(SkinFiles, DecodedPixelsFollowPaletteAndMask) {
  for (const char* name : kNames) {
    SCOPED_TRACE(name);
    const QByteArray b = SourceFile(name);
    ASSERT_EQ(b.size(), 5694);
    const QImage img = shape::DecodeSkinIcon(b);
    ASSERT_FALSE(img.isNull());
    ASSERT_EQ(img.size(), QSize(64, 64));
    EXPECT_EQ(img.format(), QImage::Format_ARGB32);
    int opaque = 0, clear = 0;
    for (int y = 0; y < 64; ++y) {
      const int row = 63 - y;
      for (int x = 0; x < 64; ++x) {
        const bool maskBit = (U8(b, kMask + row * 8 + x / 8) >> (7 - x % 8)) & 1;
        const int entry = kPalette + 4 * static_cast<int>(U8(b, kPixels + row * 64 + x));
        const QRgb px = img.pixel(x, y);
        if (maskBit) {
          ++clear;
          EXPECT_EQ(qAlpha(px), 0) << x << "," << y;
        } else {
          ++opaque;
          EXPECT_EQ(px, qRgb(U8(b, entry + 2), U8(b, entry + 1), U8(b, entry))) << x << "," << y;
        }
      }
    }
    EXPECT_GT(opaque, 64 * 64 / 4);
    EXPECT_GT(clear, 64 * 64 / 8);

    QImage window(64, 64, QImage::Format_RGB32);
    window.fill(qRgb(128, 128, 128));
    QPainter(&window).drawImage(0, 0, img);
    int cut = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) cut += window.pixel(x, y) == qRgb(128, 128, 128);
    EXPECT_EQ(cut, clear);
  }
}

// A dark edge for light desktops, a lighter body for dark ones.
TEST(SkinFiles, ReadOnLightAndDarkDesktops) {
  for (const char* name : kNames) {
    SCOPED_TRACE(name);
    const QImage img = shape::DecodeSkinIcon(SourceFile(name));
    ASSERT_FALSE(img.isNull());
    auto clear = [&](int x, int y) {
      return x < 0 || y < 0 || x > 63 || y > 63 || qAlpha(img.pixel(x, y)) == 0;
    };
    long body = 0, bodyLight = 0;
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        if (clear(x, y)) continue;
        const int light = qGray(img.pixel(x, y));
        if (clear(x - 1, y) || clear(x + 1, y) || clear(x, y - 1) || clear(x, y + 1)) {
          EXPECT_LT(light, 90) << "edge pixel " << x << "," << y;
        } else {
          ++body;
          bodyLight += light;
        }
      }
    }
    ASSERT_GT(body, 0);
    EXPECT_GT(bodyLight / body, 120);
  }
}

TEST(SkinFiles, EveryPictureIsItsOwn) {
  for (const auto& [empty, full] : kPairs) {
    SCOPED_TRACE(empty);
    const QImage e = shape::DecodeSkinIcon(SourceFile(empty));
    const QImage f = shape::DecodeSkinIcon(SourceFile(full));
    ASSERT_FALSE(e.isNull());
    ASSERT_FALSE(f.isNull());
    EXPECT_NE(e, f);
  }
  for (size_t i = 0; i < kPairs.size(); ++i)
    for (size_t j = i + 1; j < kPairs.size(); ++j)
      EXPECT_NE(shape::DecodeSkinIcon(SourceFile(kPairs[i].first)),
                shape::DecodeSkinIcon(SourceFile(kPairs[j].first)))
          << kPairs[i].first << " / " << kPairs[j].first;
}

TEST(SkinFiles, BuiltInPicturesAreTheCommittedFiles) {
  for (const char* name : kNames) {
    SCOPED_TRACE(name);
    const QImage built = shape::SkinPicture(QString::fromLatin1(name));
    ASSERT_FALSE(built.isNull());
    EXPECT_EQ(built, shape::DecodeSkinIcon(SourceFile(name)));
  }
  EXPECT_TRUE(shape::SkinPicture("ImgNothing").isNull());
  EXPECT_TRUE(shape::SkinPicture("").isNull());
  EXPECT_TRUE(shape::SkinPicture("imgmodern").isNull());
  EXPECT_TRUE(shape::SkinPicture("../skins/ImgModern").isNull());
  EXPECT_TRUE(shape::SkinPicture("ImgModern.ico").isNull());
}

TEST(SkinDecoder, RefusesShortAndDamagedInput) {
  const QByteArray good = SourceFile("ImgDefaultEmpty");
  ASSERT_EQ(good.size(), 5694);
  ASSERT_FALSE(shape::DecodeSkinIcon(good).isNull());

  // Every truncation, on a copy whose buffer ends exactly there.
  for (int n = 0; n < good.size(); ++n) {
    const QByteArray cut(good.constData(), n);
    ASSERT_TRUE(shape::DecodeSkinIcon(cut).isNull()) << n;
  }

  struct Damage {
    const char* what;
    int at;
    unsigned value;
  };
  const Damage damages[] = {
      {"resource type", 2, 2},
      {"image count", 4, 2},
      {"width", 6, 32},
      {"bits per pixel", 12, 4},
      {"length", 14, 100},
      {"offset past end", 18, 0xffffffffu},
      {"offset near end", 18, 5690},
      {"offset into header", 18, 4},
      {"header size", 22, 108},
      {"bitmap width", 26, 65},
      {"bitmap height", 30, 64},
      {"compression", 38, 1},
      {"colours used", 54, 16},
  };
  for (const Damage& d : damages) {
    QByteArray bad = good;
    if (d.at == 2 || d.at == 4 || d.at == 12) {
      bad[d.at] = static_cast<char>(d.value);
      bad[d.at + 1] = 0;
    } else if (d.at == 6) {
      bad[d.at] = static_cast<char>(d.value);
    } else {
      Put32(bad, d.at, d.value);
    }
    EXPECT_TRUE(shape::DecodeSkinIcon(bad).isNull()) << d.what;
  }

  // Trailing bytes after a valid image do no harm; an image moved later in the file is found.
  EXPECT_EQ(shape::DecodeSkinIcon(good + QByteArray(10, '\0')), shape::DecodeSkinIcon(good));
  QByteArray moved = good.left(22) + QByteArray(6, '\x55') + good.mid(22);
  Put32(moved, 18, 28);
  EXPECT_EQ(shape::DecodeSkinIcon(moved), shape::DecodeSkinIcon(good));
}

}  // namespace
