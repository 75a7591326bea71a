#pragma once
// What the targets share: a private folder for the files that the readers
// take by name, made once per process.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzz {

// On tmpfs when there is one: the targets write a file per input.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/ww-fuzz-XXXXXX"
                                                                    : "/tmp/ww-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern.data());
    if (!made) abort();
    const std::filesystem::path p(made);
    // Gone when the process ends normally; a crash leaves it for a look.
    static struct Remover {
      std::filesystem::path p;
      ~Remover() {
        std::error_code ec;
        std::filesystem::remove_all(p, ec);
      }
    } remover{p};
    return p;
  }();
  return folder;
}

inline void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace fuzz
