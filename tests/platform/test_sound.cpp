// The shipped wave file, and playing where there may be no sound device at all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Sound.h"
#include "support/TempDir.h"

namespace {

std::filesystem::path ShippedSound() {
  const char* root = std::getenv("WW_SOURCE_DIR");
  return std::filesystem::path(root ? root : ".") / "assets" / "Reciclaje de Windows XP.wav";
}

TEST(ShippedSound, IsMonoPcmWave) {
  const std::string b = testsupport::ReadFile(ShippedSound());
  ASSERT_GE(b.size(), 44u) << "WW_SOURCE_DIR must name the source folder";
  EXPECT_EQ(b.substr(0, 4) + b.substr(8, 8) + b.substr(36, 4), "RIFFWAVEfmt data");
  EXPECT_EQ(b.substr(20, 4), std::string("\1\0\1\0", 4));  // PCM, one channel
}

// The calls must come back, whatever the file.
TEST(PlayWaveFile, ReturnsWhateverTheFile) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "noise.wav", "this is not a wave file");
  for (const auto& file : {ShippedSound(), dir / "missing.wav", dir / "noise.wav", dir.path()})
    platform::PlayWaveFile(file);
}

}  // namespace
