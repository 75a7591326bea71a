#include "shape/SkinImage.h"

#include <QFile>
#include <cstdint>

namespace shape {

namespace {

constexpr int kSide = 64;
constexpr qint64 kDirEnd = 6 + 16;
constexpr qint64 kInfoSize = 40;
constexpr qint64 kPaletteSize = 256 * 4;
constexpr qint64 kPixelSize = kSide * kSide;
constexpr qint64 kMaskRow = kSide / 8;  // already a multiple of four bytes
constexpr qint64 kMaskSize = kMaskRow * kSide;
constexpr qint64 kImageSize = kInfoSize + kPaletteSize + kPixelSize + kMaskSize;

// Little-endian readers; callers have checked the range.
std::uint32_t U8(const QByteArray& b, qint64 at) { return static_cast<std::uint8_t>(b[at]); }
std::uint32_t U16(const QByteArray& b, qint64 at) { return U8(b, at) | U8(b, at + 1) << 8; }
std::uint32_t U32(const QByteArray& b, qint64 at) { return U16(b, at) | U16(b, at + 2) << 16; }

}  // namespace

QImage DecodeSkinIcon(const QByteArray& bytes) {
  const qint64 size = bytes.size();
  if (size < kDirEnd) return {};
  if (U16(bytes, 0) != 0 || U16(bytes, 2) != 1 || U16(bytes, 4) != 1) return {};
  // Directory entry: 64x64, 256 colours (written as 0), 8 bits.
  if (U8(bytes, 6) != kSide || U8(bytes, 7) != kSide || U8(bytes, 8) != 0) return {};
  if (U16(bytes, 10) > 1 || U16(bytes, 12) != 8) return {};
  const qint64 length = U32(bytes, 14);
  const qint64 offset = U32(bytes, 18);
  if (length < kImageSize || offset < kDirEnd || offset > size || size - offset < kImageSize)
    return {};

  const qint64 info = offset;
  if (U32(bytes, info) != kInfoSize || U32(bytes, info + 4) != kSide ||
      U32(bytes, info + 8) != 2 * kSide || U16(bytes, info + 12) != 1 ||
      U16(bytes, info + 14) != 8 || U32(bytes, info + 16) != 0)
    return {};
  const std::uint32_t colours = U32(bytes, info + 32);
  if (colours != 0 && colours != 256) return {};

  const qint64 palette = info + kInfoSize;
  const qint64 pixels = palette + kPaletteSize;
  const qint64 mask = pixels + kPixelSize;
  QImage image(kSide, kSide, QImage::Format_ARGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < kSide; ++y) {
    const qint64 row = kSide - 1 - y;  // rows are stored bottom-up
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kSide; ++x) {
      const bool clear = (U8(bytes, mask + row * kMaskRow + x / 8) >> (7 - x % 8)) & 1;
      if (clear) {
        out[x] = qRgba(0, 0, 0, 0);
        continue;
      }
      const qint64 entry = palette + 4 * qint64(U8(bytes, pixels + row * kSide + x));
      out[x] = qRgb(U8(bytes, entry + 2), U8(bytes, entry + 1), U8(bytes, entry));
    }
  }
  return image;
}

QImage SkinPicture(const QString& holderName) {
  // Only plain names: "../x" or "a/b" must not reach other resources.
  if (holderName.isEmpty()) return {};
  for (QChar c : holderName)
    if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('_')) return {};
  QFile file(QStringLiteral(":/skins/") + holderName + QStringLiteral(".ico"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return DecodeSkinIcon(file.read(64 * 1024));
}

}  // namespace shape
