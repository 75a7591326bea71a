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

// '.' key colour, 'o' one step away from it, anything else black.
QImage Art(const std::vector<std::string>& rows) {
  QImage image(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()),
               QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const char c = rows[y][x];
      image.setPixel(x, y, c == '.' ? kKey : c == 'o' ? qRgb(128, 128, 129) : qRgb(0, 0, 0));
    }
  return image;
}

RegionRect Full(const QImage& image) { return RegionRect{0, 0, image.width(), image.height()}; }

// The outline built the slow way: base minus one rectangle per run, in scan order.
QRegion Literal(const QImage& image, const RegionRect& base) {
  QRegion region(base.left, base.top, base.right - base.left, base.bottom - base.top);
  for (const shape::Run& run : ScanRuns(image, kKey))
    region -= QRegion(run.first, run.y, run.last - run.first + 1, 1);
  return region;
}

TEST(RegionScan, RunsEndAtTheRowEndAndNeverContinueIntoTheNextRow) {
  const QImage image = Art({"##..",  //
                            "..##",  //
                            "...."});
  EXPECT_EQ(ScanRuns(image, kKey), (std::vector<shape::Run>{{0, 2, 3}, {1, 0, 1}, {2, 0, 3}}));
  EXPECT_EQ(ToQRegion(BuildRegionRects(image, kKey, Full(image))),
            QRegion(0, 0, 2, 1) + QRegion(2, 1, 2, 1));
}

TEST(RegionScan, OnlyTheExactKeyColourIsCut) {
  const QImage nearKey = Art({"oooo", "oooo"});
  EXPECT_EQ(BuildRegionRects(nearKey, kKey, Full(nearKey)),
            (std::vector<RegionRect>{{0, 0, 4, 2}}));
  EXPECT_TRUE(ScanRuns(nearKey, kKey).empty());

  const QImage allKey = Art({"....", "...."});
  EXPECT_TRUE(BuildRegionRects(allKey, kKey, Full(allKey)).empty());

  // Alpha plays no part: a key pixel stored with another alpha is still the key.
  QImage argb(2, 1, QImage::Format_ARGB32);
  argb.setPixel(0, 0, 0x00808080);
  argb.setPixel(1, 0, 0xFF808081);
  EXPECT_EQ(BuildRegionRects(argb, kKey, Full(argb)), (std::vector<RegionRect>{{1, 0, 2, 1}}));
}

TEST(RegionScan, BaseRectangleLimitsTheOutline) {
  // A button's outline: two pixels of frame always go, key pixels or not.
  const QImage face = Art({"######",  //
                           "######",  //
                           "##.###",  //
                           "######",  //
                           "######"});
  const RegionRect inner{2, 2, 4, 3};
  EXPECT_EQ(BuildRegionRects(face, kKey, inner), (std::vector<RegionRect>{{3, 2, 4, 3}}));
  EXPECT_TRUE(BuildRegionRects(face, kKey, RegionRect{2, 2, 2, 3}).empty());
  // Parts of the base outside the picture never match the key.
  EXPECT_EQ(BuildRegionRects(Art({".."}), kKey, RegionRect{-1, 0, 3, 2}),
            (std::vector<RegionRect>{{-1, 0, 0, 1}, {2, 0, 3, 1}, {-1, 1, 3, 2}}));
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

    const std::vector<RegionRect> rects = BuildRegionRects(image, kKey, base);
    const QRegion ours = ToQRegion(rects);
    const QRegion literal = Literal(image, base);
    ASSERT_TRUE(ours.xored(literal).isEmpty());
    // The same banding as the platform's own subtraction, not just the same pixels.
    ASSERT_EQ(FromQRegion(literal), rects);
    ASSERT_EQ(Canonicalize(rects), rects);
    std::vector<RegionRect> decoded;
    ASSERT_EQ(DecodeRegionData(EncodeRegionData(rects), &decoded), DecodeResult::kOk);
    ASSERT_EQ(decoded, rects);
  }
}

TEST(RegionScan, CanonicalizeJoinsTouchingRectanglesAndEqualBands) {
  EXPECT_EQ(Canonicalize({{0, 0, 2, 1}, {2, 0, 5, 1}, {0, 1, 5, 3}, {7, 3, 9, 4}}),
            (std::vector<RegionRect>{{0, 0, 5, 3}, {7, 3, 9, 4}}));
  // Equal stretches that do not touch vertically stay apart.
  EXPECT_EQ(Canonicalize({{0, 0, 2, 1}, {0, 2, 2, 3}}),
            (std::vector<RegionRect>{{0, 0, 2, 1}, {0, 2, 2, 3}}));
}

std::string Le32(std::initializer_list<std::int32_t> values) {
  std::string bytes;
  for (std::int32_t v : values)
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
  return bytes;
}

TEST(RegionFileFormat, KnownRegionGivesTheseBytes) {
  const QImage image = Art({"#.#", "###"});
  const std::vector<RegionRect> rects = BuildRegionRects(image, kKey, Full(image));
  const std::string bytes = EncodeRegionData(rects);
  static const char kExpected[] =
      "\x20\0\0\0"
      "\x01\0\0\0"
      "\x03\0\0\0"
      "\x30\0\0\0"
      "\0\0\0\0"
      "\0\0\0\0"
      "\x03\0\0\0"
      "\x02\0\0\0"
      "\0\0\0\0\0\0\0\0\x01\0\0\0\x01\0\0\0"
      "\x02\0\0\0\0\0\0\0\x03\0\0\0\x01\0\0\0"
      "\0\0\0\0\x01\0\0\0\x03\0\0\0\x02\0\0\0";
  EXPECT_EQ(bytes, std::string(kExpected, sizeof kExpected - 1));

  // No rectangle: the header alone, with zero bounds.
  EXPECT_EQ(EncodeRegionData({}), Le32({32, 1, 0, 0, 0, 0, 0, 0}));
  // Negative coordinates survive as two's complement.
  std::vector<RegionRect> back;
  ASSERT_EQ(DecodeRegionData(EncodeRegionData({{-3, -2, 4, 5}}), &back), DecodeResult::kOk);
  EXPECT_EQ(back, (std::vector<RegionRect>{{-3, -2, 4, 5}}));
}

TEST(RegionFileFormat, RejectsEverythingButAConsistentFile) {
  const std::string rect1 = Le32({0, 0, 2, 1});
  const std::string rect2 = Le32({0, 1, 3, 2});
  const std::string good = Le32({32, 1, 2, 32, 0, 0, 3, 2}) + rect1 + rect2;
  std::vector<RegionRect> rects;
  ASSERT_EQ(DecodeRegionData(good, &rects), DecodeResult::kOk);

  struct Case {
    const char* what;
    std::string bytes;
    DecodeResult result;
  };
  const Case cases[] = {
      {"no byte", "", DecodeResult::kEmpty},
      {"short header", good.substr(0, 31), DecodeResult::kTruncated},
      {"missing rectangle", good.substr(0, 48), DecodeResult::kTruncated},
      {"half a rectangle", good.substr(0, good.size() - 1), DecodeResult::kTruncated},
      {"huge count", Le32({32, 1, 0x10000000, 0, 0, 0, 0, 0}), DecodeResult::kInvalid},
      {"count beyond data", Le32({32, 1, 0x0FFFFFFF, -16, 0, 0, 3, 2}) + rect1,
       DecodeResult::kTruncated},
      {"bytes left over", good + "x", DecodeResult::kInvalid},
      {"header size", Le32({40, 1, 2, 32, 0, 0, 3, 2}) + rect1 + rect2, DecodeResult::kInvalid},
      {"type", Le32({32, 2, 2, 32, 0, 0, 3, 2}) + rect1 + rect2, DecodeResult::kInvalid},
      {"rectangle bytes", Le32({32, 1, 2, 48, 0, 0, 3, 2}) + rect1 + rect2, DecodeResult::kInvalid},
      {"bounds", Le32({32, 1, 2, 32, 0, 0, 3, 3}) + rect1 + rect2, DecodeResult::kInvalid},
      {"empty rectangle", Le32({32, 1, 1, 16, 2, 0, 2, 1}) + Le32({2, 0, 2, 1}),
       DecodeResult::kInvalid},
      {"upside down", Le32({32, 1, 1, 16, 0, 0, 2, 1}) + Le32({0, 1, 2, 0}),
       DecodeResult::kInvalid},
      {"bands out of order", Le32({32, 1, 2, 32, 0, 0, 3, 2}) + rect2 + rect1,
       DecodeResult::kInvalid},
      {"overlapping bands",
       Le32({32, 1, 2, 32, 0, 0, 3, 2}) + Le32({0, 0, 2, 2}) + Le32({0, 1, 3, 2}),
       DecodeResult::kInvalid},
      {"band of mixed heights",
       Le32({32, 1, 2, 32, 0, 0, 5, 2}) + Le32({0, 0, 2, 1}) + Le32({3, 0, 5, 2}),
       DecodeResult::kInvalid},
      {"overlap within a band",
       Le32({32, 1, 2, 32, 0, 0, 5, 1}) + Le32({0, 0, 3, 1}) + Le32({2, 0, 5, 1}),
       DecodeResult::kInvalid},
  };
  for (const Case& c : cases) {
    rects = {{9, 9, 10, 10}};
    EXPECT_EQ(DecodeRegionData(c.bytes, &rects), c.result) << c.what;
    EXPECT_EQ(rects, (std::vector<RegionRect>{{9, 9, 10, 10}})) << c.what;
  }
}

}  // namespace
}  // namespace shape
