#pragma once
// What the targets share: a private folder for the files that the readers
// take by name, made once per process.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzz {

// On tmpfs when there is one: the targets write a file per input. libFuzzer
// ends without running destructors, so each process takes a folder named by
// its id and clears those of processes that are gone.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    namespace fs = std::filesystem;
    const fs::path base = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(base, ec)) {
      const std::string name = e.path().filename().string();
      if (name.rfind("ww-fuzz-", 0) != 0) continue;
      const std::string pid = name.substr(8);
      if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
      if (!fs::exists("/proc/" + pid)) fs::remove_all(e.path(), ec);
    }
    const fs::path p = base / ("ww-fuzz-" + std::to_string(getpid()));
    fs::remove_all(p, ec);
    if (!fs::create_directory(p, ec)) abort();
    return p;
  }();
  return folder;
}

inline void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace fuzz
