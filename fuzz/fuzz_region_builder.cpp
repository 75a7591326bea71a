// The region builder over pictures the input draws: its banded rectangles
// must be the rectangle less exactly the key-colour pixels, as subtracting
// the scanned runs one by one gives.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "shape/RegionData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const QRgb key = qRgb(128, 128, 128);
  const int width = in.ConsumeIntegralInRange(0, 48);
  const int height = in.ConsumeIntegralInRange(0, 48);
  const bool button = in.ConsumeBool();
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(key);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width && in.remaining_bytes() > 0; ++x) {
      const std::uint8_t b = in.ConsumeIntegral<std::uint8_t>();
      // Mostly key or not, now and then a colour one step away.
      image.setPixel(x, y, b < 100 ? key : b < 250 ? qRgb(0, 0, 0) : qRgb(128, 128, 129));
    }
  const shape::RegionRect base = button ? shape::RegionRect{2, 2, width - 2, height - 2}
                                        : shape::RegionRect{0, 0, width, height};
  const std::vector<shape::RegionRect> rects = shape::BuildRegionRects(image, key, base);

  QRegion expected =
      base.left < base.right && base.top < base.bottom
          ? QRegion(base.left, base.top, base.right - base.left, base.bottom - base.top)
          : QRegion();
  for (const shape::Run& r : shape::ScanRuns(image, key))
    expected -= QRegion(r.first, r.y, r.last - r.first + 1, 1);
  if (shape::ToQRegion(rects) != expected) abort();
  if (shape::FromQRegion(expected) != rects) abort();
  shape::EncodeRegionData(rects);
  return 0;
}
