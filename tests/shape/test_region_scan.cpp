#include <gtest/gtest.h>

#include <QImage>
#include <QRegion>
#include <random>
#include <string>
#include <vector>

#include "shape/RegionData.h"

namespace shape {
namespace {

constexpr QRgb kKey = 0xFF808080;
using Rects = std::vector<RegionRect>;

// '.' key colour, 'o' one step away from it, anything else black.
QImage Art(const std::vector<std::string>& rows) {
  QImage image(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()),
               QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y,
                     rows[y][x] == '.'   ? kKey
                     : rows[y][x] == 'o' ? qRgb(128, 128, 129)
                                         : qRgb(0, 0, 0));
  return image;
}

RegionRect Full(const QImage& image) { return RegionRect{0, 0, image.width(), image.height()}; }

TEST(RegionScan, RunsEndAtTheRightEdgeAndOnlyTheExactKeyIsCut) {
  const QImage image = Art({"#o..", "..o#", "...."});
  EXPECT_EQ(ScanRuns(image, kKey), (std::vector<shape::Run>{{0, 2, 3}, {1, 0, 1}, {2, 0, 3}}));
  const QImage allKey = Art({"....", "...."});
  EXPECT_TRUE(BuildRegionRects(allKey, kKey, Full(allKey)).empty());
  // Alpha plays no part: a key pixel stored with another alpha is still the key.
  QImage argb(2, 1, QImage::Format_ARGB32);
  argb.setPixel(0, 0, 0x00808080);
  argb.setPixel(1, 0, 0xFF808081);
  EXPECT_EQ(BuildRegionRects(argb, kKey, Full(argb)), (Rects{{1, 0, 2, 1}}));
}

TEST(RegionScan, MatchesLiteralSubtractionOnRandomPictures) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 300; ++round) {
    const int width = 1 + static_cast<int>(random() % 40);
    const int height = 1 + static_cast<int>(random() % 30);
    QImage image(width, height, QImage::Format_RGB32);
    // Rows often repeat the one above, so bands of several rows occur.
    const int keyPercent = static_cast<int>(random() % 101);
    for (int y = 0; y < height; ++y) {
      const bool repeat = y > 0 && random() % 3 == 0;
      for (int x = 0; x < width; ++x) {
        const QRgb pixel = static_cast<int>(random() % 100) < keyPercent ? kKey
                           : random() % 4 == 0                           ? qRgb(128, 128, 129)
                                                                         : qRgb(10, 20, 30);
        image.setPixel(x, y, repeat ? image.pixel(x, y - 1) : pixel);
      }
    }
    const RegionRect base = round % 2 ? RegionRect{2, 2, width - 2, height - 2} : Full(image);
    SCOPED_TRACE("round " + std::to_string(round));

    QRegion literal(base.left, base.top, base.right - base.left, base.bottom - base.top);
    for (const shape::Run& run : ScanRuns(image, kKey))
      literal -= QRegion(run.first, run.y, run.last - run.first + 1, 1);
    // The same banding as the platform's own subtraction, not just the same pixels.
    ASSERT_EQ(BuildRegionRects(image, kKey, base), FromQRegion(literal));
  }
}

std::string Le32(std::initializer_list<std::int32_t> values) {
  std::string bytes;
  for (std::int32_t v : values)
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
  return bytes;
}

TEST(RegionFileFormat, RejectsEverythingButAConsistentFile) {
  const std::string rect1 = Le32({0, 0, 2, 1});
  const std::string rect2 = Le32({0, 1, 3, 2});
  const std::string good = Le32({32, 1, 2, 32, 0, 0, 3, 2}) + rect1 + rect2;
  const struct {
    const char* what;
    std::string bytes;
    DecodeResult result;
  } cases[] = {
      {"half a rectangle", good.substr(0, good.size() - 1), DecodeResult::kTruncated},
      {"huge count", Le32({32, 1, 0x10000000, 0, 0, 0, 0, 0}), DecodeResult::kInvalid},
      {"count times size wraps", Le32({32, 1, 0x0FFFFFFF, -16, 0, 0, 3, 2}) + rect1,
       DecodeResult::kTruncated},
      {"bytes left over", good + "x", DecodeResult::kInvalid},
      {"upside down", Le32({32, 1, 1, 16, 0, 0, 2, 1}) + Le32({0, 1, 2, 0}),
       DecodeResult::kInvalid},
      {"bands out of order", Le32({32, 1, 2, 32, 0, 0, 3, 2}) + rect2 + rect1,
       DecodeResult::kInvalid},
  };
  for (const auto& c : cases) {
    Rects rects = {{9, 9, 10, 10}};
    EXPECT_EQ(DecodeRegionData(c.bytes, &rects), c.result) << c.what;
    EXPECT_EQ(rects, (Rects{{9, 9, 10, 10}})) << c.what;
  }
}

}  // namespace
}  // namespace shape
