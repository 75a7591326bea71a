#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shape/RegionData.h"

namespace shape {
namespace {

using Rects = std::vector<RegionRect>;

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
  Rects rects;
  EXPECT_EQ(DecodeRegionData(good, &rects), DecodeResult::kOk);
  EXPECT_EQ(rects, (Rects{{0, 0, 2, 1}, {0, 1, 3, 2}}));
}

}  // namespace
}  // namespace shape
