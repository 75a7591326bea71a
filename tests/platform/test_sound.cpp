// The shipped wave file, and playing it where there may be no sound device at all.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/Sound.h"
#include "support/TempDir.h"

namespace {

std::filesystem::path ShippedSound() {
  const char* root = std::getenv("WW_SOURCE_DIR");
  return std::filesystem::path(root ? root : ".") / "assets" / "Reciclaje de Windows XP.wav";
}

std::uint32_t Le(const std::string& b, size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b.at(at + i));
  return v;
}

TEST(ShippedSound, IsShortCleanMonoPcm) {
  const std::string b = testsupport::ReadFile(ShippedSound());
  ASSERT_GE(b.size(), 44u) << "WW_SOURCE_DIR must name the source folder";
  EXPECT_EQ(b.substr(0, 4), "RIFF");
  EXPECT_EQ(Le(b, 4, 4), b.size() - 8);
  EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le(b, 16, 4), 16u);
  EXPECT_EQ(Le(b, 20, 2), 1u);  // PCM
  EXPECT_EQ(Le(b, 22, 2), 1u);  // mono
  const std::uint32_t rate = Le(b, 24, 4);
  EXPECT_EQ(rate, 22050u);
  EXPECT_EQ(Le(b, 28, 4), rate * 2);
  EXPECT_EQ(Le(b, 32, 2), 2u);
  EXPECT_EQ(Le(b, 34, 2), 16u);
  EXPECT_EQ(b.substr(36, 4), "data");
  const std::uint32_t data = Le(b, 40, 4);
  ASSERT_EQ(data, b.size() - 44);
  const size_t count = data / 2;
  EXPECT_GT(count, rate / 4);
  EXPECT_LT(count, rate * 3 / 2);

  std::vector<int> s(count);
  int peak = 0;
  for (size_t i = 0; i < count; ++i) {
    s[i] = static_cast<std::int16_t>(Le(b, 44 + 2 * i, 2));
    peak = std::max(peak, std::abs(s[i]));
  }
  EXPECT_GT(peak, 8000) << "too quiet to hear";
  EXPECT_LT(peak, 32000) << "clipped";
  EXPECT_LT(std::abs(s.front()), 200) << "clicks when it starts";
  EXPECT_LT(std::abs(s.back()), 200) << "clicks when it stops";
}

// No sound device here: the calls must come back without throwing or crashing, whether the
// file is there, missing, or not a sound at all, and from several threads at once.
TEST(PlayWaveFile, ReturnsWhateverTheFile) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "noise.wav", "this is not a wave file");
  EXPECT_NO_THROW(platform::PlayWaveFile(ShippedSound()));
  EXPECT_NO_THROW(platform::PlayWaveFile(dir / "missing.wav"));
  EXPECT_NO_THROW(platform::PlayWaveFile(dir / "noise.wav"));
  EXPECT_NO_THROW(platform::PlayWaveFile(dir.path()));
  EXPECT_NO_THROW(platform::PlayWaveFile(""));

  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] {
      for (int k = 0; k < 3; ++k) platform::PlayWaveFile(ShippedSound());
    });
  for (auto& t : threads) t.join();
}

}  // namespace
