#include "shape/RegionData.h"

#include <algorithm>
#include <utility>

namespace shape {

namespace {

// Same pixels, in a layout whose red, green and blue sit in the low 24 bits of each word.
QImage AsRgb32(const QImage& image) {
  if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32)
    return image;
  return image.convertToFormat(QImage::Format_RGB32);
}

// Stretches [left, right) of one row that are not key colour, within [base.left, base.right).
// Columns outside the picture never match the key.
void RowSpans(const QRgb* line, int imageWidth, QRgb key, const RegionRect& base,
              std::vector<std::int32_t>* spans) {
  spans->clear();
  if (!line) {
    spans->push_back(base.left);
    spans->push_back(base.right);
    return;
  }
  const int lo = std::max(base.left, 0);
  const int hi = std::min(base.right, imageWidth);
  int x = base.left;
  int start = x;
  bool open = false;  // a kept stretch has started at start
  if (x < lo) {
    open = true;
    x = lo;
  }
  while (x < hi) {
    if (!open) {
      while (x < hi && IsKeyPixel(line[x], key)) ++x;
      if (x == hi) break;
      start = x;
      open = true;
    }
    while (x < hi && !IsKeyPixel(line[x], key)) ++x;
    if (x < hi) {
      spans->push_back(start);
      spans->push_back(x);
      open = false;
    }
  }
  if (!open && hi < base.right) {
    start = std::max(hi, base.left);
    open = true;
  }
  if (open) {
    spans->push_back(start);
    spans->push_back(base.right);
  }
}

void EmitBand(const std::vector<std::int32_t>& spans, std::int32_t top, std::int32_t bottom,
              std::vector<RegionRect>* out) {
  for (size_t i = 0; i + 1 < spans.size(); i += 2)
    out->push_back(RegionRect{spans[i], top, spans[i + 1], bottom});
}

void PutLe32(std::string* bytes, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

constexpr size_t kHeaderSize = 32;
constexpr size_t kRectSize = 16;
constexpr std::uint32_t kRectanglesType = 1;

}  // namespace

std::vector<Run> ScanRuns(const QImage& picture, QRgb key) {
  const QImage image = AsRgb32(picture);
  const int width = image.width();
  const int height = image.height();
  std::vector<Run> runs;
  bool inRun = false;
  int first = 0;
  int last = 0;
  for (int y = 0; y <= height; ++y) {
    const QRgb* line = y < height ? reinterpret_cast<const QRgb*>(image.constScanLine(y)) : nullptr;
    for (int x = 0; x <= width; ++x) {
      const bool transparent = line && x < width && IsKeyPixel(line[x], key);
      if (transparent) {
        if (!inRun) {
          first = x;
          inRun = true;
        }
        last = x;
      } else if (inRun) {
        runs.push_back(Run{y, first, last});
        inRun = false;
      }
    }
  }
  return runs;
}

std::vector<RegionRect> BuildRegionRects(const QImage& picture, QRgb key, const RegionRect& base) {
  std::vector<RegionRect> out;
  if (base.left >= base.right || base.top >= base.bottom) return out;
  const QImage image = AsRgb32(picture);
  std::vector<std::int32_t> band;  // stretches of the band being grown
  std::vector<std::int32_t> row;
  std::int32_t bandTop = base.top;
  for (std::int32_t y = base.top; y < base.bottom; ++y) {
    const QRgb* line = y >= 0 && y < image.height()
                           ? reinterpret_cast<const QRgb*>(image.constScanLine(y))
                           : nullptr;
    RowSpans(line, image.width(), key, base, &row);
    if (y == base.top) {
      band.swap(row);
    } else if (row != band) {
      EmitBand(band, bandTop, y, &out);
      band.swap(row);
      bandTop = y;
    }
  }
  EmitBand(band, bandTop, base.bottom, &out);
  return out;
}

std::vector<RegionRect> Canonicalize(const std::vector<RegionRect>& rects) {
  std::vector<RegionRect> out;
  out.reserve(rects.size());
  size_t prevBand = 0;  // start in out of the last band written
  size_t i = 0;
  while (i < rects.size()) {
    const std::int32_t top = rects[i].top;
    const std::int32_t bottom = rects[i].bottom;
    const size_t bandStart = out.size();
    for (; i < rects.size() && rects[i].top == top; ++i) {
      if (out.size() > bandStart && out.back().right >= rects[i].left)
        out.back().right = std::max(out.back().right, rects[i].right);
      else
        out.push_back(rects[i]);
    }
    // Merge with the band just above when it touches and has the same stretches.
    const size_t prevCount = bandStart - prevBand;
    const size_t count = out.size() - bandStart;
    bool merged = false;
    if (bandStart > 0 && prevCount == count && out[prevBand].bottom == top) {
      merged = true;
      for (size_t k = 0; k < count && merged; ++k)
        merged = out[prevBand + k].left == out[bandStart + k].left &&
                 out[prevBand + k].right == out[bandStart + k].right;
    }
    if (merged) {
      for (size_t k = 0; k < count; ++k) out[prevBand + k].bottom = bottom;
      out.resize(bandStart);
    } else {
      prevBand = bandStart;
    }
  }
  return out;
}

QRegion ToQRegion(const std::vector<RegionRect>& rects) {
  QRegion region;
  if (rects.empty()) return region;
  std::vector<QRect> qrects;
  qrects.reserve(rects.size());
  for (const RegionRect& r : rects)
    qrects.emplace_back(r.left, r.top, r.right - r.left, r.bottom - r.top);
  region.setRects(qrects.data(), static_cast<int>(qrects.size()));
  return region;
}

std::vector<RegionRect> FromQRegion(const QRegion& region) {
  std::vector<RegionRect> rects;
  rects.reserve(static_cast<size_t>(region.rectCount()));
  for (const QRect& r : region)
    rects.push_back(RegionRect{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()});
  return Canonicalize(rects);
}

RegionRect BoundsOf(const std::vector<RegionRect>& rects) {
  if (rects.empty()) return RegionRect{};
  RegionRect b = rects.front();
  for (const RegionRect& r : rects) {
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

std::string EncodeRegionData(const std::vector<RegionRect>& rects) {
  std::string bytes;
  bytes.reserve(kHeaderSize + kRectSize * rects.size());
  const auto count = static_cast<std::uint32_t>(rects.size());
  PutLe32(&bytes, kHeaderSize);
  PutLe32(&bytes, kRectanglesType);
  PutLe32(&bytes, count);
  PutLe32(&bytes, static_cast<std::uint32_t>(kRectSize) * count);
  const RegionRect b = BoundsOf(rects);
  for (std::int32_t v : {b.left, b.top, b.right, b.bottom})
    PutLe32(&bytes, static_cast<std::uint32_t>(v));
  for (const RegionRect& r : rects)
    for (std::int32_t v : {r.left, r.top, r.right, r.bottom})
      PutLe32(&bytes, static_cast<std::uint32_t>(v));
  return bytes;
}

}  // namespace shape
