// A home trash whose item names, info files, sizes and directorysizes the
// input gives: counted, then emptied.
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdlib>

#include "fuzz/FuzzSupport.h"
#include "platform/linux/trash/FreedesktopTrash.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const fs::path home = fuzz::ScratchFolder() / "data";
  std::error_code ec;
  fs::remove_all(home, ec);
  const fs::path trash = home / "Trash";
  fs::create_directories(trash / "info", ec);
  fs::create_directories(trash / "files", ec);

  const int items = in.ConsumeIntegralInRange(0, 6);
  for (int i = 0; i < items && in.remaining_bytes() > 0; ++i) {
    std::string name = in.ConsumeRandomLengthString(24);
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos)
      name = "item" + std::to_string(i);
    const std::string info = in.ConsumeRandomLengthString(200);
    const int kind = in.ConsumeIntegralInRange(0, 3);
    fuzz::WriteFile(trash / "info" / (name + ".trashinfo"), info);
    const fs::path item = trash / "files" / name;
    if (kind == 1 || kind == 2) {
      // Sparse, so that sizes near the largest file cost nothing.
      const off_t length = in.ConsumeIntegralInRange<off_t>(0, (off_t{1} << 62) + 1);
      if (kind == 2) fs::create_directories(item, ec);
      for (const fs::path& file :
           kind == 2 ? std::vector{item / "a", item / "b"} : std::vector{item}) {
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
          (void)!ftruncate(fd, length);
          close(fd);
        }
      }
    }
  }
  fuzz::WriteFile(trash / "directorysizes", in.ConsumeRemainingBytesAsString());

  platform::TrashSettings settings;
  settings.dataHome = home;
  settings.uid = getuid();
  settings.topDirs = std::vector<fs::path>{};
  platform::FreedesktopTrash bin(settings);
  const platform::BinQuery q = bin.query();
  if (q.size < 0 || q.count < 0) abort();  // sizes never wrap
  bin.empty([](std::int64_t, std::int64_t) { return true; });
  return 0;
}
