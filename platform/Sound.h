#pragma once
#include <filesystem>

namespace platform {

// Starts playing a wave file and returns at once. When the file is missing or
// cannot be played the sound theme's "trash-empty" event plays instead.
void PlayWaveFile(const std::filesystem::path& file);

}  // namespace platform
